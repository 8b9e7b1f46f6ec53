// The size a cursor is shown at and the images that make it: the rule that picks an image of each frame
// for a pointer size, the scaling of images that do not fit, and an animated cursor rebuilt from scaled
// frames. Standard C++ only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "anicursor/AniCurInfo.h"

namespace dovex {

// The pointer size setting that changes nothing, and the range the system accepts.
inline constexpr std::uint32_t kPointerBaseSize = 32;
inline constexpr std::uint32_t kMaxPointerBaseSize = 256;
// No cursor image is larger (an icon directory cannot name a larger one).
inline constexpr int kMaxPointerSide = 256;

// The side the system draws the pointer at: its cursor side at the monitor's DPI, scaled by the user's
// pointer size setting. A setting outside 32 to 256 is no setting.
int PointerSide(int systemSide, std::uint32_t baseSize) noexcept;

// The image of a frame to show at `side`: one of that width, else the nearest wider, else the widest;
// -1 when there is none.
int ChooseImage(const TAniImage* images, std::size_t count, int side) noexcept;

// A cursor image of 32-bit pixels, rows top to bottom, blue green red alpha, alpha not premultiplied.
struct TCursorImage {
    int Width = 0, Height = 0;
    int HotX = 0, HotY = 0;
    std::vector<std::uint8_t> Bgra;
};

// The image at another size. Each new pixel averages the area of the old image it covers, colours
// weighted by their alpha, so that edges neither darken nor blur beyond one pixel; the hot spot keeps its
// place in the picture.
TCursorImage ScaleCursorImage(const TCursorImage& image, int width, int height);

// A cursor file (.cur) of the one image: 32-bit colour with alpha, and an AND mask of the transparent
// pixels for systems that draw without alpha.
std::vector<std::uint8_t> CursorFileBytes(const TCursorImage& image);

// The animated cursor `file` (with the layout the reader found in it) with its frames replaced by
// `frames`, one cursor file each, in frame order. Everything else is kept, except that the header no
// longer asks for its frames to be made of one raw size.
std::vector<std::uint8_t> ReplaceAniFrames(const std::uint8_t* file, std::size_t size,
                                           const TAniLayout& layout,
                                           const std::vector<std::vector<std::uint8_t>>& frames);

} // namespace dovex

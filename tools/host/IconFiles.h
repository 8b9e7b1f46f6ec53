// Writers of icon (.ico), cursor (.cur) and animated cursor (.ani) files from 32-bit BGRA images.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace art {

struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> bgra; // rows top to bottom, straight alpha
    int hotX = 0, hotY = 0;         // cursor hot spot
};

// One .ico (cursor == false) or .cur file holding every image.
std::vector<std::uint8_t> WriteIconFile(const std::vector<Image>& images, bool cursor);

struct AniRecipe {
    std::vector<Image> frames; // one cursor image per frame
    // Further images of each frame, the same picture drawn at other sizes (empty: one image per frame).
    std::vector<std::vector<Image>> moreImages;
    std::uint32_t steps = 0;
    std::uint32_t jifRate = 0;
    std::optional<std::vector<std::uint32_t>> rates;
    std::optional<std::vector<std::uint32_t>> sequence;
    std::optional<std::string> title;  // raw bytes (Shift-JIS), written NUL-terminated
    std::optional<std::string> author; // likewise
};

// RIFF "ACON": LIST INFO (when a text is given), anih, rate, seq , LIST fram.
std::vector<std::uint8_t> WriteAniFile(const AniRecipe& recipe);

// A 24-bit Windows bitmap (.bmp) of the image laid over an opaque background colour (0xRRGGBB).
std::vector<std::uint8_t> WriteBitmapFile(const Image& image, std::uint32_t background);

bool SaveFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace art

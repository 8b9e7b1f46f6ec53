// Builds RIFF byte images for the reader tests, including malformed ones.
#pragma once

#include <cstdint>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace anitest {

using Bytes = std::string;

inline Bytes U32(std::uint32_t v) {
    Bytes b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<char>(v >> (8 * i));
    return b;
}

inline Bytes Table(const std::vector<std::uint32_t>& v) {
    Bytes b;
    for (auto x : v)
        b += U32(x);
    return b;
}

// A chunk with its true size and pad byte.
inline Bytes Chunk(const Bytes& id, const Bytes& data) {
    Bytes b = id + U32(static_cast<std::uint32_t>(data.size())) + data;
    if (data.size() % 2)
        b.push_back('\0');
    return b;
}

// A chunk head claiming any size, followed by whatever data is given, without padding.
inline Bytes RawChunk(const Bytes& id, std::uint32_t size, const Bytes& data) {
    return id + U32(size) + data;
}

inline Bytes List(const Bytes& type, const Bytes& children) {
    return Chunk("LIST", type + children);
}
inline Bytes Riff(const Bytes& children, const Bytes& form = "ACON") {
    return Chunk("RIFF", form + children);
}

inline Bytes Anih(std::uint32_t steps, std::uint32_t jifRate, std::uint32_t frames = 0,
                  std::uint32_t flags = 1, std::uint32_t width = 0, std::uint32_t height = 0) {
    return Chunk("anih", Table({36, frames ? frames : steps, steps, width, height, 0, 0, jifRate, flags}));
}

inline Bytes Info(const Bytes& children) {
    return List("INFO", children);
}
inline Bytes Text(const Bytes& id, const Bytes& text) {
    return Chunk(id, text + Bytes(1, '\0'));
}

inline Bytes U16(std::uint16_t v) {
    return Bytes{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

// The parts of a frame: an icon directory of cursors, one directory entry, a bitmap header of a
// width x height image (the height doubled for the mask) and the image's bytes.
inline Bytes IconDir(std::uint16_t count, std::uint16_t type = 2) {
    return U16(0) + U16(type) + U16(count);
}
inline Bytes IconEntry(std::uint32_t bytes, std::uint32_t offset) {
    return Bytes{1, 1, 0, 0} + U16(0) + U16(0) + U32(bytes) + U32(offset);
}
inline Bytes BitmapHeader(std::int32_t width, std::int32_t height, std::uint32_t size = 40) {
    return U32(size) + U32(static_cast<std::uint32_t>(width)) + U32(static_cast<std::uint32_t>(height * 2)) +
           U16(1) + U16(32) + Table({0, 0, 0, 0, 0, 0});
}
// The head of a PNG image: signature and IHDR chunk (its CRC not computed) and a byte of the next chunk, an
// even number of bytes in all, without image data.
inline Bytes PngHead(std::uint32_t width, std::uint32_t height) {
    auto be = [](std::uint32_t v) {
        return Bytes{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                     static_cast<char>(v)};
    };
    return Bytes("\x89PNG\r\n\x1A\n", 8) + be(13) + "IHDR" + be(width) + be(height) +
           Bytes("\x08\x06\0\0\0", 5) + Bytes(5, '\0');
}
// A 1 x 1 cursor image, as the platform loads it.
inline Bytes IconImage() {
    return IconDir(1) + IconEntry(48, 22) + BitmapHeader(1, 1) + Bytes(8, '\0');
}

// Frames of every shape: those the platform's loader falls over (refused, never handed to it) and odd
// ones it handles itself.
struct FrameCase {
    const char* what;
    Bytes frame;
    bool refused;
};
inline std::vector<FrameCase> FrameCases() {
    const Bytes image = Bytes(8, '\0');
    return {
        {"a 1 x 1 cursor", IconImage(), false},
        {"an entry whose size runs past the frame",
         IconDir(1) + IconEntry(4000, 22) + BitmapHeader(1, 1) + image, false},
        {"an image cut short", IconDir(1) + IconEntry(48, 22) + BitmapHeader(32, 32) + image, false},
        {"bytes that are no icon", Bytes(64, '\x5A'), true},
        {"a directory cut short", Bytes(4, '\0'), true},
        {"a directory without entries", IconDir(0) + IconEntry(48, 22) + BitmapHeader(1, 1) + image, true},
        {"the directory of a bitmap", IconDir(1, 0) + IconEntry(48, 22) + BitmapHeader(1, 1) + image, true},
        {"an entry pointing outside the frame", IconDir(1) + IconEntry(48, 0xFFFFFFFF) + image, true},
        {"a directory without an image", IconDir(1) + IconEntry(48, 22), true},
        {"a core bitmap header", IconDir(1) + IconEntry(48, 22) + BitmapHeader(1, 1, 12) + image, true},
        {"an image of no width", IconDir(1) + IconEntry(48, 22) + BitmapHeader(0, 1) + image, true},
        {"an image of no height", IconDir(1) + IconEntry(48, 22) + BitmapHeader(1, 0) + image, true},
        {"an image as wide as a cursor gets", IconDir(1) + IconEntry(48, 22) + BitmapHeader(256, 1) + image,
         false},
        {"an image wider than a cursor gets", IconDir(1) + IconEntry(48, 22) + BitmapHeader(257, 1) + image,
         true},
        {"an image so wide its size in bytes overflows",
         IconDir(1) + IconEntry(48, 22) + BitmapHeader(0x08000001, 1) + image, true},
        {"an image higher than a cursor gets", IconDir(1) + IconEntry(48, 22) + BitmapHeader(1, 257) + image,
         true},
        {"a PNG image", IconDir(1) + IconEntry(48, 22) + PngHead(32, 32), false},
        {"a PNG signature without its IHDR chunk",
         IconDir(1) + IconEntry(48, 22) + PngHead(32, 32).substr(0, 8) + image, true},
        {"a bitmap header of a size that starts like a PNG signature",
         IconDir(1) + IconEntry(48, 22) + BitmapHeader(1, 1, 0x474E5089) + image, true},
        {"a PNG image wider than a cursor gets", IconDir(1) + IconEntry(48, 22) + PngHead(257, 32), true},
        {"a PNG image of no height", IconDir(1) + IconEntry(48, 22) + PngHead(32, 0), true},
    };
}

// Frame data the reader checks only the heads of: a LIST "fram" with one icon chunk of at least n bytes.
inline Bytes Frames(std::size_t n) {
    Bytes icon = IconImage();
    if (icon.size() < n)
        icon += Bytes(n - icon.size(), '\x5A');
    return List("fram", Chunk("icon", icon));
}

// A frame list of `count` 1 x 1 cursors.
inline Bytes IconFrames(std::size_t count) {
    Bytes icons;
    for (std::size_t i = 0; i < count; ++i)
        icons += Chunk("icon", IconImage());
    return List("fram", icons);
}

// The file of a form whose end falls on a page boundary (a JUNK chunk fills up), its size then claimed
// `past` bytes beyond that end.
inline Bytes OnPageEnd(const Bytes& chunks, std::uint32_t past) {
    const std::size_t size = Riff(chunks).size();
    Bytes file = Riff(Chunk("JUNK", Bytes((4096 - (size + 8) % 4096) % 4096, '\0')) + chunks);
    const Bytes claimed = U32(static_cast<std::uint32_t>(file.size() - 8 + past));
    file.replace(4, 4, claimed);
    return file;
}

// Whole files and whether the reader refuses them: those the platform's loader falls over, hangs on or
// reads past what is there, and those next to them that it plays.
struct LoaderCase {
    const char* what;
    Bytes file;
    bool refused;
};
inline std::vector<LoaderCase> LoaderCases() {
    const Bytes two = IconFrames(2);
    Bytes megabytePast = Riff(Anih(2, 6) + two);
    megabytePast.replace(4, 4, U32(static_cast<std::uint32_t>(megabytePast.size() - 8 + (1u << 20))));
    Bytes sixPast = Riff(Anih(2, 6) + two);
    sixPast.replace(4, 4, U32(static_cast<std::uint32_t>(sixPast.size() - 8 + 6)));
    const Bytes noFrames = Chunk("anih", Table({36, 0, 2, 0, 0, 0, 0, 6, 1}));
    const Bytes oddFrame = Chunk("icon", IconImage() + Bytes(1, '\0')); // with its pad byte
    const Bytes oddUnpadded = RawChunk("icon", 71, IconImage() + Bytes(1, '\0'));
    return {
        // refused
        {"a header promising 50 frames, one there", Riff(Anih(50, 6) + IconFrames(1)), true},
        {"a header promising 2 frames, one there", Riff(Anih(2, 6) + IconFrames(1)), true},
        {"a header promising no frame", Riff(noFrames + two), true},
        {"another chunk first in the frame list",
         Riff(Anih(2, 6) + List("fram", Chunk("junk", "xy") + two.substr(12))), true},
        {"an odd-sized frame and its pad byte before the next frame",
         Riff(Anih(2, 6) + List("fram", oddFrame + Chunk("icon", IconImage()))), true},
        {"a form size 1 MiB past the end, no rate chunk", megabytePast, true},
        {"a form size 6 bytes past the end of a file ending on a page, no rate chunk",
         OnPageEnd(Anih(2, 6) + two, 6), true},
        {"a form size far past the end, no frame list",
         RawChunk("RIFF", 0xFFFFFFF0u, "ACON" + Anih(2, 6) + Chunk("rate", Table({6, 12}))), true},
        {"a chunk of 4 GiB the searches step over",
         Chunk("RIFF", "ACON" + Anih(2, 6) + two + RawChunk("JUNK", 0xFFFFFFF0u, "xxxx")), true},
        {"a rate chunk last in the file, the rates of 2000 steps read past the mapping",
         Riff(Anih(2000, 6, 2) + two + Chunk("rate", Table({6, 6}))), true},
        {"a sequence shorter than the steps, read on into bytes that name no frame",
         Riff(Anih(3, 6, 2, 3) + Chunk("seq ", Table({0, 1})) + two), true},
        {"a sequence naming a frame that is not there",
         Riff(Anih(3, 6, 2, 3) + Chunk("seq ", Table({0, 1, 2})) + two), true},
        {"10,001 steps without a sequence", Riff(Anih(10001, 6, 2) + two), true},
        {"two billion steps without a sequence", Riff(Anih(0x7FFFFFFF, 6, 2) + two), true},
        {"a header making every frame 4096 pixels a side", Riff(Anih(2, 6, 2, 1, 4096, 4096) + two), true},
        // played
        {"more frames than the header counts", Riff(Anih(2, 6) + IconFrames(3)), false},
        {"an odd-sized frame written without a pad byte",
         Riff(Anih(2, 6) + List("fram", oddUnpadded + Chunk("icon", IconImage()))), false},
        {"a form size 6 bytes past the end of a file not ending on a page, no rate chunk", sixPast, false},
        {"a form size 4 bytes past the end of a file ending on a page, no rate chunk",
         OnPageEnd(Anih(2, 6) + two, 4), false},
        {"a file ending on a page, no rate chunk", OnPageEnd(Anih(2, 6) + two, 0), false},
        {"a form size far past the end, every chunk found before it",
         RawChunk("RIFF", 0xFFFFFFF0u, "ACON" + Anih(2, 6) + Chunk("rate", Table({6, 12})) + two), false},
        {"more steps than frames without a sequence", Riff(Anih(5, 6, 2) + two), false},
        {"10,000 steps without a sequence", Riff(Anih(10000, 6, 2) + two), false},
        {"a sequence flag without a sequence: as many steps as frames", Riff(Anih(50, 6, 2, 3) + two), false},
        {"a sequence not flagged is not read", Riff(Anih(3, 6, 2) + Chunk("seq ", Table({0, 1, 7})) + two),
         false},
        {"a rate chunk shorter than the steps, the rates read past it in the file",
         Riff(Anih(3, 6, 2) + Chunk("rate", Table({6, 6})) + two), false},
        {"a sequence last in the file shorter than the steps: zeros follow it",
         Riff(Anih(3, 6, 2, 3) + two + Chunk("seq ", Table({0, 1}))), false},
        {"a rate chunk longer than the steps", Riff(Anih(2, 6) + Chunk("rate", Table({6, 6, 6})) + two),
         false},
        {"a header giving the frames' size", Riff(Anih(2, 6, 2, 1, 256, 256) + two), false},
        {"frames that are no icons: the loader reads no further", Riff(Anih(50, 6, 50, 0) + IconFrames(1)),
         false},
    };
}

inline void WriteFile(const std::filesystem::path& p, const Bytes& b) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(b.data(), static_cast<std::streamsize>(b.size()));
}

} // namespace anitest

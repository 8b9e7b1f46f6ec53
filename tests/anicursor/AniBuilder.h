// Builds RIFF byte images for the reader tests, including malformed ones.
#pragma once

#include <cstdint>
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
    };
}

// Frame data the reader checks only the heads of: a LIST "fram" with one icon chunk of at least n bytes.
inline Bytes Frames(std::size_t n) {
    Bytes icon = IconImage();
    if (icon.size() < n)
        icon += Bytes(n - icon.size(), '\x5A');
    return List("fram", Chunk("icon", icon));
}

inline void WriteFile(const std::filesystem::path& p, const Bytes& b) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(b.data(), static_cast<std::streamsize>(b.size()));
}

} // namespace anitest

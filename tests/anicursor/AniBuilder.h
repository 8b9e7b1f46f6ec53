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

// Frame data the reader must skip: a LIST "fram" with one icon chunk of n bytes.
inline Bytes Frames(std::size_t n) {
    return List("fram", Chunk("icon", Bytes(n, '\x5A')));
}

inline void WriteFile(const std::filesystem::path& p, const Bytes& b) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(b.data(), static_cast<std::streamsize>(b.size()));
}

} // namespace anitest

#include "tools/host/IconFiles.h"

#include <cstdio>

namespace art {

namespace {

void Put16(std::vector<std::uint8_t>& o, unsigned v) {
    o.push_back(static_cast<std::uint8_t>(v));
    o.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& o, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        o.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutId(std::vector<std::uint8_t>& o, const char* id) {
    o.insert(o.end(), id, id + 4);
}

void Set32(std::vector<std::uint8_t>& o, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        o[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A 32-bit DIB as stored in icon resources: header with doubled height, colour rows and AND mask, both
// bottom-up; the mask marks fully transparent pixels for systems that ignore alpha.
std::vector<std::uint8_t> Dib(const Image& img) {
    std::vector<std::uint8_t> o;
    const int w = img.width, h = img.height;
    const std::uint32_t maskStride = ((w + 31) / 32) * 4;
    Put32(o, 40);
    Put32(o, static_cast<std::uint32_t>(w));
    Put32(o, static_cast<std::uint32_t>(h * 2));
    Put16(o, 1);
    Put16(o, 32);
    Put32(o, 0);
    Put32(o, static_cast<std::uint32_t>(w * h * 4) + maskStride * h);
    for (int i = 0; i < 4; ++i)
        Put32(o, 0);
    for (int y = h - 1; y >= 0; --y)
        o.insert(o.end(), img.bgra.begin() + std::ptrdiff_t(y) * w * 4,
                 img.bgra.begin() + std::ptrdiff_t(y + 1) * w * 4);
    for (int y = h - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(maskStride, 0);
        for (int x = 0; x < w; ++x)
            if (img.bgra[(std::size_t(y) * w + x) * 4 + 3] == 0)
                row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        o.insert(o.end(), row.begin(), row.end());
    }
    return o;
}

// A chunk with its pad byte; returns the offset of its size field.
std::size_t BeginChunk(std::vector<std::uint8_t>& o, const char* id) {
    PutId(o, id);
    Put32(o, 0);
    return o.size() - 4;
}

void EndChunk(std::vector<std::uint8_t>& o, std::size_t sizeAt) {
    Set32(o, sizeAt, static_cast<std::uint32_t>(o.size() - sizeAt - 4));
    if ((o.size() - sizeAt - 4) % 2)
        o.push_back(0);
}

void PutText(std::vector<std::uint8_t>& o, const char* id, const std::string& text) {
    const auto at = BeginChunk(o, id);
    o.insert(o.end(), text.begin(), text.end());
    o.push_back(0);
    EndChunk(o, at);
}

} // namespace

std::vector<std::uint8_t> WriteIconFile(const std::vector<Image>& images, bool cursor) {
    std::vector<std::uint8_t> o;
    Put16(o, 0);
    Put16(o, cursor ? 2 : 1);
    Put16(o, static_cast<unsigned>(images.size()));
    std::vector<std::vector<std::uint8_t>> dibs;
    for (const auto& img : images)
        dibs.push_back(Dib(img));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const auto& img = images[i];
        o.push_back(static_cast<std::uint8_t>(img.width >= 256 ? 0 : img.width));
        o.push_back(static_cast<std::uint8_t>(img.height >= 256 ? 0 : img.height));
        o.push_back(0);
        o.push_back(0);
        Put16(o, cursor ? static_cast<unsigned>(img.hotX) : 1);
        Put16(o, cursor ? static_cast<unsigned>(img.hotY) : 32);
        Put32(o, static_cast<std::uint32_t>(dibs[i].size()));
        Put32(o, offset);
        offset += static_cast<std::uint32_t>(dibs[i].size());
    }
    for (const auto& d : dibs)
        o.insert(o.end(), d.begin(), d.end());
    return o;
}

std::vector<std::uint8_t> WriteAniFile(const AniRecipe& recipe) {
    std::vector<std::uint8_t> o;
    const auto riff = BeginChunk(o, "RIFF");
    PutId(o, "ACON");
    if (recipe.title || recipe.author) {
        const auto list = BeginChunk(o, "LIST");
        PutId(o, "INFO");
        if (recipe.title)
            PutText(o, "INAM", *recipe.title);
        if (recipe.author)
            PutText(o, "IART", *recipe.author);
        EndChunk(o, list);
    }
    const auto anih = BeginChunk(o, "anih");
    Put32(o, 36);
    Put32(o, static_cast<std::uint32_t>(recipe.frames.size()));
    Put32(o, recipe.steps);
    for (int i = 0; i < 4; ++i)
        Put32(o, 0);
    Put32(o, recipe.jifRate);
    Put32(o, 1u | (recipe.sequence ? 2u : 0u));
    EndChunk(o, anih);
    if (recipe.rates) {
        const auto at = BeginChunk(o, "rate");
        for (auto r : *recipe.rates)
            Put32(o, r);
        EndChunk(o, at);
    }
    if (recipe.sequence) {
        const auto at = BeginChunk(o, "seq ");
        for (auto s : *recipe.sequence)
            Put32(o, s);
        EndChunk(o, at);
    }
    const auto fram = BeginChunk(o, "LIST");
    PutId(o, "fram");
    for (std::size_t i = 0; i < recipe.frames.size(); ++i) {
        std::vector<Image> images{recipe.frames[i]};
        if (i < recipe.moreImages.size())
            images.insert(images.end(), recipe.moreImages[i].begin(), recipe.moreImages[i].end());
        const auto at = BeginChunk(o, "icon");
        const auto cur = WriteIconFile(images, true);
        o.insert(o.end(), cur.begin(), cur.end());
        EndChunk(o, at);
    }
    EndChunk(o, fram);
    EndChunk(o, riff);
    return o;
}

std::vector<std::uint8_t> WriteBitmapFile(const Image& img, std::uint32_t background) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(img.width) * 3 + 3) & ~3u;
    const std::uint32_t pixels = stride * static_cast<std::uint32_t>(img.height);
    std::vector<std::uint8_t> o;
    o.push_back('B');
    o.push_back('M');
    Put32(o, 14 + 40 + pixels);
    Put32(o, 0);
    Put32(o, 14 + 40);
    Put32(o, 40);
    Put32(o, static_cast<std::uint32_t>(img.width));
    Put32(o, static_cast<std::uint32_t>(img.height)); // bottom-up
    Put16(o, 1);
    Put16(o, 24);
    Put32(o, 0); // BI_RGB
    Put32(o, pixels);
    Put32(o, 2835); // 72 dpi
    Put32(o, 2835);
    Put32(o, 0);
    Put32(o, 0);
    const int back[3] = {int(background & 0xFF), int((background >> 8) & 0xFF),
                         int((background >> 16) & 0xFF)};
    for (int y = img.height - 1; y >= 0; --y) {
        const std::uint8_t* row = &img.bgra[std::size_t(y) * img.width * 4];
        for (int x = 0; x < img.width; ++x) {
            const int a = row[x * 4 + 3];
            for (int k = 0; k < 3; ++k)
                o.push_back(
                    static_cast<std::uint8_t>((row[x * 4 + k] * a + back[k] * (255 - a) + 127) / 255));
        }
        for (std::uint32_t pad = static_cast<std::uint32_t>(img.width) * 3; pad < stride; ++pad)
            o.push_back(0);
    }
    return o;
}

bool SaveFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace art

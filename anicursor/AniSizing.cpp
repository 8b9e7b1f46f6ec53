#include "anicursor/AniSizing.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace dovex {

namespace {

void Put16(std::vector<std::uint8_t>& o, unsigned v) {
    o.push_back(static_cast<std::uint8_t>(v));
    o.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& o, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        o.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void Set32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// How much of source pixel i (in [0, n)) each target pixel of a scale from n to m covers, as the
// target's span [i * n / m, (i + 1) * n / m) in source pixels.
struct TSpan {
    int First = 0;
    std::vector<double> Weights; // of source pixels First, First + 1, ...
};

std::vector<TSpan> Spans(int from, int to) {
    std::vector<TSpan> spans(static_cast<std::size_t>(to));
    const double scale = static_cast<double>(from) / to;
    for (int i = 0; i < to; ++i) {
        const double lo = i * scale, hi = (i + 1) * scale;
        TSpan& span = spans[static_cast<std::size_t>(i)];
        span.First = static_cast<int>(std::floor(lo));
        const int last = std::min(from - 1, static_cast<int>(std::ceil(hi)) - 1);
        for (int s = span.First; s <= last; ++s)
            span.Weights.push_back((std::min<double>(s + 1, hi) - std::max<double>(s, lo)) / scale);
    }
    return spans;
}

int ScaleHot(int hot, int from, int to) {
    // The middle of the hot pixel, scaled, names the new hot pixel.
    const int scaled = static_cast<int>(std::floor((hot + 0.5) * to / from));
    return std::clamp(scaled, 0, std::max(to - 1, 0));
}

} // namespace

int PointerSide(int systemSide, std::uint32_t baseSize) noexcept {
    if (baseSize < kPointerBaseSize || baseSize > kMaxPointerBaseSize)
        baseSize = kPointerBaseSize;
    const long long side =
        (static_cast<long long>(systemSide) * baseSize + kPointerBaseSize / 2) / kPointerBaseSize;
    return static_cast<int>(std::clamp<long long>(side, 1, kMaxPointerSide));
}

int ChooseImage(const TAniImage* images, std::size_t count, int side) noexcept {
    int best = -1;
    for (std::size_t i = 0; i < count; ++i) {
        const int width = images[i].Width;
        if (best < 0) {
            best = static_cast<int>(i);
            continue;
        }
        const int bestWidth = images[best].Width;
        // Wider than needed beats too narrow; among the wide enough the narrowest, among the rest the widest.
        const bool better = bestWidth < side ? width > bestWidth : width >= side && width < bestWidth;
        if (better)
            best = static_cast<int>(i);
    }
    return best;
}

TCursorImage ScaleCursorImage(const TCursorImage& image, int width, int height) {
    TCursorImage out;
    out.Width = width;
    out.Height = height;
    out.HotX = ScaleHot(image.HotX, image.Width, width);
    out.HotY = ScaleHot(image.HotY, image.Height, height);
    out.Bgra.assign(static_cast<std::size_t>(width) * height * 4, 0);
    if (image.Width <= 0 || image.Height <= 0 || width <= 0 || height <= 0)
        return out;
    const std::vector<TSpan> xs = Spans(image.Width, width), ys = Spans(image.Height, height);
    for (int y = 0; y < height; ++y) {
        const TSpan& sy = ys[static_cast<std::size_t>(y)];
        for (int x = 0; x < width; ++x) {
            const TSpan& sx = xs[static_cast<std::size_t>(x)];
            double sum[4] = {}; // premultiplied colour and alpha
            for (std::size_t j = 0; j < sy.Weights.size(); ++j) {
                const std::uint8_t* row = &image.Bgra[(static_cast<std::size_t>(sy.First) + j) *
                                                      static_cast<std::size_t>(image.Width) * 4];
                for (std::size_t i = 0; i < sx.Weights.size(); ++i) {
                    const std::uint8_t* p = row + (static_cast<std::size_t>(sx.First) + i) * 4;
                    const double w = sy.Weights[j] * sx.Weights[i], a = p[3] * w;
                    sum[0] += p[0] * a;
                    sum[1] += p[1] * a;
                    sum[2] += p[2] * a;
                    sum[3] += a;
                }
            }
            std::uint8_t* d = &out.Bgra[(static_cast<std::size_t>(y) * width + x) * 4];
            const long alpha = std::lround(sum[3]);
            if (alpha <= 0)
                continue;
            for (int k = 0; k < 3; ++k)
                d[k] = static_cast<std::uint8_t>(std::clamp(std::lround(sum[k] / sum[3]), 0L, 255L));
            d[3] = static_cast<std::uint8_t>(std::min(alpha, 255L));
        }
    }
    return out;
}

std::vector<std::uint8_t> CursorFileBytes(const TCursorImage& image) {
    const int w = image.Width, h = image.Height;
    const std::uint32_t maskStride = static_cast<std::uint32_t>((w + 31) / 32 * 4);
    const std::uint32_t dibBytes =
        40 + static_cast<std::uint32_t>(w * h * 4) + maskStride * static_cast<std::uint32_t>(h);
    std::vector<std::uint8_t> o;
    o.reserve(6 + 16 + dibBytes);
    Put16(o, 0);
    Put16(o, 2); // a cursor
    Put16(o, 1);
    o.push_back(static_cast<std::uint8_t>(w >= 256 ? 0 : w));
    o.push_back(static_cast<std::uint8_t>(h >= 256 ? 0 : h));
    o.push_back(0);
    o.push_back(0);
    Put16(o, static_cast<unsigned>(image.HotX));
    Put16(o, static_cast<unsigned>(image.HotY));
    Put32(o, dibBytes);
    Put32(o, 6 + 16);
    Put32(o, 40);
    Put32(o, static_cast<std::uint32_t>(w));
    Put32(o, static_cast<std::uint32_t>(h * 2)); // colour and mask
    Put16(o, 1);
    Put16(o, 32);
    for (int i = 0; i < 6; ++i)
        Put32(o, 0);
    for (int y = h - 1; y >= 0; --y) { // bottom-up
        const auto row = image.Bgra.begin() + static_cast<std::ptrdiff_t>(y) * w * 4;
        o.insert(o.end(), row, row + static_cast<std::ptrdiff_t>(w) * 4);
    }
    for (int y = h - 1; y >= 0; --y) {
        const std::size_t at = o.size();
        o.resize(at + maskStride, 0);
        for (int x = 0; x < w; ++x)
            if (image.Bgra[(static_cast<std::size_t>(y) * w + x) * 4 + 3] == 0)
                o[at + static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    return o;
}

std::vector<std::uint8_t> ReplaceAniFrames(const std::uint8_t* file, std::size_t size,
                                           const TAniLayout& layout,
                                           const std::vector<std::vector<std::uint8_t>>& frames) {
    // The form as far as the file holds it; the frame list lies inside it.
    std::uint64_t riffEnd = layout.RiffAt + 8;
    if (riffEnd <= size) {
        const std::uint8_t* p = file + layout.RiffAt + 4;
        const std::uint32_t declared = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                                       std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
        riffEnd = std::min<std::uint64_t>(riffEnd + declared, size);
    }
    const std::uint64_t framEnd = std::min<std::uint64_t>(layout.FramEnd + (layout.FramEnd & 1u), riffEnd);
    std::vector<std::uint8_t> o(file + layout.RiffAt, file + layout.FramAt);
    o.insert(o.end(), {'L', 'I', 'S', 'T', 0, 0, 0, 0, 'f', 'r', 'a', 'm'});
    const std::size_t listSize = o.size() - 8;
    // The loader steps from frame to frame without pad bytes; cursor files have an even size anyway.
    for (const auto& frame : frames) {
        o.insert(o.end(), {'i', 'c', 'o', 'n'});
        Put32(o, static_cast<std::uint32_t>(frame.size()));
        o.insert(o.end(), frame.begin(), frame.end());
    }
    Set32(&o[listSize], static_cast<std::uint32_t>(o.size() - listSize - 4));
    const std::size_t afterList = o.size();
    if (framEnd < riffEnd)
        o.insert(o.end(), file + framEnd, file + riffEnd);
    Set32(&o[4], static_cast<std::uint32_t>(o.size() - 8));
    // Raw frame sizes in the header would make the loader stretch every frame back to them.
    const std::uint64_t anih = layout.AnihData < layout.FramAt ? layout.AnihData - layout.RiffAt
                                                               : afterList + (layout.AnihData - framEnd);
    if (anih + 20 <= o.size())
        std::memset(&o[static_cast<std::size_t>(anih + 12)], 0, 8);
    return o;
}

} // namespace dovex

#include "anicursor/AniCursorLoad.h"

#include <vector>

#include "anicursor/AniCurInfo.h"
#include "anicursor/AniSizing.h"

namespace dovex {

namespace {

constexpr DWORD kIconVersion = 0x00030000;
// Larger than any cursor a user collects; a bigger file is left to the system's own loader.
constexpr DWORD kMaxFileBytes = 64u << 20;

bool ReadWholeFile(const std::wstring& fileName, std::vector<std::uint8_t>& bytes) noexcept {
    const UniqueFile file(::CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 || size.QuadPart > kMaxFileBytes)
        return false;
    try {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
    } catch (...) {
        return false;
    }
    DWORD got = 0;
    return ::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
           got == bytes.size();
}

// The pixels of one image of a frame, as the system decodes it (bitmaps of any depth, PNG).
bool DecodeImage(const std::uint8_t* bits, const TAniImage& image, TCursorImage& out) {
    const UniqueHIcon icon(::CreateIconFromResourceEx(const_cast<PBYTE>(bits), image.Bytes, TRUE,
                                                      kIconVersion, image.Width, image.Height,
                                                      LR_DEFAULTCOLOR));
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon.get(), &info))
        return false;
    const UniqueHBitmap color(info.hbmColor), mask(info.hbmMask);
    const int w = image.Width, h = image.Height;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h; // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    const std::size_t pixels = static_cast<std::size_t>(w) * h;
    std::vector<std::uint32_t> rgb(pixels), and_(pixels), xor_(pixels);
    const HDC screen = ::GetDC(nullptr);
    bool read = screen != nullptr;
    if (read && color) {
        read = ::GetDIBits(screen, color.get(), 0, h, rgb.data(), &bi, DIB_RGB_COLORS) == h &&
               ::GetDIBits(screen, mask.get(), 0, h, and_.data(), &bi, DIB_RGB_COLORS) == h;
    } else if (read) {
        // A monochrome image: the mask bitmap holds the AND rows, then the XOR rows.
        std::vector<std::uint32_t> both(pixels * 2);
        bi.bmiHeader.biHeight = -2 * h;
        read = ::GetDIBits(screen, mask.get(), 0, 2 * h, both.data(), &bi, DIB_RGB_COLORS) == 2 * h;
        std::copy(both.begin(), both.begin() + static_cast<std::ptrdiff_t>(pixels), and_.begin());
        std::copy(both.begin() + static_cast<std::ptrdiff_t>(pixels), both.end(), rgb.begin());
    }
    if (screen)
        ::ReleaseDC(nullptr, screen);
    if (!read)
        return false;
    bool hasAlpha = false;
    for (const std::uint32_t p : rgb)
        hasAlpha |= (p >> 24) != 0;
    out.Width = w;
    out.Height = h;
    out.HotX = image.HotX;
    out.HotY = image.HotY;
    out.Bgra.resize(pixels * 4);
    for (std::size_t i = 0; i < pixels; ++i) {
        std::uint32_t p = rgb[i];
        if (!hasAlpha) {
            // Without alpha the mask decides; a pixel that inverts the screen is shown in its colour.
            const bool transparent = (and_[i] & 0xFFFFFF) != 0 && (p & 0xFFFFFF) == 0;
            p = transparent ? 0 : (p | 0xFF000000u);
        }
        for (int k = 0; k < 4; ++k)
            out.Bgra[i * 4 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(p >> (8 * k));
    }
    return true;
}

HCURSOR CursorFromBytes(const std::vector<std::uint8_t>& bytes, int width, int height) noexcept {
    return reinterpret_cast<HCURSOR>(
        ::CreateIconFromResourceEx(const_cast<PBYTE>(bytes.data()), static_cast<DWORD>(bytes.size()), FALSE,
                                   kIconVersion, width, height, LR_DEFAULTCOLOR));
}

HCURSOR LoadAtSize(const std::wstring& fileName, int side) {
    // The reader reads only the heads of the frames: enough to choose their images.
    TAniCursorInfo info;
    bool animated = false;
    try {
        animated = info.LoadFromFile(fileName);
    } catch (const Exception&) {
    }
    const TAniLayout& layout = info.Layout();
    const auto systemLoad = [&] {
        return static_cast<HCURSOR>(
            ::LoadImageW(nullptr, fileName.c_str(), IMAGE_CURSOR, side, side, LR_LOADFROMFILE));
    };
    if (!animated || layout.FrameCount() == 0)
        return systemLoad();

    std::vector<int> chosen;
    bool allFit = true;
    const auto choose = [&] {
        chosen.assign(layout.FrameCount(), -1);
        allFit = true;
        for (std::size_t f = 0; f < layout.FrameCount(); ++f) {
            chosen[f] = ChooseImage(layout.FrameImages(f), layout.FrameImageCount(f), side);
            if (chosen[f] < 0)
                return false;
            allFit &= layout.FrameImages(f)[chosen[f]].Width == side;
        }
        return true;
    };
    if (!choose())
        return nullptr;
    // Every frame has an image of that size: the system picks it itself, from the mapped file.
    if (allFit)
        return systemLoad();

    // The frames are scaled from the bytes read now, read again by the reader in case the file changed.
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(fileName, bytes))
        return nullptr;
    try {
        if (!info.LoadFromBytes(bytes.data(), bytes.size(), fileName) || layout.FrameCount() == 0 ||
            !choose())
            return nullptr;
    } catch (const Exception&) {
        return nullptr;
    }
    std::vector<std::vector<std::uint8_t>> frames;
    frames.reserve(layout.FrameCount());
    int height = side;
    for (std::size_t f = 0; f < layout.FrameCount(); ++f) {
        const TAniImage& image = layout.FrameImages(f)[chosen[f]];
        TCursorImage pixels;
        if (!DecodeImage(bytes.data() + image.Offset, image, pixels))
            return nullptr;
        if (image.Width != side) {
            const int scaledHeight = std::max(1, ::MulDiv(image.Height, side, image.Width));
            pixels = ScaleCursorImage(pixels, side, scaledHeight);
        }
        height = pixels.Height;
        frames.push_back(CursorFileBytes(pixels));
    }
    return CursorFromBytes(ReplaceAniFrames(bytes.data(), bytes.size(), layout, frames), side, height);
}

} // namespace

UniqueHCursor LoadCursorAtSize(const std::wstring& fileName, int side) noexcept {
    try {
        return UniqueHCursor(LoadAtSize(fileName, side));
    } catch (...) {
        return UniqueHCursor(); // out of memory: no cursor, as for a file the system cannot load
    }
}

} // namespace dovex

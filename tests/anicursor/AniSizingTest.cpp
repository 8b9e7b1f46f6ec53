// The size the show's cursors are made at and the image each frame gives for it.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstdint>
#include <vector>

#include "anicursor/AniCurInfo.h"
#include "anicursor/AniSizing.h"
#include "tests/anicursor/AniSamples.h"

using namespace dovex;

namespace {

std::vector<TAniImage> Images(const std::vector<int>& widths) {
    std::vector<TAniImage> images;
    for (const int width : widths) {
        TAniImage image;
        image.Width = image.Height = width;
        images.push_back(image);
    }
    return images;
}

// The width of the image chosen for `side`, or 0 for none.
int Chosen(const std::vector<int>& widths, int side) {
    const auto images = Images(widths);
    const int index = ChooseImage(images.data(), images.size(), side);
    return index < 0 ? 0 : images[static_cast<std::size_t>(index)].Width;
}

TCursorImage Solid(int width, int height, std::uint32_t bgra) {
    TCursorImage image;
    image.Width = width;
    image.Height = height;
    for (int i = 0; i < width * height; ++i)
        for (int k = 0; k < 4; ++k)
            image.Bgra.push_back(static_cast<std::uint8_t>(bgra >> (8 * k)));
    return image;
}

std::uint32_t Pixel(const TCursorImage& image, int x, int y) {
    const std::uint8_t* p = &image.Bgra[(static_cast<std::size_t>(y) * image.Width + x) * 4];
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

} // namespace

// The monitor's cursor size (32 at 96 DPI, 48 at 144, 64 at 192), the user's pointer size setting (0
// where none is stored) and the image sizes of a frame: the side the show's cursor is made at and the
// image it is made of.
TEST(AniSizing, SideAndImageForTheMonitorAndTheSetting) {
    const struct {
        int SystemSide;
        std::uint32_t BaseSize;
        std::vector<int> Widths;
        int Side, Image;
    } cases[] = {
        {32, 0, {32, 48, 64}, 32, 32},
        {48, 0, {32, 48, 64}, 48, 48},
        {32, 64, {32, 48, 64}, 64, 64},
        {48, 64, {32, 48, 64}, 96, 64},
        {48, 0, {32}, 48, 32},
        {32, 0, {128}, 32, 128},
        {40, 0, {32, 48, 64}, 40, 48},
        {40, 0, {64, 32, 48}, 40, 48},
        {32, 32, {48, 32}, 32, 32},
        {32, 48, {32, 48, 64}, 48, 48},
        {32, 16, {32, 48}, 32, 32},
        {32, 257, {32, 48}, 32, 32},
        {64, 256, {128}, 256, 128},
        {32, 128, {32, 48, 64, 96, 128}, 128, 128},
        {32, 0, {}, 32, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "system " << c.SystemSide << ", setting " << c.BaseSize << ", "
                                        << c.Widths.size() << " images");
        const int side = PointerSide(c.SystemSide, c.BaseSize);
        EXPECT_EQ(side, c.Side);
        EXPECT_EQ(Chosen(c.Widths, side), c.Image);
    }
}

// A 32-pixel image made 48 pixels: solid stays solid, a transparent border stays transparent without a
// dark fringe, and the hot spot keeps its place in the picture.
TEST(AniSizing, ScalingKeepsColoursEdgesAndTheHotSpot) {
    TCursorImage image = Solid(32, 32, 0x00000000);
    for (int y = 8; y < 24; ++y)
        for (int x = 9; x < 23; ++x)
            for (int k = 0; k < 4; ++k)
                image.Bgra[(static_cast<std::size_t>(y) * 32 + x) * 4 + static_cast<std::size_t>(k)] =
                    k == 2 || k == 3 ? 0xFF : 0; // opaque red
    image.HotX = 3;
    image.HotY = 2;
    const TCursorImage up = ScaleCursorImage(image, 48, 48);
    ASSERT_EQ(up.Bgra.size(), 48u * 48u * 4u);
    EXPECT_EQ(up.HotX, 5);
    EXPECT_EQ(up.HotY, 3);
    EXPECT_EQ(Pixel(up, 24, 24), 0xFFFF0000u);
    EXPECT_EQ(Pixel(up, 2, 2), 0u);
    // The edge pixel that is half red, half transparent is red at half opacity, not darkened.
    const std::uint32_t edge = Pixel(up, 13, 24); // covers source columns 8.67 .. 9.33
    EXPECT_EQ(edge & 0xFFFFFF, 0xFF0000u);
    EXPECT_GT(edge >> 24, 0u);
    EXPECT_LT(edge >> 24, 255u);

    const TCursorImage down = ScaleCursorImage(Solid(4, 4, 0x80204060), 2, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(Pixel(down, x, y), 0x80204060u);
    TCursorImage half = Solid(2, 1, 0xFF0000FF); // blue, then transparent
    half.Bgra[4 + 3] = 0;
    EXPECT_EQ(Pixel(ScaleCursorImage(half, 1, 1), 0, 0), 0x800000FFu);
}

// A sample rebuilt of 40-pixel frames: timing, texts and frame count as before, one image per frame,
// and no raw size in the header.
TEST(AniSizing, ReplacedFramesKeepEverythingElse) {
    dovex::TAniCursorInfo sample;
    const std::string bytes = anitest::ReadBytes(anitest::SamplesDir() / "ring32.ani");
    ASSERT_TRUE(sample.LoadFromBytes(bytes.data(), bytes.size(), std::filesystem::path("ring32.ani")));
    std::vector<std::vector<std::uint8_t>> frames;
    for (std::size_t f = 0; f < sample.Layout().FrameCount(); ++f) {
        TCursorImage image = Solid(40, 40, 0xFF00FF00);
        image.HotX = static_cast<int>(f);
        frames.push_back(CursorFileBytes(image));
    }
    const auto rebuilt = ReplaceAniFrames(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                                          sample.Layout(), frames);
    dovex::TAniCursorInfo info;
    ASSERT_TRUE(info.LoadFromBytes(rebuilt.data(), rebuilt.size(), std::filesystem::path("rebuilt.ani")));
    EXPECT_EQ(info.Title(), sample.Title());
    EXPECT_EQ(info.Rates(), sample.Rates());
    EXPECT_EQ(info.Sequence(), sample.Sequence());
    EXPECT_EQ(info.StepCount(), sample.StepCount());
    EXPECT_EQ(info.GetAniInfo(ahWidth), 0);
    ASSERT_EQ(info.Layout().FrameCount(), frames.size());
    for (std::size_t f = 0; f < frames.size(); ++f) {
        ASSERT_EQ(info.Layout().FrameImageCount(f), 1u);
        EXPECT_EQ(info.Layout().FrameImages(f)[0].Width, 40);
        EXPECT_EQ(info.Layout().FrameImages(f)[0].HotX, static_cast<int>(f));
    }
    EXPECT_LT(rebuilt.size(), bytes.size());
}

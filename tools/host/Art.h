// The original drawings: animated cursor designs, the program's icons and the sample cursor set.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/host/IconFiles.h"

namespace art {

struct Design {
    std::string id;
    int frames;
    double hotX, hotY; // unit coordinates
};

const std::vector<Design>& Designs();
const Design* FindDesign(const std::string& id);
Image DrawDesign(const Design& d, int size, int frame);

// A text as stored in the file (Shift-JIS) and the same text in UTF-8.
struct Text {
    std::string sjis;
    std::string utf8;
};

struct Sample {
    std::string file; // name in the samples folder
    std::string design;
    int size; // the size of each frame's first image
    std::uint32_t jifRate;
    std::uint32_t steps;
    std::optional<std::vector<std::uint32_t>> rates;
    std::optional<std::vector<std::uint32_t>> sequence;
    std::optional<Text> title;
    std::optional<Text> author;
};

// Every frame of a sample holds its picture at each of these sizes, drawn at that size, its own size
// first.
inline constexpr int kSampleSizes[] = {32, 48, 64, 96, 128};

const std::vector<Sample>& Samples();
AniRecipe BuildAni(const Sample& s);

// Program icons: every image of one .ico.
std::vector<Image> MainIcon();
std::vector<Image> TrayIcon(bool paused);
std::vector<Image> TrayAnimation(int frame); // 0..10
std::vector<Image> MenuImage(int index);     // 0 pause, 1 playlist, 2 settings, 3 help, 4 refresh, 5 exit
// The settings dialog: the home position tool (a cross-hair, its point in the middle) and the logo of the
// version page (137 x 40 on a white panel).
std::vector<Image> PositionTool();
Image Logo();
// The playlist window: tool bar and tree pictures 0..15 (see the window's action table), and the group
// picture of its information pane.
std::vector<Image> PlayListImage(int index);
std::vector<Image> GroupImage();

} // namespace art

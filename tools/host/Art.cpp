#include "tools/host/Art.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

#include "tools/host/Raster.h"

namespace art {

namespace {

constexpr double kPi = std::numbers::pi;
const Color kInk = Rgb(0x1B1B2A);
constexpr double kLine = 0.035;

Paint Radial(Pt c, double r, Color inner, Color outer) {
    return [=](double x, double y) {
        return Mix(inner, outer, std::min(1.0, std::hypot(x - c.x, y - c.y) / r));
    };
}

Paint Vertical(double y0, double y1, Color top, Color bottom) {
    return [=](double, double y) { return Mix(top, bottom, std::clamp((y - y0) / (y1 - y0), 0.0, 1.0)); };
}

double Phase(int frame, int frames) {
    return static_cast<double>(frame) / frames;
}

Shape Sparkle(Pt c, double r, double rotation) {
    return Star(c, r, r * 0.32, 4, rotation);
}

void DrawStar(Canvas& cv, double t) {
    const Pt c{0.5, 0.5};
    cv.FillOutlined(Star(c, 0.42, 0.18, 5, t * 2 * kPi / 5), Radial(c, 0.42, Rgb(0xFFF59D), Rgb(0xFFA000)),
                    Rgb(0x5D3A00), kLine);
    for (int k = 0; k < 3; ++k) {
        const double a = 2 * kPi * (t + k / 3.0);
        const double alpha = 0.5 + 0.5 * std::sin(2 * kPi * (t * 2 + k / 3.0));
        cv.Fill(Sparkle({0.5 + 0.4 * std::cos(a), 0.5 + 0.4 * std::sin(a)}, 0.09, 0), Rgb(0xFFFFFF, alpha));
    }
}

void DrawBall(Canvas& cv, double t) {
    const double fromTop = 1.0 - std::abs(2 * t - 1); // 0 at the top, 1 on the ground
    const double h = 1.0 - fromTop * fromTop;         // falling under gravity
    const double squash = 1.0 + 0.3 * std::pow(1.0 - h, 6);
    const double r = 0.18;
    const Pt c{0.5, 0.76 - 0.54 * h};
    cv.Fill(Ellipse({0.5, 0.92}, 0.18 - 0.08 * h, 0.04), Rgb(0x000000, 0.35 - 0.2 * h));
    const Pt bc{c.x, c.y + r * (1 - 1 / squash)};
    const Shape ball = Scale(Circle(bc, r), {bc.x, bc.y + r}, squash, 1 / squash);
    cv.FillOutlined(ball, Radial({bc.x - 0.06, bc.y - 0.07}, 0.26, Rgb(0xFF8A80), Rgb(0xC62828)), kInk,
                    kLine);
    cv.Fill(Ellipse({bc.x - 0.06, bc.y - 0.07}, 0.05, 0.035), Rgb(0xFFFFFF, 0.75));
}

void DrawClock(Canvas& cv, double t) {
    const Pt c{0.5, 0.5};
    cv.FillOutlined(Circle(c, 0.42), Radial({0.42, 0.4}, 0.5, Rgb(0xFFFFFF), Rgb(0xCFD8DC)), kInk, kLine);
    cv.Fill(Ring(c, 0.39, 0.035), Rgb(0x1565C0));
    for (int k = 0; k < 12; ++k) {
        const double a = k * kPi / 6;
        const double r0 = k % 3 == 0 ? 0.26 : 0.3;
        cv.Fill(Capsule({c.x + r0 * std::cos(a), c.y + r0 * std::sin(a)},
                        {c.x + 0.33 * std::cos(a), c.y + 0.33 * std::sin(a)}, 0.018),
                Rgb(0x37474F));
    }
    const double am = -kPi / 2 + 2 * kPi * t, ah = -kPi / 2 + 2 * kPi * (t / 12 + 1.0 / 3);
    cv.Fill(Capsule(c, {c.x + 0.18 * std::cos(ah), c.y + 0.18 * std::sin(ah)}, 0.04), Rgb(0x263238));
    cv.Fill(Capsule(c, {c.x + 0.29 * std::cos(am), c.y + 0.29 * std::sin(am)}, 0.028), Rgb(0xD32F2F));
    cv.Fill(Circle(c, 0.05), Rgb(0x263238));
}

void DrawRing(Canvas& cv, double t) {
    const Pt c{0.5, 0.5};
    for (int k = 2; k >= 0; --k) {
        const double p = std::fmod(t + k / 3.0, 1.0);
        const double alpha = 1.0 - p * p;
        cv.FillOutlined(Ring(c, 0.08 + 0.32 * p, 0.04), Rgb(0x00E5FF, alpha), Rgb(0x004D61, alpha),
                        kLine * 0.8);
    }
    cv.FillOutlined(Circle(c, 0.08), Rgb(0x00B8D4), kInk, kLine);
}

void DrawHourglass(Canvas& cv, double t) {
    const Shape top = Polygon({{0.25, 0.15}, {0.75, 0.15}, {0.53, 0.5}, {0.47, 0.5}});
    const Shape bottom = Polygon({{0.47, 0.5}, {0.53, 0.5}, {0.75, 0.85}, {0.25, 0.85}});
    const Shape glass = Grow(Union(top, bottom), 0.01);
    cv.FillOutlined(glass, Rgb(0xE1F5FE, 0.85), kInk, kLine);
    const Color sand = Rgb(0xFFB74D);
    const double yTop = 0.2 + 0.3 * t;
    cv.Fill(Intersect(Grow(top, -0.03), [yTop](double, double y) { return yTop - y; }), sand);
    const double yBot = 0.82 - 0.24 * t;
    cv.Fill(Intersect(Grow(bottom, -0.03), [yBot](double, double y) { return yBot - y; }), sand);
    if (t < 0.95)
        cv.Fill(Capsule({0.5, 0.48}, {0.5, yBot}, 0.015), sand);
    for (double y : {0.1, 0.9})
        cv.FillOutlined(RoundRect(0.16, y - 0.05, 0.84, y + 0.05, 0.025),
                        Vertical(y - 0.05, y + 0.05, Rgb(0xA1887F), Rgb(0x5D4037)), kInk, kLine);
}

Shape HeartShape(Pt c, double s) {
    const Shape lobes = Union(Circle({c.x - 0.15 * s, c.y - 0.1 * s}, 0.17 * s),
                              Circle({c.x + 0.15 * s, c.y - 0.1 * s}, 0.17 * s));
    return Union(lobes, Polygon({{c.x - 0.305 * s, c.y - 0.05 * s},
                                 {c.x + 0.305 * s, c.y - 0.05 * s},
                                 {c.x, c.y + 0.33 * s}}));
}

void DrawHeart(Canvas& cv, int frame) {
    static constexpr double kBeat[6] = {0.8, 0.95, 1.15, 1.0, 1.08, 0.9};
    const double s = kBeat[frame % 6];
    const Pt c{0.5, 0.52};
    cv.FillOutlined(HeartShape(c, s), Radial({0.4, 0.38}, 0.45 * s, Rgb(0xFF80AB), Rgb(0xC51162)), kInk,
                    kLine);
    cv.Fill(Ellipse({c.x - 0.13 * s, c.y - 0.14 * s}, 0.06 * s, 0.04 * s), Rgb(0xFFFFFF, 0.7));
}

Shape ArrowShape(double x0, double y0, double k) {
    static const Pt kPts[] = {{0, 0},       {0, 0.74},    {0.19, 0.58}, {0.32, 0.88},
                              {0.44, 0.83}, {0.31, 0.54}, {0.56, 0.54}};
    std::vector<Pt> pts;
    for (const auto& p : kPts)
        pts.push_back({x0 + p.x * k, y0 + p.y * k});
    return Polygon(std::move(pts));
}

void DrawArrow(Canvas& cv, double t) {
    cv.FillOutlined(
        ArrowShape(0.08, 0.06, 1.0), [t](double x, double y) { return Hsv(t + (x + y) * 0.6, 0.75, 1.0); },
        kInk, kLine);
}

void DrawDots(Canvas& cv, int frame, int frames) {
    const Pt c{0.5, 0.5};
    for (int k = 0; k < 8; ++k) {
        const double a = -kPi / 2 + k * kPi / 4;
        const int age = ((frame * 8 / frames) - k + 8) % 8;
        const double v = 1.0 - age / 8.0;
        const double r = 0.05 + 0.04 * v;
        cv.FillOutlined(Circle({c.x + 0.33 * std::cos(a), c.y + 0.33 * std::sin(a)}, r),
                        Hsv(0.58, 0.2 + 0.7 * v, 0.55 + 0.45 * v), kInk, kLine * 0.8);
    }
}

void DrawMoon(Canvas& cv, double t) {
    const Pt c{0.5, 0.5};
    const double r = 0.36;
    const Shape disc = Circle(c, r);
    cv.FillOutlined(disc, Rgb(0x37474F, 0.75), kInk, kLine);
    const double d = 2.1 * r * std::cos(2 * kPi * t);
    const Shape lit = Subtract(disc, Circle({c.x + d, c.y}, r * 1.02));
    cv.Fill(lit, Radial({0.42, 0.4}, 0.45, Rgb(0xFFFDE7), Rgb(0xFFE082)));
    for (int k = 0; k < 3; ++k) {
        static constexpr Pt kStars[3] = {{0.12, 0.14}, {0.88, 0.2}, {0.84, 0.86}};
        const double a = 0.5 + 0.5 * std::sin(2 * kPi * (t + k / 3.0));
        cv.Fill(Sparkle(kStars[k], 0.07 + 0.03 * a, 0), Rgb(0xFFF59D, 0.4 + 0.6 * a));
    }
}

void DrawBubbles(Canvas& cv, double t) {
    static constexpr double kX[5] = {0.3, 0.62, 0.45, 0.75, 0.22};
    static constexpr double kR[5] = {0.1, 0.07, 0.13, 0.06, 0.05};
    static constexpr double kOff[5] = {0.0, 0.2, 0.45, 0.65, 0.8};
    for (int k = 0; k < 5; ++k) {
        const double p = std::fmod(t + kOff[k], 1.0);
        const Pt c{kX[k] + 0.05 * std::sin(2 * kPi * (p * 2 + k * 0.3)), 0.95 - 0.9 * p};
        cv.Fill(Circle(c, kR[k]), Rgb(0x81D4FA, 0.35));
        cv.FillOutlined(Ring(c, kR[k], 0.02), Rgb(0x29B6F6), Rgb(0x01579B), kLine * 0.6);
        cv.Fill(Circle({c.x - kR[k] * 0.4, c.y - kR[k] * 0.4}, kR[k] * 0.25), Rgb(0xFFFFFF, 0.9));
    }
}

Image ToImage(const Canvas& cv, int hotX, int hotY) {
    return Image{cv.Width(), cv.Height(), cv.ToBGRA(), hotX, hotY};
}

Text Ascii(const char* s) {
    return Text{s, s};
}

std::vector<std::uint32_t> Iota(std::uint32_t n) {
    std::vector<std::uint32_t> v(n);
    for (std::uint32_t i = 0; i < n; ++i)
        v[i] = i;
    return v;
}

// Japanese texts: Shift-JIS bytes with their UTF-8 spelling.
const Text kTitleClock{"\x8e\x9e\x8c\x76", "時計"};
const Text kTitleHourglass{"\x8d\xbb\x8e\x9e\x8c\x76", "砂時計"};
const Text kTitleHeart{"\x83\x6e\x81\x5b\x83\x67", "ハート"};
const Text kTitleMoon{"\x8c\x8e\x82\xcc\x96\x9e\x82\xbf\x8c\x87\x82\xaf", "月の満ち欠け"};
const Text kTitleSoda{"\x83\x5c\x81\x5b\x83\x5f\x82\xcc\x96\x41", "ソーダの泡"};
const Text kTitleDots{"\x93\x5f\x82\xcc\x97\xd6", "点の輪"};
const Text kAuthorStudio{"Dovex \x8d\x48\x96\x5b", "Dovex 工房"};

// The arrow and sparkle of the program's logo, in a square of side k at (x0, y0).
void DrawLogo(Canvas& cv, double x0, double y0, double k, const Color& arrow, const Color& spark,
              double sparkAngle, double sparkScale) {
    cv.FillOutlined(ArrowShape(x0 + 0.06 * k, y0 + 0.04 * k, 0.95 * k), arrow, kInk, 0.05);
    const Pt sc{x0 + 0.74 * k, y0 + 0.28 * k};
    cv.FillOutlined(Sparkle(sc, 0.24 * k * sparkScale, sparkAngle), spark, kInk, 0.04);
}

std::vector<Image> Sizes(std::initializer_list<int> sizes, const std::function<void(Canvas&)>& draw) {
    std::vector<Image> out;
    for (int s : sizes) {
        Canvas cv(s, s);
        draw(cv);
        out.push_back(ToImage(cv, 0, 0));
    }
    return out;
}

// A folder seen from the front; open shows its front flap tilted back.
void DrawFolder(Canvas& cv, double x0, double y0, double x1, double y1, bool open) {
    const double w = x1 - x0, h = y1 - y0;
    const Shape back = Union(RoundRect(x0, y0 + 0.12 * h, x1, y1, 0.06 * w),
                             RoundRect(x0, y0, x0 + 0.42 * w, y0 + 0.3 * h, 0.05 * w));
    cv.FillOutlined(back, Vertical(y0, y1, Rgb(0xFFCA28), Rgb(0xF9A825)), kInk, 0.04);
    const Shape front = open ? Polygon({{x0 + 0.16 * w, y0 + 0.36 * h},
                                        {x1 + 0.02 * w, y0 + 0.36 * h},
                                        {x1 - 0.12 * w, y1},
                                        {x0, y1}})
                             : RoundRect(x0, y0 + 0.3 * h, x1, y1, 0.06 * w);
    cv.FillOutlined(front, Vertical(y0 + 0.3 * h, y1, Rgb(0xFFE082), Rgb(0xFFB300)), kInk, 0.04);
}

void DrawPlus(Canvas& cv, Pt c, double r) {
    const Shape plus = Union(RoundRect(c.x - r, c.y - r * 0.34, c.x + r, c.y + r * 0.34, r * 0.12),
                             RoundRect(c.x - r * 0.34, c.y - r, c.x + r * 0.34, c.y + r, r * 0.12));
    cv.FillOutlined(plus, Rgb(0x43A047), kInk, 0.04);
}

// An arrow pointing up (dir -1) or down (dir 1).
Shape VerticalArrow(double dir) {
    auto y = [dir](double v) { return 0.5 + dir * (v - 0.5); };
    return Polygon({{0.5, y(0.08)},
                    {0.9, y(0.5)},
                    {0.66, y(0.5)},
                    {0.66, y(0.92)},
                    {0.34, y(0.92)},
                    {0.34, y(0.5)},
                    {0.1, y(0.5)}});
}

Shape Triangle(double x0, double x1, double y0, double y1) {
    return Polygon({{x0, y0}, {x1, (y0 + y1) / 2}, {x0, y1}});
}

} // namespace

std::vector<Image> PlayListImage(int index) {
    return Sizes({16, 20, 24, 32, 48}, [index](Canvas& cv) {
        const Pt c{0.5, 0.5};
        const Color blue = Rgb(0x1E88E5), transport = Rgb(0x37474F);
        switch (index) {
        case 0: // add a group
            DrawFolder(cv, 0.04, 0.12, 0.8, 0.8, false);
            DrawPlus(cv, {0.74, 0.74}, 0.22);
            break;
        case 1: // add cursors
            cv.FillOutlined(ArrowShape(0.1, 0.04, 0.82), Rgb(0xFFFFFF), kInk, 0.05);
            DrawPlus(cv, {0.74, 0.74}, 0.22);
            break;
        case 2: // properties
            cv.FillOutlined(RoundRect(0.16, 0.06, 0.84, 0.94, 0.06), Rgb(0xFFFFFF), kInk, 0.04);
            for (int k = 0; k < 4; ++k)
                cv.Fill(Capsule({0.3, 0.26 + k * 0.16}, {k == 3 ? 0.52 : 0.7, 0.26 + k * 0.16}, 0.035),
                        Rgb(0x546E7A));
            break;
        case 3: // delete
            cv.FillOutlined(
                Union(Capsule({0.18, 0.18}, {0.82, 0.82}, 0.11), Capsule({0.82, 0.18}, {0.18, 0.82}, 0.11)),
                Rgb(0xE53935), kInk, 0.04);
            break;
        case 4: { // refresh
            const double a0 = -kPi / 2 + 0.5, a1 = -kPi / 2 + 2 * kPi - 0.9;
            const Pt p{c.x + 0.3 * std::cos(a1), c.y + 0.3 * std::sin(a1)};
            const Pt tan{-std::sin(a1), std::cos(a1)}, nor{std::cos(a1), std::sin(a1)};
            const Shape head = Polygon({{p.x + tan.x * 0.2, p.y + tan.y * 0.2},
                                        {p.x + nor.x * 0.17, p.y + nor.y * 0.17},
                                        {p.x - nor.x * 0.17, p.y - nor.y * 0.17}});
            cv.FillOutlined(Union(Arc(c, 0.3, 0.08, a0, a1), head), Rgb(0x43A047), kInk, 0.04);
            break;
        }
        case 5: // view styles
            for (int k = 0; k < 4; ++k) {
                const double x = 0.1 + (k % 2) * 0.44, y = 0.1 + (k / 2) * 0.44;
                cv.FillOutlined(RoundRect(x, y, x + 0.36, y + 0.36, 0.05), Hsv(0.55 + k * 0.08, 0.6, 0.95),
                                kInk, 0.04);
            }
            break;
        case 6: // up
            cv.FillOutlined(VerticalArrow(1), blue, kInk, 0.04);
            break;
        case 7: // down
            cv.FillOutlined(VerticalArrow(-1), blue, kInk, 0.04);
            break;
        case 8: // zoom
            cv.FillOutlined(Union(Ring({0.42, 0.42}, 0.26, 0.07), Capsule({0.62, 0.62}, {0.88, 0.88}, 0.09)),
                            Rgb(0x546E7A), kInk, 0.03);
            cv.Fill(Circle({0.42, 0.42}, 0.19), Rgb(0xB3E5FC, 0.8));
            break;
        case 9: // play
            cv.FillOutlined(Triangle(0.22, 0.86, 0.12, 0.88), Rgb(0x43A047), kInk, 0.04);
            break;
        case 10: // pause
            cv.FillOutlined(
                Union(RoundRect(0.2, 0.14, 0.42, 0.86, 0.04), RoundRect(0.58, 0.14, 0.8, 0.86, 0.04)),
                transport, kInk, 0.04);
            break;
        case 11: // stop
            cv.FillOutlined(RoundRect(0.18, 0.18, 0.82, 0.82, 0.05), transport, kInk, 0.04);
            break;
        case 12: // review
            cv.FillOutlined(Union(Triangle(0.52, 0.06, 0.16, 0.84), Triangle(0.94, 0.48, 0.16, 0.84)),
                            transport, kInk, 0.04);
            break;
        case 13: // cue
            cv.FillOutlined(Union(Triangle(0.06, 0.52, 0.16, 0.84), Triangle(0.48, 0.94, 0.16, 0.84)),
                            transport, kInk, 0.04);
            break;
        case 14: // a group
            DrawFolder(cv, 0.06, 0.14, 0.94, 0.86, false);
            break;
        default: // the shown group
            DrawFolder(cv, 0.06, 0.14, 0.94, 0.86, true);
            break;
        }
    });
}

std::vector<Image> GroupImage() {
    return Sizes({32, 40, 48, 64}, [](Canvas& cv) {
        DrawFolder(cv, 0.04, 0.14, 0.96, 0.9, false);
        DrawLogo(cv, 0.3, 0.26, 0.6, Rgb(0xFFFFFF), Rgb(0xFFC107), 0, 1.0);
    });
}

const std::vector<Design>& Designs() {
    static const std::vector<Design> designs = {
        {"star", 8, 0.5, 0.5},      {"ball", 10, 0.5, 0.5},   {"clock", 12, 0.5, 0.5},  {"ring", 8, 0.5, 0.5},
        {"hourglass", 8, 0.5, 0.5}, {"heart", 6, 0.5, 0.5},   {"arrow", 8, 0.08, 0.06}, {"dots", 8, 0.5, 0.5},
        {"moon", 8, 0.5, 0.5},      {"bubbles", 8, 0.5, 0.5},
    };
    return designs;
}

const Design* FindDesign(const std::string& id) {
    for (const auto& d : Designs())
        if (d.id == id)
            return &d;
    return nullptr;
}

Image DrawDesign(const Design& d, int size, int frame) {
    Canvas cv(size, size);
    const double t = Phase(frame, d.frames);
    if (d.id == "star")
        DrawStar(cv, t);
    else if (d.id == "ball")
        DrawBall(cv, t);
    else if (d.id == "clock")
        DrawClock(cv, t);
    else if (d.id == "ring")
        DrawRing(cv, t);
    else if (d.id == "hourglass")
        DrawHourglass(cv, t);
    else if (d.id == "heart")
        DrawHeart(cv, frame);
    else if (d.id == "arrow")
        DrawArrow(cv, t);
    else if (d.id == "dots")
        DrawDots(cv, frame, d.frames);
    else if (d.id == "moon")
        DrawMoon(cv, t);
    else if (d.id == "bubbles")
        DrawBubbles(cv, t);
    const int hotX = std::min(size - 1, static_cast<int>(std::lround(d.hotX * size)));
    const int hotY = std::min(size - 1, static_cast<int>(std::lround(d.hotY * size)));
    return ToImage(cv, hotX, hotY);
}

const std::vector<Sample>& Samples() {
    using V = std::vector<std::uint32_t>;
    static const std::vector<Sample> samples = {
        {"star32.ani", "star", 32, 6, 8, {}, {}, Ascii("Spinning Star"), Ascii("Dovex Art")},
        {"ball32.ani", "ball", 32, 5, 10, V{8, 5, 3, 2, 2, 2, 2, 3, 5, 8}, {}, {}, {}},
        {"clock32.ani", "clock", 32, 10, 12, {}, {}, kTitleClock, kAuthorStudio},
        {"ring32.ani",
         "ring",
         32,
         4,
         14,
         V{4, 4, 4, 4, 4, 4, 4, 9, 4, 4, 4, 4, 4, 4},
         V{0, 1, 2, 3, 4, 5, 6, 7, 6, 5, 4, 3, 2, 1},
         Ascii("Pulse Ring"),
         {}},
        {"hourglass32.ani",
         "hourglass",
         32,
         8,
         11,
         {},
         V{0, 1, 2, 3, 4, 5, 6, 7, 7, 7, 7},
         kTitleHourglass,
         {}},
        {"heart32.ani", "heart", 32, 6, 8, V{4, 4, 4, 4, 4, 4, 10, 20}, V{0, 1, 2, 3, 4, 5, 0, 0},
         kTitleHeart, kAuthorStudio},
        {"arrow32.ani", "arrow", 32, 4, 8, {}, {}, {}, {}},
        {"dots32.ani", "dots", 32, 5, 8, {}, {}, {}, Ascii("Dovex Art")},
        {"moon32.ani", "moon", 32, 15, 8, V{30, 15, 15, 15, 30, 15, 15, 15}, Iota(8), kTitleMoon,
         Ascii("Dovex Art")},
        {"bubbles32.ani", "bubbles", 32, 6, 8, {}, {}, kTitleSoda, {}},
        {"star48.ani", "star", 48, 5, 8, {}, {}, Ascii("Spinning Star 48"), {}},
        {"dots48.ani",
         "dots",
         48,
         3,
         16,
         {},
         V{0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7},
         kTitleDots,
         {}},
        {"clock64.ani", "clock", 64, 10, 12, V(12, 10), {}, kTitleClock, {}},
        {"heart64.ani", "heart", 64, 6, 6, V{3, 3, 3, 3, 3, 12}, {}, kTitleHeart, kAuthorStudio},
        {"moon64.ani", "moon", 64, 12, 8, {}, {}, {}, {}},
    };
    return samples;
}

AniRecipe BuildAni(const Sample& s) {
    const Design& d = *FindDesign(s.design);
    AniRecipe recipe;
    for (int f = 0; f < d.frames; ++f) {
        recipe.frames.push_back(DrawDesign(d, s.size, f));
        auto& more = recipe.moreImages.emplace_back();
        for (const int size : kSampleSizes)
            if (size != s.size)
                more.push_back(DrawDesign(d, size, f));
    }
    recipe.steps = s.steps;
    recipe.jifRate = s.jifRate;
    recipe.rates = s.rates;
    recipe.sequence = s.sequence;
    if (s.title)
        recipe.title = s.title->sjis;
    if (s.author)
        recipe.author = s.author->sjis;
    return recipe;
}

std::vector<Image> MainIcon() {
    return Sizes({16, 20, 24, 32, 48}, [](Canvas& cv) {
        cv.FillOutlined(RoundRect(0.05, 0.05, 0.95, 0.95, 0.2),
                        Vertical(0.05, 0.95, Rgb(0x4FC3F7), Rgb(0x1565C0)), Rgb(0x0D2A5C), 0.03);
        DrawLogo(cv, 0.14, 0.12, 0.8, Rgb(0xFFFFFF), Rgb(0xFFD54F), 0, 1.0);
    });
}

std::vector<Image> TrayIcon(bool paused) {
    return Sizes({16, 20, 24, 32, 48}, [paused](Canvas& cv) {
        if (!paused) {
            DrawLogo(cv, 0.02, 0.02, 1.0, Rgb(0xFFFFFF), Rgb(0xFFC107), 0, 1.0);
            return;
        }
        DrawLogo(cv, 0.02, 0.02, 1.0, Rgb(0xCFD8DC), Rgb(0x90A4AE), 0, 1.0);
        const Pt c{0.7, 0.7};
        cv.FillOutlined(Circle(c, 0.27), Rgb(0xFB8C00), kInk, 0.04);
        cv.Fill(RoundRect(c.x - 0.13, c.y - 0.14, c.x - 0.04, c.y + 0.14, 0.02), Rgb(0xFFFFFF));
        cv.Fill(RoundRect(c.x + 0.04, c.y - 0.14, c.x + 0.13, c.y + 0.14, 0.02), Rgb(0xFFFFFF));
    });
}

std::vector<Image> TrayAnimation(int frame) {
    return Sizes({16, 32}, [frame](Canvas& cv) {
        const double t = frame / 11.0;
        const Color spark = Hsv(0.12 + t, 0.75, 1.0);
        DrawLogo(cv, 0.02, 0.02, 1.0, Rgb(0xFFFFFF), spark, t * kPi / 2, 0.75 + 0.35 * std::sin(2 * kPi * t));
        const double a = 2 * kPi * t;
        const Pt orbit{0.74 + 0.2 * std::cos(a + kPi / 2), 0.3 + 0.2 * std::sin(a + kPi / 2)};
        cv.FillOutlined(Sparkle(orbit, 0.1, 0), Hsv(0.62 + t, 0.5, 1.0), kInk, 0.03);
    });
}

std::vector<Image> MenuImage(int index) {
    return Sizes({16, 20, 24, 32}, [index](Canvas& cv) {
        const Pt c{0.5, 0.5};
        switch (index) {
        case 0: // pause
            cv.FillOutlined(RoundRect(0.2, 0.14, 0.42, 0.86, 0.05),
                            Vertical(0.14, 0.86, Rgb(0x78909C), Rgb(0x37474F)), kInk, 0.04);
            cv.FillOutlined(RoundRect(0.58, 0.14, 0.8, 0.86, 0.05),
                            Vertical(0.14, 0.86, Rgb(0x78909C), Rgb(0x37474F)), kInk, 0.04);
            break;
        case 1: // playlist
            for (int k = 0; k < 3; ++k) {
                const double y = 0.22 + k * 0.28;
                cv.FillOutlined(Circle({0.16, y}, 0.09), Hsv(0.55 + k * 0.12, 0.7, 0.95), kInk, 0.04);
                cv.FillOutlined(Capsule({0.38, y}, {0.88, y}, 0.06), Rgb(0x546E7A), kInk, 0.03);
            }
            break;
        case 2: { // settings
            Shape gear = Circle(c, 0.3);
            for (int k = 0; k < 8; ++k)
                gear = Union(gear, Rotate(RoundRect(0.42, 0.06, 0.58, 0.3, 0.03), c, k * kPi / 4));
            cv.FillOutlined(Subtract(gear, Circle(c, 0.12)),
                            Radial({0.4, 0.35}, 0.6, Rgb(0xB0BEC5), Rgb(0x546E7A)), kInk, 0.04);
            break;
        }
        case 3: // help
            cv.FillOutlined(Circle(c, 0.44), Radial({0.4, 0.35}, 0.55, Rgb(0x64B5F6), Rgb(0x1565C0)), kInk,
                            0.04);
            cv.Fill(Arc({0.5, 0.38}, 0.14, 0.065, kPi, 2.5 * kPi - 0.2), Rgb(0xFFFFFF));
            cv.Fill(Capsule({0.5, 0.52}, {0.5, 0.58}, 0.065), Rgb(0xFFFFFF));
            cv.Fill(Circle({0.5, 0.76}, 0.07), Rgb(0xFFFFFF));
            break;
        case 4: { // refresh
            const double a0 = -kPi / 2 + 0.5, a1 = -kPi / 2 + 2 * kPi - 0.9;
            const Pt p{c.x + 0.3 * std::cos(a1), c.y + 0.3 * std::sin(a1)};
            const Pt tan{-std::sin(a1), std::cos(a1)}, nor{std::cos(a1), std::sin(a1)};
            const Shape head = Polygon({{p.x + tan.x * 0.2, p.y + tan.y * 0.2},
                                        {p.x + nor.x * 0.17, p.y + nor.y * 0.17},
                                        {p.x - nor.x * 0.17, p.y - nor.y * 0.17}});
            cv.FillOutlined(Union(Arc(c, 0.3, 0.08, a0, a1), head), Rgb(0x43A047), kInk, 0.04);
            break;
        }
        default: // exit
            cv.FillOutlined(Union(Arc({0.5, 0.54}, 0.31, 0.08, -kPi / 2 + 0.7, -kPi / 2 + 2 * kPi - 0.7),
                                  Capsule({0.5, 0.1}, {0.5, 0.48}, 0.08)),
                            Rgb(0xE53935), kInk, 0.04);
            break;
        }
    });
}

std::vector<Image> PositionTool() {
    return Sizes({32, 48, 64}, [](Canvas& cv) {
        const Pt c{0.5, 0.5};
        cv.FillOutlined(Ring(c, 0.3, 0.055), Rgb(0xE53935), kInk, 0.03);
        const Color hair = Rgb(0x263238);
        for (int k = 0; k < 4; ++k) {
            const double a = k * kPi / 2;
            const Pt outer{c.x + 0.47 * std::cos(a), c.y + 0.47 * std::sin(a)};
            const Pt inner{c.x + 0.13 * std::cos(a), c.y + 0.13 * std::sin(a)};
            cv.FillOutlined(Capsule(inner, outer, 0.025), hair, Rgb(0xFFFFFF), 0.02);
        }
        cv.FillOutlined(Circle(c, 0.045), Rgb(0xE53935), Rgb(0xFFFFFF), 0.02);
    });
}

Image Logo() {
    constexpr int kWidth = 137, kHeight = 40;
    constexpr double kAspect = double(kWidth) / kHeight;
    // The drawing is made in units of the height (x runs from 0 to kAspect); the canvas counts in units
    // of its width along x and of its height along y.
    auto wide = [&](Shape s) -> Shape {
        return [=](double x, double y) { return s(x * kAspect, y) / kAspect; };
    };
    auto widePaint = [&](Paint p) -> Paint { return [=](double x, double y) { return p(x * kAspect, y); }; };
    Canvas cv(kWidth, kHeight);
    const double w = 0.055; // half the width of a letter's stroke
    Shape letters = Union(Capsule({1.06, 0.2}, {1.06, 0.8}, w), Capsule({1.06, 0.2}, {1.2, 0.2}, w));
    letters = Union(letters, Capsule({1.06, 0.8}, {1.2, 0.8}, w));
    letters = Union(letters, Arc({1.2, 0.5}, 0.3, w, -kPi / 2, kPi / 2)); // D
    letters = Union(letters, Ring({1.79, 0.58}, 0.19, w));                // o
    letters = Union(letters, Capsule({2.1, 0.38}, {2.25, 0.8}, w));       // v
    letters = Union(letters, Capsule({2.25, 0.8}, {2.4, 0.38}, w));
    letters = Union(letters, Arc({2.68, 0.58}, 0.19, w, 0.75, 2 * kPi)); // e
    letters = Union(letters, Capsule({2.5, 0.58}, {2.87, 0.58}, w * 0.8));
    letters = Union(letters, Capsule({2.99, 0.38}, {3.3, 0.8}, w)); // x
    letters = Union(letters, Capsule({3.3, 0.38}, {2.99, 0.8}, w));
    cv.Fill(wide(letters), widePaint(Vertical(0.15, 0.85, Rgb(0x1E88E5), Rgb(0x0D2A5C))));
    // The arrow and its sparkle, as on the program's icon.
    cv.FillOutlined(wide(ArrowShape(0.1, 0.08, 0.86)),
                    widePaint(Vertical(0.08, 0.9, Rgb(0x4FC3F7), Rgb(0x1565C0))), kInk, 0.05 / kAspect);
    cv.FillOutlined(wide(Sparkle({0.76, 0.28}, 0.2, 0)), Rgb(0xFFC107), kInk, 0.04 / kAspect);
    return ToImage(cv, 0, 0);
}

} // namespace art

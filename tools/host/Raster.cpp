#include "tools/host/Raster.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace art {

namespace {
double Clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}
double Len(double x, double y) {
    return std::sqrt(x * x + y * y);
}
} // namespace

Color Rgb(unsigned hex, double alpha) {
    return {((hex >> 16) & 0xFF) / 255.0, ((hex >> 8) & 0xFF) / 255.0, (hex & 0xFF) / 255.0, alpha};
}

Color Mix(const Color& x, const Color& y, double t) {
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

Color Hsv(double hue, double sat, double val, double alpha) {
    hue = std::fmod(hue, 1.0);
    if (hue < 0)
        hue += 1.0;
    const double h = hue * 6.0;
    const int i = static_cast<int>(h) % 6;
    const double f = h - std::floor(h);
    const double p = val * (1 - sat), q = val * (1 - sat * f), t = val * (1 - sat * (1 - f));
    switch (i) {
    case 0:
        return {val, t, p, alpha};
    case 1:
        return {q, val, p, alpha};
    case 2:
        return {p, val, t, alpha};
    case 3:
        return {p, q, val, alpha};
    case 4:
        return {t, p, val, alpha};
    default:
        return {val, p, q, alpha};
    }
}

Pt Rot(Pt p, Pt c, double angle) {
    const double s = std::sin(angle), co = std::cos(angle);
    const double x = p.x - c.x, y = p.y - c.y;
    return {c.x + x * co - y * s, c.y + x * s + y * co};
}

Shape Circle(Pt c, double r) {
    return [=](double x, double y) { return Len(x - c.x, y - c.y) - r; };
}

Shape Ellipse(Pt c, double rx, double ry) {
    // Scaled distance: exact enough for anti-aliasing of moderate eccentricities.
    return [=](double x, double y) {
        const double k = Len((x - c.x) / rx, (y - c.y) / ry);
        return (k - 1.0) * std::min(rx, ry);
    };
}

Shape Ring(Pt c, double r, double halfWidth) {
    return [=](double x, double y) { return std::abs(Len(x - c.x, y - c.y) - r) - halfWidth; };
}

Shape Capsule(Pt a, Pt b, double r) {
    return [=](double x, double y) {
        const double px = x - a.x, py = y - a.y, bx = b.x - a.x, by = b.y - a.y;
        const double bb = bx * bx + by * by;
        const double h = bb > 0 ? Clamp01((px * bx + py * by) / bb) : 0.0;
        return Len(px - bx * h, py - by * h) - r;
    };
}

Shape Polygon(std::vector<Pt> pts) {
    return [pts = std::move(pts)](double x, double y) {
        double d = 1e9;
        bool inside = false;
        const std::size_t n = pts.size();
        for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
            const Pt a = pts[j], b = pts[i];
            const double ex = b.x - a.x, ey = b.y - a.y, wx = x - a.x, wy = y - a.y;
            const double ee = ex * ex + ey * ey;
            const double h = ee > 0 ? Clamp01((wx * ex + wy * ey) / ee) : 0.0;
            d = std::min(d, Len(wx - ex * h, wy - ey * h));
            if ((a.y > y) != (b.y > y) && x < a.x + (y - a.y) * ex / ey)
                inside = !inside;
        }
        return inside ? -d : d;
    };
}

Shape RoundRect(double x0, double y0, double x1, double y1, double r) {
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2, hx = (x1 - x0) / 2 - r, hy = (y1 - y0) / 2 - r;
    return [=](double x, double y) {
        const double qx = std::abs(x - cx) - hx, qy = std::abs(y - cy) - hy;
        return Len(std::max(qx, 0.0), std::max(qy, 0.0)) + std::min(std::max(qx, qy), 0.0) - r;
    };
}

Shape Arc(Pt c, double r, double halfWidth, double a0, double a1) {
    const Pt p0{c.x + r * std::cos(a0), c.y + r * std::sin(a0)};
    const Pt p1{c.x + r * std::cos(a1), c.y + r * std::sin(a1)};
    return [=](double x, double y) {
        double a = std::atan2(y - c.y, x - c.x);
        const double twoPi = 2 * std::numbers::pi;
        double rel = std::fmod(a - a0, twoPi);
        if (rel < 0)
            rel += twoPi;
        if (rel <= a1 - a0)
            return std::abs(Len(x - c.x, y - c.y) - r) - halfWidth;
        return std::min(Len(x - p0.x, y - p0.y), Len(x - p1.x, y - p1.y)) - halfWidth;
    };
}

Shape Star(Pt c, double rOuter, double rInner, int points, double rotation) {
    std::vector<Pt> pts;
    for (int i = 0; i < points * 2; ++i) {
        const double ang = rotation - std::numbers::pi / 2 + i * std::numbers::pi / points;
        const double r = (i % 2 == 0) ? rOuter : rInner;
        pts.push_back({c.x + r * std::cos(ang), c.y + r * std::sin(ang)});
    }
    return Polygon(std::move(pts));
}

Shape Union(Shape a, Shape b) {
    return [=](double x, double y) { return std::min(a(x, y), b(x, y)); };
}
Shape Intersect(Shape a, Shape b) {
    return [=](double x, double y) { return std::max(a(x, y), b(x, y)); };
}
Shape Subtract(Shape a, Shape b) {
    return [=](double x, double y) { return std::max(a(x, y), -b(x, y)); };
}
Shape Grow(Shape a, double d) {
    return [=](double x, double y) { return a(x, y) - d; };
}
Shape Rotate(Shape a, Pt c, double angle) {
    return [=](double x, double y) {
        const Pt p = Rot({x, y}, c, -angle);
        return a(p.x, p.y);
    };
}
Shape Scale(Shape a, Pt c, double sx, double sy) {
    return
        [=](double x, double y) { return a(c.x + (x - c.x) / sx, c.y + (y - c.y) / sy) * std::min(sx, sy); };
}
Shape Move(Shape a, double dx, double dy) {
    return [=](double x, double y) { return a(x - dx, y - dy); };
}

Canvas::Canvas(int width, int height) : FW(width), FH(height), FPx(std::size_t(width) * height * 4, 0.0) {}

void Canvas::Fill(const Shape& s, const Color& c) {
    Fill(s, [c](double, double) { return c; });
}

void Canvas::Fill(const Shape& s, const Paint& p) {
    const double unitPerPx = 1.0 / FW;
    for (int py = 0; py < FH; ++py) {
        for (int px = 0; px < FW; ++px) {
            const double x = (px + 0.5) / FW, y = (py + 0.5) / FH;
            const double cover = Clamp01(0.5 - s(x, y) / unitPerPx);
            if (cover <= 0)
                continue;
            const Color c = p(x, y);
            const double a = Clamp01(c.a) * cover;
            double* d = &FPx[(std::size_t(py) * FW + px) * 4];
            d[0] = c.r * a + d[0] * (1 - a);
            d[1] = c.g * a + d[1] * (1 - a);
            d[2] = c.b * a + d[2] * (1 - a);
            d[3] = a + d[3] * (1 - a);
        }
    }
}

void Canvas::FillOutlined(const Shape& s, const Color& fill, const Color& line, double width) {
    Fill(Grow(s, width), line);
    Fill(s, fill);
}

void Canvas::FillOutlined(const Shape& s, const Paint& fill, const Color& line, double width) {
    Fill(Grow(s, width), line);
    Fill(s, fill);
}

std::vector<std::uint8_t> Canvas::ToBGRA() const {
    std::vector<std::uint8_t> out(std::size_t(FW) * FH * 4);
    for (std::size_t i = 0; i < std::size_t(FW) * FH; ++i) {
        const double a = FPx[i * 4 + 3];
        auto chan = [&](double v) {
            return static_cast<std::uint8_t>(std::lround(Clamp01(a > 0 ? v / a : 0) * 255));
        };
        out[i * 4 + 0] = chan(FPx[i * 4 + 2]);
        out[i * 4 + 1] = chan(FPx[i * 4 + 1]);
        out[i * 4 + 2] = chan(FPx[i * 4 + 0]);
        out[i * 4 + 3] = static_cast<std::uint8_t>(std::lround(Clamp01(a) * 255));
    }
    return out;
}

} // namespace art

// A small portable raster: an RGBA canvas and anti-aliased shapes given as signed distance functions in
// unit coordinates (0..1 across the canvas), so one drawing serves every size.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace art {

struct Color {
    double r = 0, g = 0, b = 0, a = 1;
};

Color Rgb(unsigned hex, double alpha = 1.0);
Color Mix(const Color& x, const Color& y, double t);
Color Hsv(double hue, double sat, double val, double alpha = 1.0);

struct Pt {
    double x = 0, y = 0;
};

// Signed distance in unit coordinates: negative inside.
using Shape = std::function<double(double, double)>;
using Paint = std::function<Color(double, double)>;

Shape Circle(Pt c, double r);
Shape Ellipse(Pt c, double rx, double ry);
Shape Ring(Pt c, double r, double halfWidth);
Shape Capsule(Pt a, Pt b, double r);
Shape Polygon(std::vector<Pt> pts);
Shape RoundRect(double x0, double y0, double x1, double y1, double r);
// Arc of a ring from angle a0 to a1 (radians, clockwise on screen from the +x axis), round caps.
Shape Arc(Pt c, double r, double halfWidth, double a0, double a1);
Shape Star(Pt c, double rOuter, double rInner, int points, double rotation);

Shape Union(Shape a, Shape b);
Shape Intersect(Shape a, Shape b);
Shape Subtract(Shape a, Shape b);
Shape Grow(Shape a, double d);
Shape Rotate(Shape a, Pt center, double angle);
Shape Scale(Shape a, Pt center, double sx, double sy);
Shape Move(Shape a, double dx, double dy);

Pt Rot(Pt p, Pt c, double angle);

class Canvas {
public:
    Canvas(int width, int height);
    int Width() const { return FW; }
    int Height() const { return FH; }

    void Fill(const Shape& s, const Color& c);
    void Fill(const Shape& s, const Paint& p);
    // Shape filled and outlined (outline width in unit coordinates, drawn outside the shape).
    void FillOutlined(const Shape& s, const Color& fill, const Color& line, double width);
    void FillOutlined(const Shape& s, const Paint& fill, const Color& line, double width);

    // 8-bit BGRA rows top to bottom, straight (not premultiplied) alpha.
    std::vector<std::uint8_t> ToBGRA() const;

private:
    int FW, FH;
    std::vector<double> FPx; // premultiplied RGBA
};

} // namespace art

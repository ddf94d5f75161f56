#pragma once
// The oblique projection of the geometry tab and the pixel conversions that the
// geometry drawing and the distance controls share.

#include <cstdint>

namespace measurement {

// Pixel offsets of a projected point from the projection origin: h to the right, v up.
struct ProjectedPoint {
    std::int32_t h;
    std::int32_t v;
};

// Farthest a computed pixel coordinate may lie from zero. Every drawing area is far
// smaller, and the limit keeps sums of coordinates and the painter's own arithmetic
// clear of overflow whatever geometry was typed in.
inline constexpr std::int32_t PixelLimit = 30000;

// Truncates toward zero, limited to -PixelLimit..PixelLimit; NaN gives 0.
std::int32_t TruncPixel(double value);

// Truncates toward zero, but a value that lies within rounding noise of a whole number
// (a few units in the last place) counts as that number, so that a distance typed or set
// in tenths of a cm maps back to its own tenth: (3.1 + 1.5 - 1.5) * 10 is
// 30.999999999999996 in binary arithmetic and must give 31, not 30. Limited and NaN-safe
// like TruncPixel.
std::int32_t TruncSteps(double value);

// Projects the point (X, Y, Z), in projection units (pixels), at the angle 0.4 rad:
// h = Trunc(Z cos 0.4 - Y cos 0.4), v = Trunc(X - Z sin 0.4 - Y sin 0.4).
// X points up, Z to the right and down, Y to the left and down. On screen the point lies
// at (origin x + h, origin y - v).
ProjectedPoint ProjectPoint(double X, double Y, double Z);

} // namespace measurement

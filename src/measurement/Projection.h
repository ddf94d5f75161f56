#pragma once
// The oblique projection of the geometry tab and the pixel conversions that the
// geometry drawing and the distance controls share.

#include "model/Session.h"

#include <cstdint>

namespace measurement {

// Pixel offsets of a projected point from the projection origin: h to the right, v up.
struct ProjectedPoint {
    std::int32_t h;
    std::int32_t v;
};

// The pixel truncations of the model, shared with the geometry drawing.
using model::PixelLimit;
using model::TruncPixel;
using model::TruncSteps;

// Projects the point (X, Y, Z), in projection units (pixels), at the angle 0.4 rad:
// h = Trunc(Z cos 0.4 - Y cos 0.4), v = Trunc(X - Z sin 0.4 - Y sin 0.4).
// X points up, Z to the right and down, Y to the left and down. On screen the point lies
// at (origin x + h, origin y - v).
ProjectedPoint ProjectPoint(double X, double Y, double Z);

} // namespace measurement

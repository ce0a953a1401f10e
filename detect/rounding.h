#pragma once
// Every scaled size, position and slack of the detector is rounded the same way: to the nearest
// integer with halves going to the even neighbour. The detector's results depend on it (a 30-pixel
// window has the inset 4, not 5), so it lives in one place.

#include <cmath>

// v is computed in double precision by the caller. Adding and removing 2^52 leaves no fraction
// bits, so the addition rounds v to an integer exactly as the default rounding mode (nearest,
// halves to even) does; this is what std::nearbyint does too, without a library call in the
// detector's inner loops. Values of 2^52 and beyond are integers already.
inline int nearest(double v)
{
    constexpr double shift = 4503599627370496.0;  // 2^52
    if (std::fabs(v) < shift) {
        const double rounded = v >= 0.0 ? (v + shift) - shift : -((-v + shift) - shift);
        return static_cast<int>(rounded);
    }
    return static_cast<int>(std::nearbyint(v));
}

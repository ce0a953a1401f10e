#pragma once
// Every scaled size, position and slack of the detector is rounded the same way: to the nearest
// integer with halves going to the even neighbour. The detector's results depend on it (a 30-pixel
// window has the inset 4, not 5), so it lives in one place.

#include <cmath>

// v is computed in double precision by the caller; rounding follows the default rounding mode,
// which the program never changes.
inline int nearest(double v) { return static_cast<int>(std::nearbyint(v)); }

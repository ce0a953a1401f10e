#pragma once
// The lower outline of a face as four curvature coefficients of half-parabolas
// row = vertexRow - a x (column - vertexColumn)^2. A field stays unset until a candidate improves
// on the best count so far; an unset field fails every validity test.

#include <optional>

struct FaceMeasures {
    std::optional<int> x0;     // column of the lowest outline point
    std::optional<int> y0;     // row of the lowest outline point
    std::optional<double> a1;  // left lower curve
    std::optional<double> a2;  // right lower curve
    std::optional<double> a3;  // left side curve
    std::optional<double> a4;  // right side curve
};

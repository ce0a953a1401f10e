#pragma once
// The lower outline of a face as four half-parabola coefficients. Two curves meeting at the
// lowest point below the mouth (a1 left, a2 right) are fitted by brute force to the edge pixels
// of the masked face; from where they cross a row between mouth and lowest point, two side curves
// (a3 left, a4 right) are fitted upward.

#include "reading/face_measures.h"
#include "reading/mouth_point.h"
#include "reading/reading_failure.h"
#include "vision/image_buffer.h"

#include <optional>
#include <vector>

// The coefficient grids, built by repeated addition of 0.0005 (so the values carry the rounding
// of that addition): 0.02 .. 0.0395 for the lower curves, 0.04 .. 0.1995 for the side curves.
const std::vector<double>& lowerCoefficients();
const std::vector<double>& sideCoefficients();

// Contrast of each pixel against its 5 x 5 window: 255 - clamp(25 x g - window sum, 0, 255) over
// the grey picture (the buffer itself when it has 1 channel); the two outermost rows and columns
// get 255.
ImageBuffer contrastEdges(const ImageBuffer& buffer);

// contrastEdges thresholded at 1: 0 marks an edge (grey value at least 10.2 above its window's
// mean), 255 anything else.
ImageBuffer edgeMap(const ImageBuffer& face);

// True for an edge pixel of the map; a position outside the map is never an edge.
bool isEdge(const ImageBuffer& edges, int column, int row);

// The row of a half-parabola with vertex (vertexColumn, vertexRow) at a column, truncated toward
// zero. Rows grow downward, so the curve rises on both sides of its vertex.
inline int curveRow(int vertexColumn, int vertexRow, double a, int column)
{
    return static_cast<int>(vertexRow - ((column - vertexColumn) * a) * (column - vertexColumn));
}

// The first row of the masked face holding a non-black pixel; 0 when there is none. Side curves
// count only edge pixels below it.
int firstNonBlackRow(const ImageBuffer& face);

// Validity of the measures for a W x H face: x0 in 0..W, y0 in 0..H, a1 and a2 in 0.02..0.04;
// with the side curves also a3 and a4 in 0.04..0.2. An unset field is never valid.
bool lowerCurvesValid(const FaceMeasures& m, int W, int H);
bool sideCurveValid(const std::optional<double>& a);
bool measuresValid(const FaceMeasures& m, int W, int H);

// Which of those tests the measures fail, or nothing when they pass. The searches set only values
// inside the ranges, so a failed test always means a field left unset: no curve of that search
// touched an edge pixel.
std::optional<ReadingFailure> outlineFailure(const FaceMeasures& m, int W, int H);

// The lower search alone: the vertex (x0, y0) below the mouth and the pair a1, a2 whose curves
// cover the most edge pixels between the mouth row and the bottom; ties go to the first candidate
// in the order a1, a2, x0, y0. Fields stay unset when no candidate covers any edge pixel. Writes
// one "a1cur is" line per value of a1.
FaceMeasures searchLowerOutline(const ImageBuffer& edges, MouthPoint mouth);

// What measureOutline found besides the measures, for a caller that wants to show the measurement:
// the vertices of the two side curves and the row they must stay below. Filled once the lower
// curves have passed their test; before that there are no side curves.
struct OutlineTrace {
    bool sidesSearched = false;
    int xl0 = 0, yl0 = 0;  // vertex of the left side curve (a3)
    int xr0 = 0, yr0 = 0;  // vertex of the right side curve (a4)
    int topRow = 0;        // side curves count edge pixels only below this row
};

// face: the masked 3-channel face. Fills measures and returns 0, or -1 when the outline cannot be
// measured (a coefficient unset or out of range). Writes the progress diagnostic lines. With a
// trace, also fills it; the measures and lines are the same either way.
int measureOutline(const ImageBuffer& face, MouthPoint mouth, FaceMeasures& measures,
                   OutlineTrace* trace = nullptr);

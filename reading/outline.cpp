#include "reading/outline.h"

#include "vision/diagnostics.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <ostream>

namespace {

std::vector<double> coefficientGrid(double start, double end)
{
    std::vector<double> grid;
    for (double a = start; a < end; a += 0.0005)
        grid.push_back(a);
    return grid;
}

template <typename T> struct OrUnset {
    const std::optional<T>& value;
};
template <typename T> std::ostream& operator<<(std::ostream& os, OrUnset<T> shown)
{
    if (shown.value)
        return os << *shown.value;
    return os << "unset";
}
template <typename T> OrUnset<T> orUnset(const std::optional<T>& value) { return {value}; }

bool inRange(const std::optional<double>& a, double low, double high)
{
    return a && *a >= low && *a <= high;
}

// Edge pixels on the curve with vertex (vertexColumn, vertexRow) and coefficient a over the
// columns from .. to - 1, counting only rows strictly between above and the bottom.
int edgesOnCurve(const ImageBuffer& edges, int vertexColumn, int vertexRow, double a, int from,
                 int to, int above)
{
    const int W = edges.width, H = edges.height;
    int n = 0;
    for (int c = std::max(from, 0); c < std::min(to, W); ++c) {
        const int r = curveRow(vertexColumn, vertexRow, a, c);
        n += above < r && r < H && r >= 0 && edges.data[std::size_t(r) * W + c] == 0;
    }
    return n;
}

// Side curves rise from their vertex outward; the best count wins, the first among equals.
std::optional<double> fitSideCurve(const ImageBuffer& edges, int vertexColumn, int vertexRow,
                                   int from, int to, int topRow)
{
    std::optional<double> fitted;
    int best = 0;
    for (const double a : sideCoefficients()) {
        const int n = edgesOnCurve(edges, vertexColumn, vertexRow, a, from, to, topRow);
        if (n > best) {
            best = n;
            fitted = a;
        }
    }
    return fitted;
}

}  // namespace

bool lowerCurvesValid(const FaceMeasures& m, int W, int H)
{
    return m.y0 && *m.y0 >= 0 && *m.y0 <= H && m.x0 && *m.x0 >= 0 && *m.x0 <= W &&
           inRange(m.a1, 0.02, 0.04) && inRange(m.a2, 0.02, 0.04);
}

bool sideCurveValid(const std::optional<double>& a) { return inRange(a, 0.04, 0.2); }

bool measuresValid(const FaceMeasures& m, int W, int H)
{
    return lowerCurvesValid(m, W, H) && sideCurveValid(m.a3) && sideCurveValid(m.a4);
}

std::optional<ReadingFailure> outlineFailure(const FaceMeasures& m, int W, int H)
{
    if (!lowerCurvesValid(m, W, H))
        return ReadingFailure::NoLowerEdge;
    const bool left = sideCurveValid(m.a3), right = sideCurveValid(m.a4);
    if (!left && !right)
        return ReadingFailure::NoSideEdges;
    if (!left)
        return ReadingFailure::NoLeftSideEdge;
    if (!right)
        return ReadingFailure::NoRightSideEdge;
    return std::nullopt;
}

// The first row of the masked face with a non-black pixel; 0 when there is none.
int firstNonBlackRow(const ImageBuffer& face)
{
    const std::size_t rowBytes = std::size_t(face.width) * face.channels;
    for (int t = 0; t < face.height; ++t) {
        const unsigned char* row = face.data + t * rowBytes;
        if (std::any_of(row, row + rowBytes, [](unsigned char b) { return b != 0; }))
            return t;
    }
    return 0;
}

const std::vector<double>& lowerCoefficients()
{
    static const std::vector<double> grid = coefficientGrid(0.02, 0.04);
    return grid;
}

const std::vector<double>& sideCoefficients()
{
    static const std::vector<double> grid = coefficientGrid(0.04, 0.2);
    return grid;
}

namespace {

// Calls respond(i, s) for every pixel i at least two pixels inside the grey picture, with its
// response s = 24 x its value minus the other 24 pixels of its 5 x 5 window. The window sums are
// kept as running sums of five-row column sums; integer sums do not depend on their order.
template <typename Respond> void forEachWindowResponse(const ImageBuffer& g, Respond respond)
{
    const int W = g.width, H = g.height;
    if (W < 5 || H < 5)
        return;
    const unsigned char* px = g.data;
    std::vector<int> columnSums(W, 0);  // the five rows centred on the current row
    for (int v = 0; v < 5; ++v)
        for (int x = 0; x < W; ++x)
            columnSums[x] += px[v * W + x];
    for (int y = 2; y <= H - 3; ++y) {
        if (y > 2) {
            const unsigned char* enter = px + std::size_t(y + 2) * W;
            const unsigned char* leave = px + std::size_t(y - 3) * W;
            for (int x = 0; x < W; ++x)
                columnSums[x] += enter[x] - leave[x];
        }
        int windowSum =
            columnSums[0] + columnSums[1] + columnSums[2] + columnSums[3] + columnSums[4];
        for (int x = 2; x <= W - 3; ++x) {
            const std::size_t i = std::size_t(y) * W + x;
            respond(i, 25 * px[i] - windowSum);
            if (x + 3 < W)
                windowSum += columnSums[x + 3] - columnSums[x - 2];
        }
    }
}

const ImageBuffer& greyOf(const ImageBuffer& buffer, ImageBuffer& converted)
{
    if (buffer.channels == 1)
        return buffer;
    converted = toGray(buffer);
    return converted;
}

}  // namespace

ImageBuffer contrastEdges(const ImageBuffer& buffer)
{
    ImageBuffer converted;
    const ImageBuffer& g = greyOf(buffer, converted);
    ImageBuffer out(g.width, g.height, 1, 1);
    std::fill(out.data, out.data + out.sizeInBytes(), 255);
    forEachWindowResponse(g, [&out](std::size_t i, int s) {
        out.data[i] = static_cast<unsigned char>(255 - std::clamp(s, 0, 255));
    });
    return out;
}

ImageBuffer edgeMap(const ImageBuffer& face)
{
    // contrastEdges thresholded at 1 in one go: only a response of 255 or more leaves 0.
    ImageBuffer converted;
    const ImageBuffer& g = greyOf(face, converted);
    ImageBuffer edges(g.width, g.height, 1, 1);
    std::fill(edges.data, edges.data + edges.sizeInBytes(), 255);
    forEachWindowResponse(g,
                          [&edges](std::size_t i, int s) { edges.data[i] = s >= 255 ? 0 : 255; });
    return edges;
}

bool isEdge(const ImageBuffer& edges, int column, int row)
{
    if (column < 0 || column >= edges.width || row < 0 || row >= edges.height)
        return false;
    return edges.data[std::size_t(row) * edges.width + column] == 0;
}

int measureOutline(const ImageBuffer& face, MouthPoint mouth, FaceMeasures& m, OutlineTrace* trace)
{
    const int W = face.width, H = face.height;
    const int px = mouth.x, py = mouth.y;
    const ImageBuffer edges = edgeMap(face);

    m = searchLowerOutline(edges, mouth);
    diagnostics() << "a1 and a2 are " << orUnset(m.a1) << " " << orUnset(m.a2) << '\n';
    diagnostics() << "x0 is " << orUnset(m.x0) << '\n';
    if (!lowerCurvesValid(m, W, H))
        return -1;
    const int x0 = *m.x0, y0 = *m.y0;
    const double a1 = *m.a1, a2 = *m.a2;

    // Where the lower curves cross a row a third of the way from the mouth down to the lowest
    // point; the side curves start there.
    const int ym = py + (y0 - py) / 3;
    const int h = y0 - ym;
    int xl0 = static_cast<int>(x0 - std::sqrt(h / a1));
    int xr0 = static_cast<int>(std::sqrt(h / a2) + x0);
    int yl0 = ym, yr0 = ym;

    // When that crossing is no edge, follow the lower curve inward to its first edge pixel.
    if (!isEdge(edges, xl0, ym)) {
        for (int c = xl0; c < px; ++c) {
            const int r = curveRow(x0, y0, a1, c);
            if (isEdge(edges, c, r)) {
                xl0 = c;
                yl0 = r;
                break;
            }
        }
    }
    if (!isEdge(edges, xr0, ym)) {
        for (int c = px; c < xr0; ++c) {
            const int r = curveRow(x0, y0, a2, c);
            if (isEdge(edges, c, r)) {
                xr0 = c;
                yr0 = r;
                break;
            }
        }
    }
    diagnostics() << "xl0 and xr0" << xl0 << " " << xr0 << '\n';

    const int topRow = firstNonBlackRow(face);
    if (trace)
        *trace = OutlineTrace{true, xl0, yl0, xr0, yr0, topRow};
    m.a3 = fitSideCurve(edges, xl0, yl0, 0, xl0, topRow);
    m.a4 = fitSideCurve(edges, xr0, yr0, xr0, W, topRow);
    diagnostics() << "a3 and a4 are " << orUnset(m.a3) << " " << orUnset(m.a4) << '\n';

    if (!measuresValid(m, W, H))
        return -1;
    return 0;
}

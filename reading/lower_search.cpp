// The lower outline search (declared in outline.h). A candidate's count is the count of its left
// half-curve (which depends on a1 and the vertex only) plus that of its right half-curve (a2 and
// the vertex only). So each half is counted once per coefficient and vertex, and the winner of the
// four-fold loop over a1, a2, x0, y0 follows from those counts without forming any pair: the
// result, ties included, is exactly that of the plain loop.

#include "reading/outline.h"
#include "vision/diagnostics.h"

#include <algorithm>
#include <limits>
#include <ostream>
#include <vector>

namespace {

// Every vertex (x0, y0) of the search: x0 = xs + ix for ix < nx, y0 = ys + iy for iy < ny.
struct VertexRange {
    int xs = 0, ys = 0, nx = 0, ny = 0;

    std::size_t size() const { return std::size_t(nx) * std::size_t(ny); }
    // Counts are stored row by row of vertex rows, so that one edge map row adds to a run of
    // vertex columns at once.
    std::size_t index(int ix, int iy) const { return std::size_t(iy) * nx + ix; }
};

VertexRange vertexRange(int W, int H, MouthPoint mouth)
{
    VertexRange v;
    v.xs = mouth.x - mouth.x / 4;
    v.ys = mouth.y + W / 5;
    v.nx = std::max((mouth.x + W) / 2 - v.xs, 0);
    v.ny = std::max(H - 1 - v.ys, 0);
    return v;
}

// The row of a curve at a column is y0 - drop truncated, with drop = a x (c - x0)^2 >= 0. When
// drop is an integer, or lies at least 1e-9 away from the nearest integer, the rounding of the
// subtraction (an error below 1e-10 while both terms stay below 2^20) cannot carry a positive
// result across an integer, so the row is exactly y0 - ceil(drop) for every y0 that gives a row
// above 0. That shift is returned; -1 asks for the row to be computed one vertex row at a time
// (drop within 1e-9 of an integer without being one, a huge drop or picture, or a mouth above the
// picture, where rows at 0 or above would need truncation of negative values).
int rowShift(double drop, int py, int H)
{
    if (py < 0 || H > (1 << 20) || !(drop >= 0) || drop > 1e6)
        return -1;
    const int whole = static_cast<int>(drop);
    if (whole == drop)
        return whole;
    const double gap = (whole + 1) - drop;
    if (gap > 1e-9 && gap < 1 - 1e-9)
        return whole + 1;
    return -1;
}

// The edge map as the vertex columns see it at one column offset d: row r of the window holds map
// columns xs + d .. xs + d + nx - 1 of row r, 1 for an edge and 0 for none or for a column outside
// the map, so that the counts of a block of vertex rows take one run of bytes. Only rows below
// the mouth are kept: no other row counts.
struct OffsetWindow {
    int rowFrom = 0;
    std::vector<unsigned char> bytes;  // [row - rowFrom][vertex column]

    const unsigned char* row(int r, int nx) const
    {
        return bytes.data() + std::size_t(r - rowFrom) * nx;
    }
};

// False when no column of the window lies in the map: then no curve at this offset meets an edge.
bool fillWindow(OffsetWindow& window, const ImageBuffer& edges, const VertexRange& v, int d)
{
    const int W = edges.width, H = edges.height, c0 = v.xs + d;
    const int ixFrom = std::max(0, -c0), ixTo = std::min(v.nx, W - c0);
    if (ixFrom >= ixTo)
        return false;
    std::fill(window.bytes.begin(), window.bytes.end(), 0);
    for (int r = window.rowFrom; r < H; ++r) {
        unsigned char* out = window.bytes.data() + std::size_t(r - window.rowFrom) * v.nx;
        const unsigned char* in = edges.data + std::size_t(r) * W + (c0 + ixFrom);
        for (int ix = ixFrom; ix < ixTo; ++ix)
            out[ix] = in[ix - ixFrom] == 0;
    }
    return true;
}

// Adds, for every vertex, whether the edge map has an edge where the half-curve of drop `drop`
// passes the window's column offset. counts: one coefficient's, as VertexRange::index. Only rows
// strictly between the mouth row and the bottom count.
template <typename Count>
void addWindow(Count* counts, const VertexRange& v, const OffsetWindow& window, int H, int py,
               double drop)
{
    // n vertex rows from iy take n map rows from r: runs of the same length in both.
    auto addRows = [&](int iy, int r, int n) {
        Count* acc = counts + v.index(0, iy);
        const unsigned char* src = window.row(r, v.nx);
        const std::size_t length = std::size_t(n) * v.nx;
        for (std::size_t i = 0; i < length; ++i)
            acc[i] += src[i];
    };
    const int shift = rowShift(drop, py, H);
    if (shift >= 0) {
        const int iyFrom = std::max(0, py + 1 - v.ys + shift);
        const int iyTo = std::min(v.ny, H - v.ys + shift);
        if (iyFrom < iyTo)
            addRows(iyFrom, v.ys + iyFrom - shift, iyTo - iyFrom);
        return;
    }
    for (int iy = 0; iy < v.ny; ++iy) {
        // The same subtraction as curveRow, so every row is bit for bit the same.
        const int r = static_cast<int>((v.ys + iy) - drop);
        if (py < r && r >= 0 && r < H)
            addRows(iy, r, 1);
    }
}

// Edge counts of every lower half-curve, per coefficient and vertex: left holds the columns left
// of the vertex, right the vertex column and those right of it. A half-curve covers at most one
// pixel per column, so below 256 columns its count fits a byte, and bytes add sixteen at a time.
template <typename Count> struct HalfCurveCounts {
    VertexRange vertices;
    std::vector<Count> left, right;  // [coefficient][vertex], vertex as VertexRange::index

    const Count* leftOf(std::size_t k) const { return left.data() + k * vertices.size(); }
    const Count* rightOf(std::size_t k) const { return right.data() + k * vertices.size(); }
};

template <typename Count>
HalfCurveCounts<Count> countHalfCurves(const ImageBuffer& edges, MouthPoint mouth)
{
    const int W = edges.width, H = edges.height;
    HalfCurveCounts<Count> counts;
    const VertexRange& v = counts.vertices = vertexRange(W, H, mouth);
    const std::vector<double>& grid = lowerCoefficients();
    const std::size_t per = v.size();
    counts.left.assign(grid.size() * per, 0);
    counts.right.assign(grid.size() * per, 0);
    if (per == 0)
        return counts;

    OffsetWindow window;
    window.rowFrom = std::max(mouth.y + 1, 0);
    window.bytes.resize(std::size_t(std::max(H - window.rowFrom, 0)) * v.nx);

    // Only rows below the mouth count. Once the drop lifts even the lowest vertex row's curve to
    // the mouth row or above, every column farther out lifts it further, since the drop grows
    // with the distance from the vertex and with the coefficient. (With the mouth above the
    // picture, truncation toward zero can still bring rows back to 0, so then every column is
    // taken.)
    const double noRowsFrom =
        mouth.y >= 0 ? double(v.ys + v.ny - mouth.y) : std::numeric_limits<double>::infinity();
    // The farthest any map column lies from any vertex column (vertices may lie outside the map
    // when the mouth does).
    const int farthest = std::max(W - 1 - v.xs, v.xs + v.nx - 1);
    std::vector<double> drops(grid.size());
    for (int e = 0; e <= farthest; ++e) {
        // The same product as curveRow for the columns e to the right and to the left of the
        // vertex: a negated factor changes only the sign of a product, and two change nothing.
        std::size_t reaching = 0;  // the coefficients whose curves still reach a counted row
        while (reaching < grid.size() && (drops[reaching] = (e * grid[reaching]) * e) < noRowsFrom)
            ++reaching;
        if (reaching == 0)
            break;
        auto addOffset = [&](int d, std::vector<Count>& half) {
            if (!fillWindow(window, edges, v, d))
                return;
            for (std::size_t k = 0; k < reaching; ++k)
                addWindow(half.data() + k * per, v, window, H, mouth.y, drops[k]);
        };
        addOffset(e, counts.right);  // the vertex column itself for e = 0
        if (e > 0)
            addOffset(-e, counts.left);
    }
    return counts;
}

// The candidates of the plain loop, in its order: a1 (k1), a2 (k2), x0, y0. A candidate counts
// left[k1][i] + right[k2][i] at vertex i, which is at most topLeft[i] + topRight[i], the best
// halves at that vertex over all coefficients. The largest count is therefore the largest of those
// sums, and a candidate reaches it exactly when its vertex does and both its halves are the best
// at that vertex. The plain loop keeps the first candidate that reaches the largest count (only a
// larger count replaces it), so: the first k1 with a best left half at a winning vertex, then the
// first k2 with a best right half at a winning vertex where k1's half is best, then the first
// vertex in x0, y0 order where both are.
struct Winner {
    std::size_t k1 = 0, k2 = 0;
    int ix = 0, iy = 0;
};

// The first coefficient whose half-curve count equals the top count at some winning vertex.
// halves: [coefficient][vertex]. The best sum is reached somewhere, so one always does.
template <typename Count>
std::size_t firstCoefficientReaching(const std::vector<Count>& halves, const std::vector<int>& top,
                                     const std::vector<unsigned char>& winning)
{
    const std::size_t per = top.size();
    std::size_t k = 0;
    for (; (k + 1) * per <= halves.size(); ++k) {
        const Count* half = halves.data() + k * per;
        for (std::size_t i = 0; i < per; ++i)
            if (winning[i] && half[i] == top[i])
                return k;
    }
    return k;
}

template <typename Count>
std::optional<Winner> firstBestCandidate(const HalfCurveCounts<Count>& counts, std::size_t K)
{
    const VertexRange& v = counts.vertices;
    const std::size_t per = v.size();
    std::vector<int> topLeft(per, 0), topRight(per, 0);
    for (std::size_t k = 0; k < K; ++k) {
        const Count* left = counts.leftOf(k);
        const Count* right = counts.rightOf(k);
        for (std::size_t i = 0; i < per; ++i) {
            topLeft[i] = std::max(topLeft[i], int(left[i]));
            topRight[i] = std::max(topRight[i], int(right[i]));
        }
    }
    int best = 0;
    for (std::size_t i = 0; i < per; ++i)
        best = std::max(best, topLeft[i] + topRight[i]);
    if (best == 0)  // no candidate covers an edge pixel: none improves on 0
        return std::nullopt;

    std::vector<unsigned char> winning(per);
    for (std::size_t i = 0; i < per; ++i)
        winning[i] = topLeft[i] + topRight[i] == best;

    Winner w;
    w.k1 = firstCoefficientReaching(counts.left, topLeft, winning);
    // From here on only the vertices where that left half is best can win.
    const Count* left = counts.leftOf(w.k1);
    for (std::size_t i = 0; i < per; ++i)
        winning[i] = winning[i] && left[i] == topLeft[i];
    w.k2 = firstCoefficientReaching(counts.right, topRight, winning);
    const Count* right = counts.rightOf(w.k2);
    for (w.ix = 0; w.ix < v.nx; ++w.ix) {
        for (w.iy = 0; w.iy < v.ny; ++w.iy) {
            const std::size_t i = v.index(w.ix, w.iy);
            if (left[i] + right[i] == best)
                return w;
        }
    }
    return w;
}

template <typename Count> FaceMeasures searchWithCounts(const ImageBuffer& edges, MouthPoint mouth)
{
    const HalfCurveCounts<Count> counts = countHalfCurves<Count>(edges, mouth);
    const std::vector<double>& grid = lowerCoefficients();
    FaceMeasures m;
    if (const std::optional<Winner> w = firstBestCandidate(counts, grid.size())) {
        m.x0 = counts.vertices.xs + w->ix;
        m.y0 = counts.vertices.ys + w->iy;
        m.a1 = grid[w->k1];
        m.a2 = grid[w->k2];
    }
    return m;
}

}  // namespace

FaceMeasures searchLowerOutline(const ImageBuffer& edges, MouthPoint mouth)
{
    const FaceMeasures m = edges.width < 256 ? searchWithCounts<unsigned char>(edges, mouth)
                                             : searchWithCounts<int>(edges, mouth);
    // The plain loop reports each value of a1 when it has tried all of its candidates.
    for (const double a1 : lowerCoefficients())
        diagnostics() << "a1cur is " << a1 << '\n';
    return m;
}

#include "detect/edge_map.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <utility>

namespace {

// Row r of a response into out (w values): 0 on the border, the clamped 3 x 3 difference inside.
void sobelRow(const ImageBuffer& picture, int r, bool vertical, std::int16_t* out)
{
    const int w = picture.width;
    const int h = picture.height;
    std::fill(out, out + w, std::int16_t(0));
    if (w < 3 || r < 1 || r >= h - 1)
        return;
    const unsigned char* above = picture.data + std::size_t(r - 1) * std::size_t(w);
    const unsigned char* row = above + w;
    const unsigned char* below = row + w;
    for (int c = 1; c < w - 1; ++c) {
        int v;
        if (vertical)
            v = (below[c - 1] + 2 * below[c] + below[c + 1]) -
                (above[c - 1] + 2 * above[c] + above[c + 1]);
        else
            v = (above[c - 1] + 2 * row[c - 1] + below[c - 1]) -
                (above[c + 1] + 2 * row[c + 1] + below[c + 1]);
        out[c] = static_cast<std::int16_t>(v > 0 ? v : 0);
    }
}

bool isGrey(const ImageBuffer& picture) { return picture.channels == 1 && picture.depth == 1; }

}  // namespace

std::vector<std::int16_t> sobelResponse(const ImageBuffer& picture, bool vertical)
{
    const int w = picture.width;
    const int h = picture.height;
    std::vector<std::int16_t> response(std::size_t(w) * std::size_t(h), 0);
    if (!isGrey(picture))
        return response;
    for (int r = 0; r < h; ++r)
        sobelRow(picture, r, vertical, response.data() + std::size_t(r) * std::size_t(w));
    return response;
}

namespace {

// States of the edge map, one per pixel plus a one-pixel frame.
constexpr unsigned char possibleEdge = 0;
constexpr unsigned char notEdge = 1;
constexpr unsigned char edge = 2;

// tan(22.5 degrees) and tan(67.5 degrees) in 15-bit fixed point, against Y x 2^15.
constexpr int tan22 = 13573;
constexpr int tan67Extra = 1 << 16;  // tan67 = tan22 + 2 in the same units

class EdgeTracer {
public:
    EdgeTracer(int w, int h)
        : w_(w), h_(h), stride_(std::size_t(w) + 2), map_(stride_ * (std::size_t(h) + 2), notEdge)
    {
        stack_.reserve(std::max<std::size_t>(1024, std::size_t(w) * std::size_t(h) / 10));
    }

    unsigned char* at(int c, int r)
    {
        return &map_[std::size_t(r + 1) * stride_ + std::size_t(c + 1)];
    }

    void markEdge(unsigned char* cell)
    {
        *cell = edge;
        stack_.push_back(cell);
    }

    // Grows every edge through the possible edges around it; the frame stops it at the border.
    void traceHysteresis()
    {
        const std::ptrdiff_t s = std::ptrdiff_t(stride_);
        const std::ptrdiff_t neighbours[8] = {-1, 1, -s - 1, -s, -s + 1, s - 1, s, s + 1};
        while (!stack_.empty()) {
            unsigned char* cell = stack_.back();
            stack_.pop_back();
            for (std::ptrdiff_t d : neighbours)
                if (cell[d] == possibleEdge)
                    markEdge(cell + d);
        }
    }

    void writeOutput(ImageBuffer& output)
    {
        for (int r = 0; r < h_; ++r) {
            unsigned char* out = output.data + std::size_t(r) * std::size_t(w_);
            const unsigned char* states = at(0, r);
            for (int c = 0; c < w_; ++c)
                out[c] = states[c] == edge ? 255 : 0;
        }
    }

private:
    int w_;
    int h_;
    std::size_t stride_;
    std::vector<unsigned char> map_;
    std::vector<unsigned char*> stack_;
};

// The two responses of one picture row and its magnitudes, with a zero magnitude at each end so
// that the neighbours of the first and last column are at hand; a row outside the picture is zero.
struct ResponseRow {
    std::vector<std::int16_t> vertical;
    std::vector<std::int16_t> horizontal;
    std::vector<int> magnitude;

    explicit ResponseRow(int w)
        : vertical(std::size_t(w)), horizontal(std::size_t(w)), magnitude(std::size_t(w) + 2)
    {
    }

    void compute(const ImageBuffer& picture, int r)
    {
        const int w = picture.width;
        if (r >= picture.height) {
            std::fill(magnitude.begin(), magnitude.end(), 0);
            return;
        }
        sobelRow(picture, r, true, vertical.data());
        sobelRow(picture, r, false, horizontal.data());
        // Both responses are never negative, so their absolute values are themselves.
        for (int c = 0; c < w; ++c)
            magnitude[std::size_t(c) + 1] = vertical[std::size_t(c)] + horizontal[std::size_t(c)];
    }
};

// Magnitudes lie in 0..2040 (two responses of at most 1020). A threshold is floored and then
// clamped just outside that range, which keeps every comparison with a magnitude as it was;
// a NaN threshold, which no comparison passes, becomes the bound that no magnitude passes.
constexpr int largestMagnitude = 2040;

int lowThreshold(double low)
{
    if (!(low >= 0.0))  // below 0, or NaN: no magnitude is at or below it
        return -1;
    return low > largestMagnitude ? largestMagnitude + 1 : int(std::floor(low));
}

int highThreshold(double high)
{
    if (!(high <= largestMagnitude))  // above every magnitude, or NaN: none is above it
        return largestMagnitude + 1;
    return high < 0.0 ? -1 : int(std::floor(high));
}

}  // namespace

bool cannyEdges(ImageBuffer& output, const ImageBuffer& picture, double low, double high)
{
    const int w = picture.width;
    const int h = picture.height;
    if (!isGrey(picture) || output.channels != 1 || output.depth != 1 || output.width != w ||
        output.height != h)
        return false;
    if (w == 0 || h == 0)
        return true;
    if (low > high)
        std::swap(low, high);
    const int lowT = lowThreshold(low);
    const int highT = highThreshold(high);

    EdgeTracer tracer(w, h);
    // Rows r - 1, r and r + 1, rotating; the row above row 0 stays zero.
    ResponseRow rows[3] = {ResponseRow(w), ResponseRow(w), ResponseRow(w)};
    rows[1].compute(picture, 0);
    std::vector<unsigned char> maxima(static_cast<std::size_t>(w));

    for (int r = 0; r < h; ++r) {
        rows[(r + 2) % 3].compute(picture, r + 1);
        const int* above = rows[r % 3].magnitude.data();
        const ResponseRow& currentRow = rows[(r + 1) % 3];
        const int* current = currentRow.magnitude.data();
        const int* below = rows[(r + 2) % 3].magnitude.data();
        const std::int16_t* v = currentRow.vertical.data();
        const std::int16_t* hz = currentRow.horizontal.data();
        // First the maximum test of every pixel of the row, which depends on no other pixel's
        // outcome and so runs as one straight loop; then the states, left to right.
        for (int c = 0; c < w; ++c) {
            // Magnitude rows carry a zero entry at each end: entry c + 1 is column c.
            const int m = current[c + 1];
            const int x = v[c];
            const int ys = hz[c] * 32768;
            const int t22 = x * tan22;
            const int t67 = t22 + x * tan67Extra;
            // The pair of neighbours the magnitude must exceed: along the row for a small
            // horizontal response, along the column for a large one, else upper-left and
            // lower-right (both responses are never negative, so the diagonal never flips).
            // The second neighbour may equal m, except on the diagonal.
            const int alongRow = ys < t22;
            const int alongColumn = (1 - alongRow) & (ys > t67);
            // All six neighbours are read, then chosen without branches: the direction changes
            // from pixel to pixel in ways no branch predictor follows.
            const int left = current[c], right = current[c + 2];
            const int up = above[c + 1], down = below[c + 1];
            const int upLeft = above[c], downRight = below[c + 2];
            const int rowMask = -alongRow, columnMask = -alongColumn;
            const int diagonalMask = ~(rowMask | columnMask);
            const int first = (left & rowMask) | (up & columnMask) | (upLeft & diagonalMask);
            const int second = (right & rowMask) | (down & columnMask) | (downRight & diagonalMask);
            const int equalAllowed = alongRow | alongColumn;
            const int candidate = (m > lowT) & (m > first) & (m + equalAllowed > second);
            maxima[std::size_t(c)] =
                static_cast<unsigned char>(candidate + (candidate & (m > highT)));
        }

        unsigned char* cells = tracer.at(0, r);
        const unsigned char* cellsAbove = cells - (std::size_t(w) + 2);
        int prev = 0;
        for (int c = 0; c < w; ++c) {
            // maxima: 0 not a local maximum, 1 a weak one, 2 a strong one.
            const int candidate = maxima[std::size_t(c)] != 0;
            cells[c] = static_cast<unsigned char>(candidate ? possibleEdge : notEdge);
            prev &= candidate;
            if ((maxima[std::size_t(c)] == 2) & (1 - prev) & (cellsAbove[c] != edge)) {
                tracer.markEdge(&cells[c]);
                prev = 1;
            }
        }
    }

    tracer.traceHysteresis();
    tracer.writeOutput(output);
    return true;
}

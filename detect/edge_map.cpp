#include "detect/edge_map.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <utility>

std::vector<std::int16_t> sobelResponse(const ImageBuffer& picture, bool vertical)
{
    const int w = picture.width;
    const int h = picture.height;
    std::vector<std::int16_t> response(std::size_t(w) * std::size_t(h), 0);
    if (picture.channels != 1 || picture.depth != 1 || w < 3 || h < 3)
        return response;
    for (int r = 1; r < h - 1; ++r) {
        const unsigned char* above = picture.data + std::size_t(r - 1) * std::size_t(w);
        const unsigned char* row = above + w;
        const unsigned char* below = row + w;
        std::int16_t* out = response.data() + std::size_t(r) * std::size_t(w);
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
        : w_(w), h_(h), stride_(std::size_t(w) + 2),
          map_(stride_ * (std::size_t(h) + 2), notEdge)
    {
        stack_.reserve(std::max<std::size_t>(1024, std::size_t(w) * std::size_t(h) / 10));
    }

    unsigned char* at(int c, int r) { return &map_[std::size_t(r + 1) * stride_ + std::size_t(c + 1)]; }

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

// Magnitudes of one picture row, with a zero entry at each end; a row outside the picture is zero.
void fillMagnitudes(std::vector<int>& row, const std::int16_t* v, const std::int16_t* h, int w)
{
    row[0] = 0;
    for (int c = 0; c < w; ++c)
        row[std::size_t(c) + 1] = std::abs(v[c]) + std::abs(h[c]);
    row[std::size_t(w) + 1] = 0;
}

bool isLocalMaximum(int m, int vert, int horiz, const int* above, const int* row, const int* below,
                    int c)
{
    // Indices are shifted by one for the zero entry at the start of each magnitude row.
    const int x = std::abs(vert);
    const int ys = std::abs(horiz) * 32768;
    const int t22 = x * tan22;
    const int t67 = t22 + x * tan67Extra;
    if (ys < t22)
        return m > row[c] && m >= row[c + 2];
    if (ys > t67)
        return m > above[c + 1] && m >= below[c + 1];
    // Diagonal: both responses are never negative, so the pair is always upper-left and
    // lower-right.
    const int s = (vert < 0) != (horiz < 0) ? -1 : 1;
    return m > above[c + 1 - s] && m > below[c + 1 + s];
}

}  // namespace

bool cannyEdges(ImageBuffer& output, const ImageBuffer& picture, double low, double high)
{
    const int w = picture.width;
    const int h = picture.height;
    if (picture.channels != 1 || picture.depth != 1 || output.channels != 1 ||
        output.depth != 1 || output.width != w || output.height != h)
        return false;
    if (w == 0 || h == 0)
        return true;
    if (low > high)
        std::swap(low, high);
    const double lowFloor = std::floor(low);
    const double highFloor = std::floor(high);

    const std::vector<std::int16_t> vertical = sobelResponse(picture, true);
    const std::vector<std::int16_t> horizontal = sobelResponse(picture, false);

    EdgeTracer tracer(w, h);
    std::vector<int> ring[3];
    for (auto& row : ring)
        row.assign(std::size_t(w) + 2, 0);
    std::vector<int>* above = &ring[0];
    std::vector<int>* current = &ring[1];
    std::vector<int>* below = &ring[2];
    fillMagnitudes(*current, vertical.data(), horizontal.data(), w);

    for (int r = 0; r < h; ++r) {
        const std::size_t rowStart = std::size_t(r) * std::size_t(w);
        if (r + 1 < h)
            fillMagnitudes(*below, vertical.data() + rowStart + w,
                           horizontal.data() + rowStart + w, w);
        else
            below->assign(std::size_t(w) + 2, 0);

        const std::int16_t* v = vertical.data() + rowStart;
        const std::int16_t* hz = horizontal.data() + rowStart;
        unsigned char* cells = tracer.at(0, r);
        const unsigned char* cellsAbove = cells - (std::size_t(w) + 2);
        bool prev = false;
        for (int c = 0; c < w; ++c) {
            const int m = (*current)[std::size_t(c) + 1];
            if (m <= lowFloor) {
                cells[c] = notEdge;
                prev = false;
                continue;
            }
            if (!isLocalMaximum(m, v[c], hz[c], above->data(), current->data(), below->data(), c)) {
                cells[c] = notEdge;
                prev = false;
                continue;
            }
            if (m > highFloor && !prev && cellsAbove[c] != edge) {
                tracer.markEdge(&cells[c]);
                prev = true;
            } else {
                cells[c] = possibleEdge;
            }
        }
        std::swap(above, current);
        std::swap(current, below);
    }

    tracer.traceHysteresis();
    tracer.writeOutput(output);
    return true;
}

#include "detect/integral_image.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace {

ImageBuffer reuseOrCreate(ImageBuffer&& buffer, int width, int height, int depth)
{
    if (buffer.data && buffer.width == width && buffer.height == height && buffer.channels == 1 &&
        buffer.depth == depth)
        return std::move(buffer);
    return ImageBuffer(width, height, 1, depth);
}

}  // namespace

bool computeIntegrals(const ImageBuffer& picture, ImageBuffer& sumOut, ImageBuffer* sqsumOut)
{
    if (picture.channels != 1 || picture.depth != 1 || picture.width < 0 || picture.height < 0)
        return false;
    const int w = picture.width;
    const int h = picture.height;
    const std::size_t stride = std::size_t(w) + 1;

    // An output that already has the shape is overwritten in place: the scan computes every
    // picture's integrals into the buffers of the previous one when their sizes agree.
    ImageBuffer sum = reuseOrCreate(std::move(sumOut), w + 1, h + 1, 4);
    ImageBuffer sqsum;
    if (sqsumOut)
        sqsum = reuseOrCreate(std::move(*sqsumOut), w + 1, h + 1, 8);

    // Row by row: element (x, y) = running sum of row y - 1 up to column x - 1, plus the element
    // above. The same values as summing column by column; the running sums are unsigned so that
    // an oversized picture wraps instead of overflowing (rectangle sums stay right, see cornerSum).
    auto* s = sum.samples<int>();
    double* q = sqsumOut ? sqsum.samples<double>() : nullptr;
    std::fill(s, s + stride, 0);
    if (q)
        std::fill(q, q + stride, 0.0);
    for (int y = 1; y <= h; ++y) {
        const unsigned char* row = picture.data + std::size_t(y - 1) * std::size_t(w);
        int* sRow = s + std::size_t(y) * stride;
        const int* sAbove = sRow - stride;
        unsigned rowSum = 0;
        sRow[0] = 0;
        for (int x = 1; x <= w; ++x) {
            rowSum += row[x - 1];
            sRow[x] = static_cast<int>(rowSum + static_cast<unsigned>(sAbove[x]));
        }
        if (q) {
            double* qRow = q + std::size_t(y) * stride;
            const double* qAbove = qRow - stride;
            // A row's squares add up in integers (at most 65025 per pixel), which keeps the
            // running sum off the slower floating-point chain; converted, it is the same whole
            // number the double sum held.
            std::uint64_t rowSquares = 0;
            qRow[0] = 0.0;
            for (int x = 1; x <= w; ++x) {
                const unsigned v = row[x - 1];
                rowSquares += v * v;
                qRow[x] = double(rowSquares) + qAbove[x];
            }
        }
    }

    sumOut = std::move(sum);
    if (sqsumOut)
        *sqsumOut = std::move(sqsum);
    return true;
}

#pragma once
// Integral images: element (x, y) holds the sum of all pixels above and to the left of it, so the
// sum over any rectangle costs four lookups whatever its size.

#include "vision/image_buffer.h"

#include <cstddef>

// picture: one channel, depth 1. Fills sumOut with a (w + 1) x (h + 1) buffer of 32-bit sums and,
// when sqsumOut is given, that with the double sums of squares. Row 0 and column 0 are zero.
// Returns false, leaving the outputs untouched, for any other kind of picture.
bool computeIntegrals(const ImageBuffer& picture, ImageBuffer& sumOut,
                      ImageBuffer* sqsumOut = nullptr);

// p0 - p1 - p2 + p3 of four 32-bit integral elements. Taken modulo 2^32, so that the result is
// right whenever the rectangle's own sum fits, even where the running sums have wrapped.
inline int cornerSum(int p0, int p1, int p2, int p3)
{
    return static_cast<int>(static_cast<unsigned>(p3) - static_cast<unsigned>(p1) -
                            static_cast<unsigned>(p2) + static_cast<unsigned>(p0));
}

// The pixel sum over the rectangle (x, y, width, height) of a 32-bit integral image: the corners
// p0 - p1 - p2 + p3. The rectangle must lie inside the picture.
inline int integralRectSum(const ImageBuffer& sum, int x, int y, int width, int height)
{
    const std::size_t stride = std::size_t(sum.width);
    const int* top = sum.samples<int>() + std::size_t(y) * stride + std::size_t(x);
    const int* bottom = top + std::size_t(height) * stride;
    return cornerSum(top[0], top[width], bottom[0], bottom[width]);
}

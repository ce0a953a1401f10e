#pragma once
// Small operations on 8-bit buffers that the reader composes: cutting a region, turning a buffer
// into a 0/255 mask, and blacking out what a mask does not cover.

#include "vision/image_buffer.h"

// The region between the corners (x0, y0) and (x1, y1): |x0 - x1| x |y0 - y1| pixels copied from
// (x0, y0) onwards, whichever corner is the smaller. The source must have depth 1; pixels that
// would lie outside it stay 0. Writes the "new width and height" diagnostic line.
ImageBuffer cropRegion(const ImageBuffer& src, int x0, int y0, int x1, int y1);

// dst byte i = 255 when src byte i >= t, else 0. dst may be src itself (in place); otherwise it
// takes src's shape.
void thresholdMask(const ImageBuffer& src, ImageBuffer& dst, int t);

// The colour buffer where the mask is non-zero, black elsewhere; the colour buffer's shape, depth 1.
ImageBuffer applyMask(const ImageBuffer& colour, const ImageBuffer& mask);

#pragma once
// The edge map that lets the scan skip windows whose middle holds no edge: a Canny-type detector
// (3 x 3 gradient responses, non-maximum suppression along one of four directions, double
// thresholds and hysteresis). Two deliberate departures from the textbook detector decide which
// pixels become edges: negative responses are clamped to 0, and the suppression direction is
// paired the other way round with the gradient direction.

#include "vision/image_buffer.h"

#include <cstdint>
#include <vector>

// The 3 x 3 response of a grey picture (one channel, depth 1), w x h values row by row. vertical:
// the row below minus the row above; otherwise the left column minus the right one, each with
// weights 1, 2, 1. Negative results and the border pixels are 0, so every value is 0 to 1020.
std::vector<std::int16_t> sobelResponse(const ImageBuffer& picture, bool vertical);

// Writes every pixel of output (w x h, one channel, depth 1, allocated by the caller): 255 on an
// edge, 0 elsewhere. low and high are exchanged when low > high and then floored. Returns false,
// writing nothing, when the picture or the output has another shape.
bool cannyEdges(ImageBuffer& output, const ImageBuffer& picture, double low, double high);

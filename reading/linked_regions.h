#pragma once
// The regions of a mask's component links (see components.h), found run by run: the two cleaning
// steps need only which pixels are linked, how the linked pixels group, each group's size and its
// first pixel, and all of that follows from the runs of qualifying pixels in each row.

#include "vision/image_buffer.h"

#include <vector>

struct LinkedRegions {
    // A run of qualifying pixels: columns first .. last of one row. In the last row, where no
    // pixel links to its right neighbour, every pixel is a run of its own.
    struct Run {
        int row = 0, first = 0, last = 0;
        int region = -1;  // -1: its pixels are linked to nothing
    };
    std::vector<Run> runs;  // in raster order
    // Per region, numbered in the order of their first pixels: the number of linked pixels.
    std::vector<int> sizes;
};

// nonZeroQualifies: true for the regions of non-zero bytes, false for those of zero bytes.
LinkedRegions linkedRegions(const ImageBuffer& mask, bool nonZeroQualifies);

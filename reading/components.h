#pragma once
// Connected regions of a mask, used to clean the skin map: keep its largest region and fill the
// gaps it encloses. Pixels are linked only to their right, lower and lower-right neighbours, so a
// pixel with no such link belongs to no region and both cleaning steps leave it alone.

#include "vision/image_buffer.h"

#include <map>
#include <vector>

struct ComponentMap {
    std::map<int, int> labels;  // pixel index (y x W + x) -> label, for every linked pixel
    int labelCount = 0;         // labels 0 .. labelCount - 1, never reused
    std::vector<int> sizes;     // pixels per label; 0 for a label merged into another
};

using BytePredicate = bool (*)(unsigned char);
inline bool isNonZeroByte(unsigned char b) { return b != 0; }
inline bool isZeroByte(unsigned char b) { return b == 0; }

// Links every qualifying pixel of the 1-channel mask to its qualifying right, lower and
// lower-right neighbours, in raster order.
ComponentMap labelComponents(const ImageBuffer& mask, BytePredicate qualifies);

// Joins pixels a and b; when both already carry different labels the larger label is merged
// into the smaller one.
void linkPixels(ComponentMap& map, int a, int b);

// The pixel indices carrying the label, ascending.
std::vector<int> componentPixels(const ComponentMap& map, int label);

// Clears every non-zero region but the largest (the lowest label among equals). In place.
void keepLargestComponent(ImageBuffer& mask);

// out = mask with every zero region that does not touch the border set to 255. out may be the
// mask itself.
void fillHoles(const ImageBuffer& mask, ImageBuffer& out);

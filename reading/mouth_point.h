#pragma once
// The reference point in the lower middle of a face image: the weighted centre of the most
// reddish pixels there. It always exists; with nothing to weigh it is the searched area's corner.

#include "vision/image_buffer.h"

struct MouthPoint {
    int x = 0;
    int y = 0;
};

// rgb: 3-channel R,G,B face image.
MouthPoint locateMouthPoint(const ImageBuffer& rgb);

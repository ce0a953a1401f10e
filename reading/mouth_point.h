#pragma once
// The reference point in the lower middle of a face image: the weighted centre of the most
// reddish pixels there. It always exists; with nothing to weigh it is the searched area's corner.

#include "vision/image_buffer.h"

class PixelColours;

struct MouthPoint {
    int x = 0;
    int y = 0;
};

// rgb: 3-channel R,G,B face image.
MouthPoint locateMouthPoint(const ImageBuffer& rgb);

// The same, taking hues and saturations from colours (of the same rgb).
MouthPoint locateMouthPoint(const ImageBuffer& rgb, PixelColours& colours);

// Class of one pixel of the searched area given the area's hue range: 240 for hues within 15
// degrees above the smallest, 88 for purple-reds within 15 below the largest and above 330, 0 for
// the rest and for pixels without saturation (a NaN hue is class 0 too).
int mouthHueClass(double hue, double saturation, double hMin, double hMax);

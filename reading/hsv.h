#pragma once
// Hue, saturation and value of a colour picture, the measure the skin test and the mouth point
// judge pixels by. Neutral pixels have no hue and black pixels no saturation: both come out as
// NaN, which then fails every comparison it takes part in.

#include "vision/image_buffer.h"

// rgb: 3-channel 8-bit R,G,B. Result: 3 doubles per pixel (hue in degrees, saturation 0..1,
// value 0..1), same width and height. The hue's degrees are computed with pi taken as 3.14, and
// every hue threshold of the reader is in these units.
ImageBuffer rgbToHsv(const ImageBuffer& rgb);

// The three values of one pixel, as rgbToHsv gives them, for callers that need only some of them
// (the hue costs an arc cosine).
double pixelHue(int r, int g, int b);
double pixelSaturation(int r, int g, int b);
double pixelValue(int r, int g, int b);

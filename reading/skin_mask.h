#pragma once
// The skin map of a face image: each pixel judged by its own colour, then one forward pass that
// lets skin spread right and down into pixels of nearly the same hue and saturation.

#include "vision/image_buffer.h"

// rgb: 3-channel R,G,B. mask becomes a W x H, 1-channel, depth-1 buffer, 255 = skin. Returns 0.
int skinMask(const ImageBuffer& rgb, ImageBuffer& mask);

// The per-pixel skin test on normalised red and green, hue, saturation and value. A NaN hue or
// saturation (grey, black) fails it.
bool isSkinColour(int r, int g, int b, double hue, double saturation, double value);

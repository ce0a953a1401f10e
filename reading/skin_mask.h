#pragma once
// The skin map of a face image: each pixel judged by its own colour, then one forward pass that
// lets skin spread right and down into pixels of nearly the same hue and saturation.

#include "vision/image_buffer.h"

class PixelColours;

// rgb: 3-channel R,G,B. mask becomes a W x H, 1-channel, depth-1 buffer, 255 = skin. Returns 0.
int skinMask(const ImageBuffer& rgb, ImageBuffer& mask);

// The same, taking hues and saturations from colours (of the same rgb), which keeps those it
// worked out for a later step.
int skinMask(const ImageBuffer& rgb, ImageBuffer& mask, PixelColours& colours);

// The growing pass alone: one raster pass over the 0/255 mask in which a skin pixel turns its
// right, lower and lower-right neighbours into skin when their hue differs by less than 4 degrees
// and their saturation by less than 0.1. hsv: the rgbToHsv buffer of the same picture.
void growSkin(ImageBuffer& mask, const ImageBuffer& hsv);

// The per-pixel skin test on normalised red and green, hue, saturation and value. A NaN hue or
// saturation (grey, black) fails it.
bool isSkinColour(int r, int g, int b, double hue, double saturation, double value);

#pragma once
// The edge between Qt's images and the vision library's buffers.

#include "vision/image_buffer.h"

class QImage;

// Copies an image in QImage::Format_RGB32 into a 4-channel buffer of B,G,R,A bytes (A = 255).
// Any other format is converted to Format_RGB32 first.
ImageBuffer loadImageBuffer(const QImage& image);

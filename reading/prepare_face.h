#pragma once
// The reader's edge towards Qt: the working image of a face and its colour test.

#include "reading/face_reader.h"

class QImage;

// Format_RGB32, reduced to at most 100 pixels on its longer side (never enlarged).
QImage prepareFaceImage(const QImage& face);

// False when every pixel of the prepared image is grey.
bool isColour(const QImage& prepared);

// readFace on the pixels of a prepared image.
ReadOutcome readFace(const QImage& prepared);

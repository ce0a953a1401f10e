#pragma once
// The reader's edge towards Qt: the working image of a face and its colour test.

#include "reading/face_reader.h"

class QImage;
class QSize;

// Format_RGB32, reduced to at most 100 pixels on its longer side (never enlarged).
QImage prepareFaceImage(const QImage& face);

// The factor prepareFaceImage scales a face of this size by, on both axes: 100 over the side it
// reduces, as Qt's scaledToWidth and scaledToHeight take it, or 1 when the face is kept. The
// nearest-pixel scaling takes prepared pixel (u, v) from the face at ((u + 0.5) / f,
// (v + 0.5) / f), so that is where a measured pixel lies in the face.
double preparedFaceScale(QSize faceSize);

// False when every pixel of the prepared image is grey.
bool isColour(const QImage& prepared);

// readFace on the pixels of a prepared image, with its report when one is given.
ReadOutcome readFace(const QImage& prepared, ReadingReport* report = nullptr);

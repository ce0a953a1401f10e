#pragma once
// The opened picture as the detector sees it, and the face images cut from it. Shared by the
// window and the command-line tool so that both see exactly the same pixels.

#include "vision/face_rect.h"

class QImage;
class QRect;

// Longest side the detector is given; larger pictures are reduced before detection.
constexpr int maxPictureSide = 1000;

// The picture in Format_RGB32, reduced with nearest-pixel sampling when a side exceeds 1000:
// a landscape picture to width 1000, any other (square included) to height 1000.
QImage reducePicture(const QImage& image);

// The face's columns unchanged and its rows extended by a quarter of its height above and below,
// clipped to the picture vertically.
QImage cropFace(const QImage& picture, const FaceRect& face);

// Where cropFace cuts the face from a picture of this height.
QRect faceCutRect(int pictureHeight, const FaceRect& face);

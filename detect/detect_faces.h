#pragma once
// The face detector's entry point: every face of a grey picture, as found by the multi-scale scan
// of the detector's cascade and grouped into averaged rectangles.

#include "vision/face_rect.h"
#include "vision/haar_cascade.h"
#include "vision/image_buffer.h"

#include <vector>

// grey: one channel, depth 1. Returns the faces in the order their groups were first found; an
// empty list for no face, for a detector without a usable cascade, or for a picture too small.
std::vector<FaceRect> detectFaces(const ImageBuffer& grey, FaceDetector& detector);

// The same faces, found by `threads` threads sharing the scan (fewer for a picture too small to
// keep them busy). The detector is the calling thread's; the others scan with copies of it.
std::vector<FaceRect> detectFacesParallel(const ImageBuffer& grey, FaceDetector& detector,
                                          int threads);

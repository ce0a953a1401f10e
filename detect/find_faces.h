#pragma once
// The faces of a picture as the program lists them, everywhere it lists them (window, velmora-cli,
// annotated pictures, benchmarks): the detector's grouped faces, then one box per face.

#include "vision/face_rect.h"
#include "vision/haar_cascade.h"
#include "vision/image_buffer.h"

#include <vector>

struct FaceSearch {
    int threads = 1;          // threads sharing the scan; the faces are the same at any count
    bool keepNested = false;  // the grouping's list as it is, a face's nested boxes included
};

// grey: one channel, depth 1. An empty list for no face, for a detector without a usable cascade,
// or for a picture too small.
std::vector<FaceRect> findFaces(const ImageBuffer& grey, FaceDetector& detector,
                                const FaceSearch& search = {});

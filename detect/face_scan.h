#pragma once
// The multi-scale scan behind detectFaces, with the window evaluation as a parameter: the
// detector runs it with the fast stump path, and the plain evaluation gives the reference results
// that the fast one must reproduce.

#include "vision/face_rect.h"
#include "vision/haar_cascade.h"
#include "vision/image_buffer.h"

#include <vector>

// runCascadeAt or runCascadeAtFast.
using WindowEvaluator = int (*)(int startStage, const HaarCascade& cascade, int x, int y);

// Every accepted window, in the order the scan finds them (scales growing, rows top to bottom,
// columns left to right), before grouping. Empty for a detector without a usable cascade, a
// cascade with tilted features, or a picture that is not grey or has no scale.
std::vector<FaceRect> scanCandidates(const ImageBuffer& grey, FaceDetector& detector,
                                     WindowEvaluator evaluate);

// The grouped candidates: detectFaces with the given window evaluation.
std::vector<FaceRect> scanForFaces(const ImageBuffer& grey, FaceDetector& detector,
                                   WindowEvaluator evaluate);

#pragma once
// The multi-scale scan behind detectFaces, with the window evaluation as a parameter: the
// detector runs it with the fast stump path, and the plain evaluation gives the reference results
// that the fast one must reproduce.

#include "detect/window_evaluation.h"
#include "vision/face_rect.h"
#include "vision/haar_cascade.h"
#include "vision/image_buffer.h"

#include <cstddef>
#include <vector>

// runCascadeAt or runCascadeAtFast.
using WindowEvaluator = int (*)(int startStage, const HaarCascade& cascade, int x, int y);
// runCascadesAtFast: a WindowEvaluator's results for many windows at once.
using BatchEvaluator = void (*)(int startStage, const HaarCascade& cascade,
                                const WindowSpot* windows, std::size_t count, int* results);

// Every accepted window, in the order the scan finds them (scales growing, rows top to bottom,
// columns left to right), before grouping. Empty for a detector without a usable cascade, a
// cascade with tilted features, or a picture that is not grey or has no scale. The passes after
// the first evaluate their windows through evaluateMany when it is given, else one by one; so
// does the first pass of a scale whose grid columns lie close together, where the wide stage sums
// make evaluating whole rows cheaper than the walk. The edge map and the other working buffers
// stay with the calling thread for its next scan.
std::vector<FaceRect> scanCandidates(const ImageBuffer& grey, FaceDetector& detector,
                                     WindowEvaluator evaluate,
                                     BatchEvaluator evaluateMany = nullptr);

// The grouped candidates: detectFaces with the given window evaluation.
std::vector<FaceRect> scanForFaces(const ImageBuffer& grey, FaceDetector& detector,
                                   WindowEvaluator evaluate, BatchEvaluator evaluateMany = nullptr);

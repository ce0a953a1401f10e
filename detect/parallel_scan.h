#pragma once
// The multi-scale scan shared among threads: every scale is cut into bands of grid rows, the
// threads take the bands one after another as they come free, and the candidates of all bands
// are put together in scan order, so the result is the one-thread scan's to the last candidate.

#include "detect/face_scan.h"
#include "vision/face_rect.h"
#include "vision/haar_cascade.h"
#include "vision/image_buffer.h"

#include <vector>

// scanCandidates's list, found by `threads` threads: the calling one with the detector and the
// others, which it starts and waits for, each with a copy of it. Fewer threads when there are
// fewer bands; threads below 1 count as 1, which scans the bands on the calling thread alone.
std::vector<FaceRect> scanCandidatesInParallel(const ImageBuffer& grey, FaceDetector& detector,
                                               int threads, WindowEvaluator evaluate,
                                               BatchEvaluator evaluateMany = nullptr);

#pragma once
// Evaluation of one detection window at the scale last set by setImagesForScale: the window's
// contrast is normalised by the standard deviation of its pixels, then the stages run until one
// rejects it.

#include "detect/prepared_cascade.h"
#include "vision/haar_cascade.h"

#include <cstddef>

// The window whose top-left pixel is (x, y), from stage startStage up to the prepared form's
// activeCount - 1 (a tree-shaped cascade always starts at its first stage). Returns 1 when every
// evaluated stage passed (for a tree-shaped cascade: a stage without child was reached), 0 when
// stage 0 or a tree-shaped cascade rejected it, -i when stage i rejected it, and -1 as well when
// the cascade has no prepared form or images, the window does not fit at least two pixels inside
// the picture's right and bottom edges, or the cascade has tilted features (which have no sums).
int runCascadeAt(int startStage, const HaarCascade& cascade, int x, int y);

// The same result as runCascadeAt, by the scan's fast path for stump-based cascades (the compact
// stump records of the prepared form, the leaf picked without a branch); any other cascade takes
// runCascadeAt itself.
int runCascadeAtFast(int startStage, const HaarCascade& cascade, int x, int y);

// The top-left pixel of a detection window.
struct WindowSpot {
    int x = 0;
    int y = 0;
};

// results[k] = runCascadeAtFast(startStage, cascade, windows[k].x, windows[k].y) for every k, by
// running each stage over all the windows still in the race before the next stage: the stump
// records are read once for several windows. Where a wide form of the stage sums is in use, each
// four consecutive windows of one row within eight pixels (with the eight-window form, first each
// eight within sixteen) go through the stages on their own, from shared loads. Its working
// memory stays with the calling thread for the next call.
void runCascadesAtFast(int startStage, const HaarCascade& cascade, const WindowSpot* windows,
                       std::size_t count, int* results);

// The contrast norm of the window whose top-left element is at offset in the kept integral
// images: the standard deviation of the pixels of the variance window, or 1 where rounding left
// the variance below 0. Feature thresholds are scaled by it.
double contrastNormAt(const PreparedCascade& p, std::ptrdiff_t offset);

// The leaf value that one tree outputs for the window at the given element offset. varianceNorm
// scales the node thresholds (instead of dividing every feature value by it).
float evalTree(const PreparedCascade& prepared, const PreparedTree& tree, double varianceNorm,
               std::ptrdiff_t offset);

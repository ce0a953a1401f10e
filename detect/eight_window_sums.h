#pragma once
// Stage sums of eight windows at once in the processor's 512-bit registers, where it has them:
// the four-window sums widened, one lane per window, each lane doing the same products, sums and
// comparisons, in the same order and precision, as the one-window evaluation.

#include "detect/prepared_cascade.h"

#include <cstddef>

// sums[k] = the sum over the stage's stump records of the window whose top-left element is
// integral[offsets[k]], with contrast norm varianceNorms[k], for k = 0..7. first points to the
// stage's first record in the prepared form. Call only where canRunStageSumsForm(eight).
void eightStageSums(const PreparedStage& stage, const FastStump* first, const int* integral,
                    const std::ptrdiff_t* offsets, const double* varianceNorms, double* sums);

// How far apart, at most, the first and the last of eight windows of one row start: one load of
// sixteen values reaches them all.
constexpr int eightRowReach = 15;

// Eight windows of one row within sixteen elements, as wideRowGroup takes four: window k starts
// at element offset0 + shifts[k], with 0 = shifts[0] < ... < shifts[7] <= eightRowReach, and
// each is one that runCascadeAtFast would evaluate. Sets results[k] as runCascadeAtFast would
// for the stages [startStage, endStage). Call only where canRunStageSumsForm(eight).
void eightRowGroup(const PreparedCascade& p, int startStage, int endStage, std::ptrdiff_t offset0,
                   const int* shifts, int* results);

// norms[k] = the contrast norm of the window whose top-left element is at offsets[k] of the kept
// integral images, by the same operations as the one-window evaluation, for k < count, where count
// is a multiple of eight. Call only where canRunStageSumsForm(eight).
void eightContrastNorms(const PreparedCascade& p, const std::ptrdiff_t* offsets, std::size_t count,
                        double* norms);

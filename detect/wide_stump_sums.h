#pragma once
// Stage sums of four windows at once in the processor's 256-bit registers, where it has them:
// one lane per window, each lane doing the same products, sums and comparisons, in the same
// order and precision, as the one-window evaluation, so the results are the same to the bit.

#include "detect/prepared_cascade.h"

#include <cstddef>

// Whether wideStageSums is to be used: the processor can run it (x86-64 with AVX2) and it has not
// been turned off.
bool haveWideStageSums();

// Turns the wide sums off (or on again where the processor has them) for the whole process; the
// evaluation then takes the plain form, with the same results. Tests compare the two this way.
void allowWideStageSums(bool allowed);

// sums[k] = the sum over the stage's stump records of the window whose top-left element is
// integral[offsets[k]], with contrast norm varianceNorms[k], for k = 0..3. first points to the
// stage's first record in the prepared form. Call only when haveWideStageSums().
void wideStageSums(const PreparedStage& stage, const FastStump* first, const int* integral,
                   const std::ptrdiff_t* offsets, const double* varianceNorms, double* sums);

// How far apart, at most, the first and the last window of a row group start: one load of eight
// values reaches them all.
constexpr int rowGroupReach = 7;

// Four windows of one row whose top-left elements lie within eight elements of each other:
// window k starts at element offset0 + shifts[k] of the kept integral images, with
// 0 = shifts[0] < shifts[1] < shifts[2] < shifts[3] <= rowGroupReach, and each is one that
// runCascadeAtFast would evaluate (it fits the picture as that requires). Computes their contrast
// norms and runs them through the stages [startStage, endStage) together, each stage's four sums
// built from one load per corner, and sets results[k] as runCascadeAtFast would: -i for the
// first stage i that window k fails, 1 when it passes them all. Call only when
// haveWideStageSums().
void wideRowGroup(const PreparedCascade& p, int startStage, int endStage, std::ptrdiff_t offset0,
                  const int* shifts, int* results);

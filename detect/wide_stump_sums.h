#pragma once
// Stage sums of four windows at once in the processor's 256-bit registers, where it has them:
// one lane per window, each lane doing the same products, sums and comparisons, in the same
// order and precision, as the one-window evaluation, so the results are the same to the bit.

#include "detect/prepared_cascade.h"

#include <cstddef>

// The forms the stage sums can take: one window at a time, four windows per 256-bit register
// (AVX2), or eight per 512-bit register (AVX-512). Every form gives the same results to the bit.
enum class StageSumsForm { plain, four, eight };

// Whether the processor can run the form; the plain one it always can.
bool canRunStageSumsForm(StageSumsForm form);

// Makes the evaluation take the form, for the whole process, where the processor can run it, and
// returns whether it can; otherwise nothing changes. Tests run every form this way.
bool useStageSumsForm(StageSumsForm form);

// The form the evaluation takes: the one chosen last, or the widest that the processor has.
StageSumsForm stageSumsForm();

// Whether the evaluation takes a wide form (four or eight windows at once).
bool haveWideStageSums();

// Turns the wide sums off, or back to the default form (the widest that the processor has).
void allowWideStageSums(bool allowed);

// sums[k] = the sum over the stage's stump records of the window whose top-left element is
// integral[offsets[k]], with contrast norm varianceNorms[k], for k = 0..3. first points to the
// stage's first record in the prepared form. Call only where canRunStageSumsForm(four).
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
// first stage i that window k fails, 1 when it passes them all. Call only where
// canRunStageSumsForm(four).
void wideRowGroup(const PreparedCascade& p, int startStage, int endStage, std::ptrdiff_t offset0,
                  const int* shifts, int* results);

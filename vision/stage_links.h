#pragma once
// The stage links of a tree-shaped cascade (one in which some stage has a `next`). Evaluating a
// window walks them: a passed stage leads to its `child`, a failed one climbs through its
// ancestors to the first with a `next`. Links that lead back to a stage already on the way would
// make that walk run for ever, so the loader refuses them.

#include "vision/haar_cascade.h"

// The stage at which some window's walk would come back to where it has been, or -1 when every
// walk ends (always for a cascade without `next` links, whose stages run in array order).
// Expects every link to be -1 or a stage index.
int findStageLoop(const HaarCascade& cascade);

#pragma once
// The evaluation-ready form of a HaarCascade.

#include "vision/haar_cascade.h"

struct PreparedCascade {
    int activeCount = 0;
};

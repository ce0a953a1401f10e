#pragma once
// One box per face: the grouping can leave a face listed twice, a box around it and a slightly
// larger box around the first. The larger box goes; the inner one is the better supported.

#include "vision/face_rect.h"

#include <vector>

// Whether b lies wholly inside a and a is the wider of the two (edges may touch).
bool holdsNestedFace(const FaceRect& a, const FaceRect& b);

// The faces that hold no other face of the list, in their order. In a chain of nested boxes only
// the innermost stays; equal boxes never remove each other.
std::vector<FaceRect> dropNestedFaces(const std::vector<FaceRect>& faces);

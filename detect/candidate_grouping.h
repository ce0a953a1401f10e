#pragma once
// Grouping of the scan's candidate windows into faces: similar candidates are labelled into
// groups, each group of at least two is averaged into one face, and faces lying inside stronger
// faces are dropped.

#include "vision/face_rect.h"

#include <vector>

// Whether candidate a, the one being labelled, resembles the earlier candidate b. Not symmetric:
// the position slack (a fifth of a's width) and the first width bound come from a.
bool similarRects(const FaceRect& a, const FaceRect& b);

// Labels every candidate with a group, numbered in the order the groups first appear: a
// candidate joins the group of the first earlier candidate it resembles, else starts a new one.
// Groups are never merged. Returns the number of groups.
int partitionCandidates(const std::vector<FaceRect>& candidates, std::vector<int>& labels);

// The averaged faces that no other face swallows: a face goes when it lies inside another within
// a fifth of the other's width, and is either weak (fewer than 3 candidates) or has fewer
// candidates than the other (which then has more than 3). Faces that go still count as others.
std::vector<FaceRect> removeContainedFaces(const std::vector<FaceRect>& averaged);

// The faces of a candidate list, in the order their groups first appear; each face carries the
// number of candidates averaged into it.
std::vector<FaceRect> groupCandidates(const std::vector<FaceRect>& candidates);

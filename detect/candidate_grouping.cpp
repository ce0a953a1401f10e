#include "detect/candidate_grouping.h"

#include "detect/rounding.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

constexpr double positionSlack = 0.2;
constexpr double widthRatio = 1.2;
constexpr int minimumGroupSize = 2;
constexpr double containmentSlack = 0.2;
constexpr int neighbourThreshold = 3;

struct GroupSums {
    // 64 bits: a huge candidate list cannot overflow them.
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t count = 0;
};

// The mean of n values with the given sum, rounded to the nearest integer with halves going up.
int roundedMean(std::int64_t sum, std::int64_t n) { return int((2 * sum + n) / (2 * n)); }

std::vector<FaceRect> averageGroups(const std::vector<FaceRect>& candidates,
                                    const std::vector<int>& labels, int groupCount)
{
    std::vector<GroupSums> sums(static_cast<std::size_t>(groupCount));
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        GroupSums& g = sums[std::size_t(labels[i])];
        g.x += candidates[i].x;
        g.y += candidates[i].y;
        g.width += candidates[i].width;
        g.height += candidates[i].height;
        g.count += 1;
    }
    std::vector<FaceRect> faces;
    for (const GroupSums& g : sums) {
        if (g.count < minimumGroupSize)
            continue;
        faces.push_back({roundedMean(g.x, g.count), roundedMean(g.y, g.count),
                         roundedMean(g.width, g.count), roundedMean(g.height, g.count),
                         int(g.count)});
    }
    return faces;
}

// Whether `inner` lies inside `outer` within the slack and is the weaker of the two.
bool isSwallowedBy(const FaceRect& inner, const FaceRect& outer)
{
    const int d = nearest(containmentSlack * outer.width);
    const bool inside = inner.x >= outer.x - d && inner.y >= outer.y - d &&
                        inner.x + inner.width <= outer.x + outer.width + d &&
                        inner.y + inner.height <= outer.y + outer.height + d;
    return inside && (outer.neighbors > std::max(neighbourThreshold, inner.neighbors) ||
                      inner.neighbors < neighbourThreshold);
}

}  // namespace

bool similarRects(const FaceRect& a, const FaceRect& b)
{
    const int d = nearest(positionSlack * a.width);
    return a.x - d <= b.x && b.x <= a.x + d && a.y - d <= b.y && b.y <= a.y + d &&
           b.width <= nearest(widthRatio * a.width) && nearest(widthRatio * b.width) >= a.width;
}

int partitionCandidates(const std::vector<FaceRect>& candidates, std::vector<int>& labels)
{
    labels.assign(candidates.size(), -1);
    int count = 0;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        for (std::size_t k = 0; k < i; ++k) {
            if (similarRects(candidates[i], candidates[k])) {
                labels[i] = labels[k];
                break;
            }
        }
        if (labels[i] < 0)
            labels[i] = count++;
    }
    return count;
}

std::vector<FaceRect> removeContainedFaces(const std::vector<FaceRect>& averaged)
{
    // A face that is removed still removes the faces inside it: the test runs over the whole
    // averaged list, not over the survivors.
    std::vector<FaceRect> faces;
    for (std::size_t i = 0; i < averaged.size(); ++i) {
        bool removed = false;
        for (std::size_t j = 0; j < averaged.size() && !removed; ++j)
            removed = j != i && isSwallowedBy(averaged[i], averaged[j]);
        if (!removed)
            faces.push_back(averaged[i]);
    }
    return faces;
}

std::vector<FaceRect> groupCandidates(const std::vector<FaceRect>& candidates)
{
    std::vector<int> labels;
    const int groupCount = partitionCandidates(candidates, labels);
    return removeContainedFaces(averageGroups(candidates, labels, groupCount));
}

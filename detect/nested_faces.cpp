#include "detect/nested_faces.h"

#include <algorithm>

bool holdsNestedFace(const FaceRect& a, const FaceRect& b)
{
    // 64-bit right edges: a forged list cannot overflow them.
    const long long aRight = static_cast<long long>(a.x) + a.width;
    const long long aBottom = static_cast<long long>(a.y) + a.height;
    const long long bRight = static_cast<long long>(b.x) + b.width;
    const long long bBottom = static_cast<long long>(b.y) + b.height;
    return a.x <= b.x && a.y <= b.y && aRight >= bRight && aBottom >= bBottom && a.width > b.width;
}

std::vector<FaceRect> dropNestedFaces(const std::vector<FaceRect>& faces)
{
    std::vector<FaceRect> kept;
    for (const FaceRect& a : faces) {
        const bool holdsAnother = std::any_of(
            faces.begin(), faces.end(), [&](const FaceRect& b) { return holdsNestedFace(a, b); });
        if (!holdsAnother)
            kept.push_back(a);
    }
    return kept;
}

#pragma once
// Everything a reading measured, for showing it to people: the working size, the face region the
// outline was measured in, the mouth point, the lowest point with the lower curves, the side
// curves with their vertices, and for a failed reading the test that ended it. The reader fills it
// only when asked (see readFace), so plain readings pay nothing for it.

#include "reading/face_measures.h"
#include "reading/mouth_point.h"
#include "reading/outline.h"
#include "reading/reading_failure.h"
#include "vision/image_buffer.h"

#include <optional>

struct ReadingReport {
    int width = 0;  // the prepared face the reading ran on
    int height = 0;
    // The face region as the outline saw it: the largest skin region with the gaps it encloses
    // filled, 0/255, width x height. Empty when the reading stopped before the skin map.
    ImageBuffer faceRegion;
    int faceRegionPixels = 0;  // non-zero pixels of faceRegion
    std::optional<MouthPoint> mouth;
    FaceMeasures measures;  // the same values as the outcome's
    OutlineTrace outline;   // side vertices, once the lower curves were found
    std::optional<ReadingFailure> failure;

    // Share of the prepared face taken as face region, 0 to 1 (0 for an empty face).
    double faceRegionShare() const
    {
        const long long all = static_cast<long long>(width) * height;
        return all > 0 ? double(faceRegionPixels) / double(all) : 0.0;
    }
};

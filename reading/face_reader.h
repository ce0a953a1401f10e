#pragma once
// The face reader: skin map, mouth point, cleaned skin region, outline measurement and the
// decision among the five face types.

#include "reading/face_measures.h"
#include "reading/mouth_point.h"
#include "reading/pixel_colours.h"
#include "reading/reading_report.h"
#include "vision/image_buffer.h"

#include <optional>

enum class FacePhase { WOOD, FIRE, EARTH, GOLD, WATER };

// "WOOD", "FIRE", "EARTH", "GOLD", "WATER".
const char* facePhaseName(FacePhase phase);

struct ReadOutcome {
    enum class Status {
        NotColour,  // the prepared image has no colour; nothing was measured
        Failed,     // the outline could not be measured
        Read,       // phase holds the face type
    };
    Status status = Status::Failed;
    FacePhase phase = FacePhase::WOOD;  // meaningful only when status is Read
    std::optional<MouthPoint> mouth;    // set once the reading got as far as the mouth point
    FaceMeasures measures;
};

// The decision table over the averages of the lower and the side coefficients.
FacePhase decideFacePhase(double a1, double a2, double a3, double a4);

// Reads a prepared face given as a 4-channel B,G,R,A buffer (as loadImageBuffer makes it).
// Never answers NotColour: the colour test belongs to the caller (see prepare_face.h). With a
// report, also fills it from scratch; the outcome and the diagnostic lines stay the same.
ReadOutcome readFace(const ImageBuffer& bgra, ReadingReport* report = nullptr);

// The same, with the hue and saturation of the face's pixels already worked out: a reader of
// many overlapping cuts of one picture works each pixel's out once. The outcome, the report and
// the diagnostic lines are those of the reading above.
ReadOutcome readFace(const ImageBuffer& bgra, KnownColours colours,
                     ReadingReport* report = nullptr);

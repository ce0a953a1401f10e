#include "reading/face_reader.h"

#include "reading/components.h"
#include "reading/masks.h"
#include "reading/outline.h"
#include "reading/pixel_colours.h"
#include "reading/skin_mask.h"

#include <utility>

const char* facePhaseName(FacePhase phase)
{
    switch (phase) {
    case FacePhase::WOOD: return "WOOD";
    case FacePhase::FIRE: return "FIRE";
    case FacePhase::EARTH: return "EARTH";
    case FacePhase::GOLD: return "GOLD";
    case FacePhase::WATER: return "WATER";
    }
    return "WOOD";
}

FacePhase decideFacePhase(double a1, double a2, double a3, double a4)
{
    const double lowerCurvature = (a2 + a1) * 0.5;
    const double sideCurvature = (a4 + a3) * 0.5;
    if (lowerCurvature < 0.027)
        return sideCurvature < 0.15 ? FacePhase::WATER : FacePhase::EARTH;
    if (lowerCurvature < 0.035)
        return sideCurvature < 0.15 ? FacePhase::GOLD : FacePhase::FIRE;
    return FacePhase::WOOD;
}

namespace {

// The face region's pixels that are set; counted only for a report.
int setPixels(const ImageBuffer& mask)
{
    int n = 0;
    for (std::size_t i = 0; i < mask.sizeInBytes(); ++i)
        n += mask.data[i] != 0;
    return n;
}

}  // namespace

ReadOutcome readFace(const ImageBuffer& bgra, ReadingReport* report)
{
    return readFace(bgra, KnownColours(), report);
}

ReadOutcome readFace(const ImageBuffer& bgra, KnownColours known, ReadingReport* report)
{
    ReadOutcome outcome;
    if (report) {
        *report = ReadingReport();
        report->width = bgra.width;
        report->height = bgra.height;
    }
    if (bgra.channels != 4 || bgra.depth != 1) {
        if (report)
            report->failure = ReadingFailure::NotBgraPixels;
        return outcome;
    }
    const ImageBuffer rgb = bgraToRgb(bgra);

    // The skin map and the mouth point judge pixels by the same hues, worked out once.
    PixelColours colours(rgb, std::move(known));
    ImageBuffer skin;
    skinMask(rgb, skin, colours);
    const MouthPoint mouth = locateMouthPoint(rgb, colours);
    outcome.mouth = mouth;

    // The face region: the largest skin region with the gaps it encloses filled.
    keepLargestComponent(skin);
    ImageBuffer filled;
    fillHoles(skin, filled);
    thresholdMask(filled, filled, 1);
    const ImageBuffer face = applyMask(rgb, filled);

    const int status =
        measureOutline(face, mouth, outcome.measures, report ? &report->outline : nullptr);
    if (report) {
        report->faceRegionPixels = setPixels(filled);
        report->faceRegion = std::move(filled);
        report->mouth = mouth;
        report->measures = outcome.measures;
        if (status != 0)
            report->failure = outlineFailure(outcome.measures, bgra.width, bgra.height);
    }
    if (status != 0)
        return outcome;
    const FaceMeasures& m = outcome.measures;
    outcome.status = ReadOutcome::Status::Read;
    outcome.phase = decideFacePhase(*m.a1, *m.a2, *m.a3, *m.a4);
    return outcome;
}

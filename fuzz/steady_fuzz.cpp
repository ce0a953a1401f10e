// A picture and a face box straight into the steady reading. Each input is 54 readings, and a
// reading costs in proportion to the cube of the face's side, so pictures stay at most 32 pixels
// a side; boxes may touch any border, fill the picture, or lie partly or wholly outside it.
// The input: the picture's width and height (two bytes each, little-endian), then one byte each
// for the box's x, y, width and height (folded to -1 .. W + 1, -1 .. H + 1, 0 .. W + 1 and
// 0 .. H + 1), one byte for the threads (1 or 2), then the B,G,R samples, repeated to fill the
// picture.
//
// Besides running clean under the sanitizers, every view prepared straight from the picture must
// be the one cut, mirror and prepare give, the votes must count the views, the vote must follow
// the rules, and the unmoved view must read as Read Face reads the face.

#include "fuzz/fuzz_picture_bytes.h"
#include "reading/prepare_face.h"
#include "reading/steady_reading.h"
#include "vision/diagnostics.h"
#include "vision/picture.h"

#include <QImage>
#include <QRect>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int maxSide = 32;
constexpr std::size_t headerSize = 9;

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "steady_fuzz: broken promise: %s\n", what);
        std::abort();
    }
}

// Format_RGB32 pixels as a reduced picture has them: the fourth byte 0xff.
QImage pictureOf(const ImageBuffer& bgr)
{
    QImage picture(bgr.width, bgr.height, QImage::Format_RGB32);
    for (int y = 0; y < bgr.height; ++y)
        for (int x = 0; x < bgr.width; ++x) {
            const unsigned char* p = bgr.data + (std::size_t(y) * bgr.width + x) * 3;
            picture.setPixel(x, y, qRgb(p[2], p[1], p[0]));
        }
    return picture;
}

bool sameBytes(const ImageBuffer& a, const ImageBuffer& b)
{
    return a.width == b.width && a.height == b.height && a.channels == b.channels &&
           a.sizeInBytes() == b.sizeInBytes() &&
           (a.sizeInBytes() == 0 || std::memcmp(a.data, b.data, a.sizeInBytes()) == 0);
}

void checkViewsPreparedAsByCopies(const QImage& picture, const FaceRect& box)
{
    for (const SteadyViewPlace& place : steadyViewPlaces(picture.width(), picture.height(), box)) {
        check(place.box.x >= 0 && place.box.y >= 0 && place.box.width > 0 && place.box.height > 0 &&
                  place.box.x + place.box.width <= picture.width() &&
                  place.box.y + place.box.height <= picture.height(),
              "every view's box lies inside the picture");
        const QRect cut = faceCutRect(picture.height(), place.box);
        const CutSampling sampling = cutSampling(cut.width(), cut.height());
        check(sampling.width > 0, "a small cut can be sampled");
        check(
            sameBytes(preparedView(picture, place, sampling), preparedViewByCopies(picture, place)),
            "a view straight from the picture is the one cut, mirror and prepare give");
    }
}

void checkVote(const SteadyReading& reading, const QImage& picture, const FaceRect& box)
{
    check(reading.views == int(reading.viewResults.size()), "one result per view");
    check(reading.views == 0 || reading.views == steadyViewCount, "54 views or none");
    SteadyVotes counted{};
    FailureCounts reasons{};
    for (const SteadyView& view : reading.viewResults) {
        ++counted[std::size_t(steadyOutcomeOf(view.outcome))];
        check(view.report.has_value() == (view.outcome.status != ReadOutcome::Status::NotColour),
              "a report for every view with colour");
        if (view.outcome.status == ReadOutcome::Status::Failed) {
            check(view.report && view.report->failure, "a failed view names its reason");
            ++reasons[std::size_t(*view.report->failure)];
        }
    }
    check(counted == reading.votes, "the votes count the views");
    if (reading.views == 0) {
        check(reading.outcome == SteadyOutcome::Failed && !reading.reason,
              "no views: failed without a reason");
        return;
    }
    const SteadyView& faithful = reading.viewResults[faithfulViewIndex];
    check(steadyVote(reading.votes, steadyOutcomeOf(faithful.outcome)) == reading.outcome,
          "the outcome follows from the votes");
    check(reading.reason ==
              (reading.outcome == SteadyOutcome::Failed ? commonestReason(reasons) : std::nullopt),
          "a failed vote carries the commonest reason");

    // The unmoved view is Read Face's reading of the face.
    check(faithful.place.box == box && !faithful.place.mirrored, "view 26 is the face itself");
    const QImage prepared = prepareFaceImage(cropFace(picture, box));
    if (!isColour(prepared)) {
        check(faithful.outcome.status == ReadOutcome::Status::NotColour, "grey as Read Face");
        return;
    }
    const ReadOutcome once = readFace(prepared);
    check(steadyOutcomeOf(once) == steadyOutcomeOf(faithful.outcome), "outcome as Read Face");
    const FaceMeasures& a = once.measures;
    const FaceMeasures& b = faithful.outcome.measures;
    check(a.x0 == b.x0 && a.y0 == b.y0 && a.a1 == b.a1 && a.a2 == b.a2 && a.a3 == b.a3 &&
              a.a4 == b.a4,
          "measures as Read Face");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < headerSize)
        return 0;
    setDiagnosticsStream(nullptr);
    const QImage picture = pictureOf(pictureFromBytes(data, size, headerSize, 3, maxSide));
    const int W = picture.width(), H = picture.height();
    const FaceRect box{data[4] % (W + 3) - 1, data[5] % (H + 3) - 1, data[6] % (W + 2),
                       data[7] % (H + 2), 0};
    const int threads = 1 + data[8] % 2;

    checkViewsPreparedAsByCopies(picture, box);
    checkVote(readSteadily(picture, box, threads), picture, box);
    return 0;
}

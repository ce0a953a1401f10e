// Raw pixels straight into the face reader, as the window and the command-line tool hand it a
// prepared face. Those have up to 100 pixels a side, but the outline search costs in proportion
// to the cube of the side, and every step of the reading is reached by faces of a few dozen
// pixels, so faces here stay at most 32 pixels a side. The first four bytes give the face's width
// and height (1 to 32 each, little-endian), the rest are its B,G,R,A samples, repeated to fill it.

#include "fuzz/fuzz_picture_bytes.h"
#include "reading/face_reader.h"
#include "vision/diagnostics.h"
#include "vision/image_buffer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int maxSide = 32;

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "read_fuzz: broken promise: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    setDiagnosticsStream(nullptr);
    const ImageBuffer bgra = pictureFromBytes(data, size, 4, 4, maxSide);

    ReadingReport report;
    const ReadOutcome outcome = readFace(bgra, &report);
    check(outcome.status != ReadOutcome::Status::NotColour, "readFace never answers NotColour");
    if (outcome.mouth) {
        check(outcome.mouth->x >= 0 && outcome.mouth->x < bgra.width, "mouth column inside");
        check(outcome.mouth->y >= 0 && outcome.mouth->y < bgra.height, "mouth row inside");
    }
    if (outcome.status == ReadOutcome::Status::Read) {
        const FaceMeasures& m = outcome.measures;
        check(m.a1 && m.a2 && m.a3 && m.a4, "a reading has all four coefficients");
        check(decideFacePhase(*m.a1, *m.a2, *m.a3, *m.a4) == outcome.phase,
              "the phase follows from the coefficients");
    }
    const FaceMeasures& a = outcome.measures;
    const FaceMeasures& b = report.measures;
    check(a.x0 == b.x0 && a.y0 == b.y0 && a.a1 == b.a1 && a.a2 == b.a2 && a.a3 == b.a3 &&
              a.a4 == b.a4,
          "the report holds the outcome's measures");
    check(report.failure.has_value() == (outcome.status == ReadOutcome::Status::Failed),
          "the report names the failure of a failed reading, and only then");
    return 0;
}

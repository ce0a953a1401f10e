// Grey pixels straight into the detector. The scan over every scale costs in proportion to the
// picture's area, so pictures stay small (1 to 48 pixels a side), and the cascade is the real one
// cut to its first few stages, so that many windows get past the early stages and reach the
// later passes, the grouping and the dropping of nested boxes. The input: width and height (two bytes each, little-endian),
// one byte choosing how many stages to keep, then the grey samples, repeated to fill the picture.
//
// The cascade is the one beside the executable, or the file named by VELMORA_CASCADE.

#include "detect/detect_faces.h"
#include "detect/find_faces.h"
#include "detect/nested_faces.h"
#include "fuzz/fuzz_detector.h"
#include "fuzz/fuzz_picture_bytes.h"
#include "vision/image_buffer.h"

#include <QCoreApplication>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int maxSide = 48;
// One and two stages scan in one pass, more in two; the whole cascade for the real decision.
constexpr std::array<int, 5> stageCounts = {1, 2, 3, 6, 1000};

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "detect_fuzz: broken promise: %s\n", what);
        std::abort();
    }
}

FaceDetector& detector(std::size_t choice)
{
    static std::array<FaceDetector, stageCounts.size()> cut = [] {
        std::array<FaceDetector, stageCounts.size()> detectors;
        for (std::size_t i = 0; i < stageCounts.size(); ++i)
            detectors[i] = fuzzDetectorStages("detect_fuzz", stageCounts[i]);
        return detectors;
    }();
    return cut[choice % cut.size()];
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    detector(0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 5)
        return 0;
    FaceDetector& chosen = detector(data[4]);
    const ImageBuffer grey = pictureFromBytes(data, size, 5, 1, maxSide);

    const std::vector<FaceRect> faces = detectFaces(grey, chosen);
    for (const FaceRect& f : faces) {
        check(f.width > 0 && f.height > 0, "a face has a size");
        check(f.x >= 0 && f.y >= 0 && f.x + f.width <= grey.width && f.y + f.height <= grey.height,
              "a face lies inside the picture");
        check(f.neighbors >= 2, "a face groups at least two windows");
    }

    // The faces as the program lists them: the grouped faces that hold no other, in their order.
    const std::vector<FaceRect> listed = findFaces(grey, chosen);
    std::size_t next = 0;
    for (const FaceRect& f : faces) {
        bool holds = false;
        for (const FaceRect& g : faces)
            holds = holds || holdsNestedFace(f, g);
        if (!holds) {
            check(next < listed.size() && listed[next] == f, "the listed faces are those kept");
            ++next;
        }
    }
    check(next == listed.size(), "no other face is listed");
    check(findFaces(grey, chosen, FaceSearch{1, true}) == faces, "kept nested: the grouped list");
    return 0;
}

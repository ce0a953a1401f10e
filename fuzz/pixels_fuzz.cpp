// Raw pixels straight into the detector and the reader, past every image decoder: the first four
// bytes give the picture's width and height (1 to 300 each, little-endian), the rest are its
// B,G,R,A samples, repeated to fill the picture. Each face found is cut as the window cuts it
// and read, and so is the whole picture.
//
// The cascade is the one beside the executable, or the file named by VELMORA_CASCADE.

#include "detect/detect_faces.h"
#include "fuzz/fuzz_detector.h"
#include "reading/face_reader.h"
#include "vision/image_buffer.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int maxSide = 300;
constexpr std::size_t maxFacesRead = 4;  // enough to reach the reader; more only costs time

FaceDetector& detector() { return fuzzDetector("pixels_fuzz"); }

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "pixels_fuzz: broken promise: %s\n", what);
        std::abort();
    }
}

// The face's columns and its rows extended by a quarter of its height above and below, clipped
// to the picture, as the window cuts a face (columns outside the picture stay black).
ImageBuffer cutFace(const ImageBuffer& bgra, const FaceRect& face)
{
    int top = static_cast<int>(face.y - face.height * 0.25);
    if (top < 0)
        top = 0;
    int bottom = static_cast<int>(face.y + face.height * 1.25);
    if (bottom > bgra.height)
        bottom = bgra.height;
    ImageBuffer cut(face.width, bottom - top, 4, 1);
    for (int y = 0; y < cut.height; ++y)
        for (int x = 0; x < cut.width; ++x) {
            const int sx = face.x + x;
            if (sx < 0 || sx >= bgra.width)
                continue;
            std::memcpy(cut.data + (std::size_t(y) * cut.width + x) * 4,
                        bgra.data + (std::size_t(top + y) * bgra.width + sx) * 4, 4);
        }
    return cut;
}

void readAndCheck(const ImageBuffer& bgra)
{
    if (bgra.isEmpty())
        return;
    const ReadOutcome outcome = readFace(bgra);
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
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    detector();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    const int width = 1 + (data[0] | data[1] << 8) % maxSide;
    const int height = 1 + (data[2] | data[3] << 8) % maxSide;
    const std::uint8_t* samples = data + 4;
    const std::size_t sampleCount = size - 4;

    ImageBuffer bgra(width, height, 4, 1);
    if (sampleCount > 0)
        for (std::size_t i = 0; i < bgra.sizeInBytes(); ++i)
            bgra.data[i] = samples[i % sampleCount];

    const std::vector<FaceRect> faces = detectFaces(toGray(bgra), detector());
    for (const FaceRect& f : faces) {
        check(f.width > 0 && f.height > 0, "a face has a size");
        check(f.x >= 0 && f.y >= 0 && f.x + f.width <= width && f.y + f.height <= height,
              "a face lies inside the picture");
    }
    for (std::size_t i = 0; i < faces.size() && i < maxFacesRead; ++i)
        readAndCheck(cutFace(bgra, faces[i]));
    readAndCheck(bgra);
    return 0;
}

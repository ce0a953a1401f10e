// Time of one face reading (readFace) on the prepared faces of the sample photos and on a drawn
// face. The reading runs on the window's thread, so it has to stay short.

#include "detect/find_faces.h"
#include "reading/components.h"
#include "reading/face_reader.h"
#include "reading/masks.h"
#include "reading/outline.h"
#include "reading/prepare_face.h"
#include "reading/skin_mask.h"
#include "tests/reading/plain_lower_search.h"
#include "vision/diagnostics.h"
#include "vision/picture.h"
#include "vision/qimage_buffer.h"

#include <QImage>
#include <benchmark/benchmark.h>

#include <cmath>
#include <iostream>
#include <string>

namespace {

// The first face of a sample photo as the window cuts it, before the reader's preparation.
QImage firstFaceCut(const std::string& fileName)
{
    const QImage picture = reducePicture(
        QImage(QString::fromStdString(std::string(VELMORA_TEST_DATA) + "/photos/" + fileName)));
    // The cascade lies in the source tree's data folder, two levels above the test data.
    const std::string cascade =
        std::string(VELMORA_TEST_DATA) + "/../../data/haarcascade_frontalface_alt.xml";
    FaceDetector detector(std::wstring(cascade.begin(), cascade.end()));
    const auto faces = findFaces(toGray(loadImageBuffer(picture)), detector);
    if (faces.empty())
        return {};
    return cropFace(picture, faces.front());
}

QImage firstPreparedFace(const std::string& fileName)
{
    const QImage cut = firstFaceCut(fileName);
    return cut.isNull() ? cut : prepareFaceImage(cut);
}

// A skin-coloured ellipse with a darker jaw line and a red mouth on a blue-grey ground.
ImageBuffer drawnFace()
{
    const int W = 67, H = 100;
    ImageBuffer bgra(W, H, 4, 1);
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const double u = (x - 33.5) / 30, v = (y - 50) / 36.0;
            const double d = u * u + v * v;
            int r = 60, g = 90, b = 140;
            if (d <= 1) {
                const bool jaw = d > 0.8 && y > 50;
                r = jaw ? 150 : 200, g = jaw ? 105 : 150, b = jaw ? 80 : 120;
            }
            const double mu = (x - 33.5) / 10.5, mv = (y - 69.8) / 2.16;
            if (mu * mu + mv * mv <= 1)
                r = 190, g = 40, b = 50;
            unsigned char* p = bgra.data + (y * W + x) * 4;
            p[0] = b, p[1] = g, p[2] = r, p[3] = 255;
        }
    }
    return bgra;
}

void readBuffer(benchmark::State& state, const ImageBuffer& face)
{
    setDiagnosticsStream(nullptr);
    for (auto _ : state)
        benchmark::DoNotOptimize(readFace(face));
    setDiagnosticsStream(&std::cout);
}

void BM_ReadDrawnFace(benchmark::State& state) { readBuffer(state, drawnFace()); }
BENCHMARK(BM_ReadDrawnFace)->Unit(benchmark::kMillisecond);

void readPhoto(benchmark::State& state, const char* fileName)
{
    std::ostream& keep = diagnostics();
    setDiagnosticsStream(nullptr);
    const QImage face = firstPreparedFace(fileName);
    setDiagnosticsStream(&keep);
    if (face.isNull()) {
        state.SkipWithError("no face detected");
        return;
    }
    readBuffer(state, loadImageBuffer(face));
}

// The same reading with its diagnostic lines written out (to a stream that drops them), as the
// window writes them to standard output.
void BM_ReadGraceHopperWritingLines(benchmark::State& state)
{
    std::ostream& keep = diagnostics();
    setDiagnosticsStream(nullptr);
    const QImage face = firstPreparedFace("grace_hopper.jpg");
    setDiagnosticsStream(&keep);
    if (face.isNull()) {
        state.SkipWithError("no face detected");
        return;
    }
    const ImageBuffer buffer = loadImageBuffer(face);
    struct Drop : std::streambuf {
        int overflow(int c) override { return c; }
        std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
    } drop;
    std::ostream lines(&drop);
    setDiagnosticsStream(&lines);
    for (auto _ : state)
        benchmark::DoNotOptimize(readFace(buffer));
    setDiagnosticsStream(&std::cout);
}
BENCHMARK(BM_ReadGraceHopperWritingLines)->Unit(benchmark::kMillisecond);

// All that Read Face does with the cut face: preparation, colour test and reading.
void BM_PrepareAndReadGraceHopper(benchmark::State& state)
{
    std::ostream& keep = diagnostics();
    setDiagnosticsStream(nullptr);
    const QImage cut = firstFaceCut("grace_hopper.jpg");
    if (cut.isNull()) {
        setDiagnosticsStream(&keep);
        state.SkipWithError("no face detected");
        return;
    }
    for (auto _ : state) {
        const QImage prepared = prepareFaceImage(cut);
        if (isColour(prepared))
            benchmark::DoNotOptimize(readFace(prepared));
    }
    setDiagnosticsStream(&keep);
}
BENCHMARK(BM_PrepareAndReadGraceHopper)->Unit(benchmark::kMillisecond);

void BM_ReadAstronaut(benchmark::State& state) { readPhoto(state, "astronaut.png"); }
BENCHMARK(BM_ReadAstronaut)->Unit(benchmark::kMillisecond);

void BM_ReadGraceHopper(benchmark::State& state) { readPhoto(state, "grace_hopper.jpg"); }
BENCHMARK(BM_ReadGraceHopper)->Unit(benchmark::kMillisecond);

// The lower outline search alone, as the library runs it and as the plain four-fold loop, on the
// edge map of the astronaut's masked face: the reading's one expensive step.
struct SearchInput {
    ImageBuffer edges;
    MouthPoint mouth;
};

SearchInput astronautSearchInput()
{
    std::ostream& keep = diagnostics();
    setDiagnosticsStream(nullptr);
    const QImage face = firstPreparedFace("astronaut.png");
    SearchInput input;
    if (!face.isNull()) {
        const ImageBuffer rgb = bgraToRgb(loadImageBuffer(face));
        ImageBuffer skin;
        skinMask(rgb, skin);
        keepLargestComponent(skin);
        ImageBuffer filled;
        fillHoles(skin, filled);
        input.edges = edgeMap(applyMask(rgb, filled));
        input.mouth = locateMouthPoint(rgb);
    }
    setDiagnosticsStream(&keep);
    return input;
}

template <FaceMeasures (*search)(const ImageBuffer&, MouthPoint)>
void searchOnly(benchmark::State& state)
{
    const SearchInput input = astronautSearchInput();
    if (input.edges.isEmpty()) {
        state.SkipWithError("no face detected");
        return;
    }
    setDiagnosticsStream(nullptr);
    for (auto _ : state)
        benchmark::DoNotOptimize(search(input.edges, input.mouth));
    setDiagnosticsStream(&std::cout);
}

BENCHMARK_TEMPLATE(searchOnly, searchLowerOutline)
    ->Name("BM_LowerSearchAstronaut")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(searchOnly, plainLowerSearch)
    ->Name("BM_PlainLowerSearchAstronaut")
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

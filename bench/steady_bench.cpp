// Time of a steady reading (readSteadily: 54 views read and voted on) of each face of the sample
// photos, on one thread and on every core, and of the views' preparation alone: straight from
// the picture as the reading does it, and by cut, mirror and prepare as the plain rule says.

#include "detect/find_faces.h"
#include "reading/steady_reading.h"
#include "vision/diagnostics.h"
#include "vision/picture.h"
#include "vision/qimage_buffer.h"

#include <QImage>
#include <QRect>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

struct PhotoFaces {
    QImage picture;  // reduced, as the tool and the window have it
    std::vector<FaceRect> faces;
};

const PhotoFaces& photoFaces(const std::string& fileName)
{
    static std::map<std::string, PhotoFaces> loaded;
    auto found = loaded.find(fileName);
    if (found != loaded.end())
        return found->second;
    std::ostream& keep = diagnostics();
    setDiagnosticsStream(nullptr);
    PhotoFaces photo;
    photo.picture = reducePicture(
        QImage(QString::fromStdString(std::string(VELMORA_TEST_DATA) + "/photos/" + fileName)));
    // The cascade lies in the source tree's data folder, two levels above the test data.
    const std::string cascade =
        std::string(VELMORA_TEST_DATA) + "/../../data/haarcascade_frontalface_alt.xml";
    FaceDetector detector(std::wstring(cascade.begin(), cascade.end()));
    photo.faces = findFaces(toGray(loadImageBuffer(photo.picture)), detector);
    setDiagnosticsStream(&keep);
    return loaded.emplace(fileName, std::move(photo)).first->second;
}

// The face, or nothing (and the benchmark skipped) when the photo has no such face.
const FaceRect* faceOf(benchmark::State& state, const PhotoFaces& photo, std::size_t face)
{
    if (face < photo.faces.size())
        return &photo.faces[face];
    state.SkipWithError("no such face detected");
    return nullptr;
}

// The views of the photo's first face; none (and the benchmark skipped) when it has no face.
std::vector<SteadyViewPlace> firstFaceViews(benchmark::State& state, const PhotoFaces& photo)
{
    const FaceRect* box = faceOf(state, photo, 0);
    if (!box)
        return {};
    return steadyViewPlaces(photo.picture.width(), photo.picture.height(), *box);
}

void steadyReading(benchmark::State& state, const std::string& fileName, std::size_t face,
                   int threads)
{
    const PhotoFaces& photo = photoFaces(fileName);
    const FaceRect* box = faceOf(state, photo, face);
    if (!box)
        return;
    for (auto _ : state)
        benchmark::DoNotOptimize(readSteadily(photo.picture, *box, threads));
}

// The 54 views of the photo's first face prepared as the reading prepares them: the sampling of
// each cut size made once, then every view taken straight from the picture.
void viewsPrepared(benchmark::State& state, const std::string& fileName)
{
    const PhotoFaces& photo = photoFaces(fileName);
    const std::vector<SteadyViewPlace> places = firstFaceViews(state, photo);
    for (auto _ : state) {
        std::vector<CutSampling> samplings;
        for (const SteadyViewPlace& place : places) {
            const QSize cut = faceCutRect(photo.picture.height(), place.box).size();
            auto same = [&](const CutSampling& s) {
                return s.cutWidth == cut.width() && s.cutHeight == cut.height();
            };
            auto found = std::find_if(samplings.begin(), samplings.end(), same);
            if (found == samplings.end())
                found = samplings.insert(samplings.end(), cutSampling(cut.width(), cut.height()));
            benchmark::DoNotOptimize(preparedView(photo.picture, place, *found));
        }
    }
}

// The same views by cut, mirror and prepare through Qt, as the plain rule says.
void viewsByCopies(benchmark::State& state, const std::string& fileName)
{
    const PhotoFaces& photo = photoFaces(fileName);
    const std::vector<SteadyViewPlace> places = firstFaceViews(state, photo);
    for (auto _ : state)
        for (const SteadyViewPlace& place : places)
            benchmark::DoNotOptimize(preparedViewByCopies(photo.picture, place));
}

const struct {
    const char* photo;
    std::size_t face;
} photoFaceList[] = {{"astronaut.png", 0},     {"grace_hopper.jpg", 0}, {"two_people.jpg", 0},
                     {"two_people.jpg", 1},    {"astronaut_70.png", 0}, {"grace_hopper_90.png", 0},
                     {"astronaut_grey.png", 0}};

const bool registered = [] {
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    for (const auto& entry : photoFaceList) {
        const std::string name = std::string(entry.photo) + "/" + std::to_string(entry.face);
        const std::string photo = entry.photo;
        const std::size_t face = entry.face;
        for (int threads : {1, cores}) {
            benchmark::RegisterBenchmark(
                ("BM_SteadyReading/" + name + "/threads:" + std::to_string(threads)).c_str(),
                [=](benchmark::State& state) { steadyReading(state, photo, face, threads); })
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
            if (cores == 1)
                break;
        }
    }
    for (const char* photo : {"astronaut.png", "grace_hopper.jpg"}) {
        benchmark::RegisterBenchmark((std::string("BM_SteadyViewsPrepared/") + photo).c_str(),
                                     [=](benchmark::State& state) { viewsPrepared(state, photo); })
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("BM_SteadyViewsByCopies/") + photo).c_str(),
                                     [=](benchmark::State& state) { viewsByCopies(state, photo); })
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace

// Time of one detection run on the grey buffers of the sample photos, prepared exactly as the
// window prepares them (RGB32, 1000-pixel reduction, B,G,R,A buffer, grey).

#include "detect/detect_faces.h"
#include "detect/face_scan.h"
#include "detect/wide_stump_sums.h"
#include "detect/window_evaluation.h"
#include "vision/diagnostics.h"
#include "vision/picture.h"
#include "vision/qimage_buffer.h"

#include <QImage>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <thread>
#include <utility>

namespace {

const char* const photoNames[] = {"astronaut.png", "grace_hopper.jpg", "two_people.jpg",
                                  "coffee.png", "camera.png"};

FaceDetector& sharedDetector()
{
    static FaceDetector* detector = [] {
        setDiagnosticsStream(nullptr);
        const std::string path =
            std::string(VELMORA_TEST_DATA) + "/../../data/haarcascade_frontalface_alt.xml";
        auto* d = new FaceDetector(std::wstring(path.begin(), path.end()));
        setDiagnosticsStream(&std::cout);
        return d;
    }();
    return *detector;
}

ImageBuffer greyPhoto(const char* name)
{
    const QImage photo(QString::fromStdString(std::string(VELMORA_TEST_DATA) + "/photos/" + name));
    return toGray(loadImageBuffer(reducePicture(photo)));
}

void runDetection(benchmark::State& state, const char* name, WindowEvaluator evaluate)
{
    FaceDetector& detector = sharedDetector();
    if (!detector.cascade) {
        state.SkipWithError("cascade file not loaded");
        return;
    }
    const ImageBuffer grey = greyPhoto(name);
    if (grey.isEmpty()) {
        state.SkipWithError("photo not loaded");
        return;
    }
    std::size_t faces = 0;
    for (auto _ : state) {
        const auto found = scanForFaces(grey, detector, evaluate);
        faces = found.size();
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["faces"] = double(faces);
    state.SetLabel(std::to_string(grey.width) + "x" + std::to_string(grey.height));
}

void detectFacesOn(benchmark::State& state, const char* name)
{
    // detectFaces itself, the path the window takes.
    FaceDetector& detector = sharedDetector();
    if (!detector.cascade) {
        state.SkipWithError("cascade file not loaded");
        return;
    }
    const ImageBuffer grey = greyPhoto(name);
    for (auto _ : state) {
        const auto found = detectFaces(grey, detector);
        benchmark::DoNotOptimize(found.data());
    }
    state.SetLabel(std::to_string(grey.width) + "x" + std::to_string(grey.height));
}

// detectFaces with the stage sums in one form, so that the forms can be compared in one run
// (--benchmark_enable_random_interleaving interleaves their repetitions).
void detectFacesByForm(benchmark::State& state, const char* name, StageSumsForm form)
{
    if (!useStageSumsForm(form)) {
        state.SkipWithError("the processor cannot run this form");
        return;
    }
    detectFacesOn(state, name);
    allowWideStageSums(true);
}

void detectFacesParallelOn(benchmark::State& state, const char* name)
{
    // The window's path: every core on one picture.
    FaceDetector& detector = sharedDetector();
    if (!detector.cascade) {
        state.SkipWithError("cascade file not loaded");
        return;
    }
    const ImageBuffer grey = greyPhoto(name);
    const int threads = int(std::max(1u, std::thread::hardware_concurrency()));
    for (auto _ : state) {
        const auto found = detectFacesParallel(grey, detector, threads);
        benchmark::DoNotOptimize(found.data());
    }
    state.SetLabel(std::to_string(grey.width) + "x" + std::to_string(grey.height) + ", " +
                   std::to_string(threads) + " threads");
}

void plainEvaluationOn(benchmark::State& state, const char* name)
{
    runDetection(state, name, runCascadeAt);
}

const int registered = [] {
    for (const char* name : photoNames) {
        benchmark::RegisterBenchmark((std::string("detectFaces/") + name).c_str(), detectFacesOn,
                                     name)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(9)
            ->ReportAggregatesOnly(true)
            ->ComputeStatistics("min", [](const std::vector<double>& v) {
                return *std::min_element(v.begin(), v.end());
            });
        benchmark::RegisterBenchmark((std::string("detectFacesParallel/") + name).c_str(),
                                     detectFacesParallelOn, name)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Repetitions(9)
            ->ReportAggregatesOnly(true)
            ->ComputeStatistics("min", [](const std::vector<double>& v) {
                return *std::min_element(v.begin(), v.end());
            });
        benchmark::RegisterBenchmark((std::string("plainEvaluation/") + name).c_str(),
                                     plainEvaluationOn, name)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
        const std::pair<const char*, StageSumsForm> forms[] = {{"plain", StageSumsForm::plain},
                                                               {"four", StageSumsForm::four},
                                                               {"eight", StageSumsForm::eight}};
        for (const auto& [formName, form] : forms)
            benchmark::RegisterBenchmark(
                (std::string("detectFacesBy/") + formName + "/" + name).c_str(), detectFacesByForm,
                name, form)
                ->Unit(benchmark::kMillisecond)
                ->Repetitions(9)
                ->ReportAggregatesOnly(true)
                ->ComputeStatistics("min", [](const std::vector<double>& v) {
                    return *std::min_element(v.begin(), v.end());
                });
    }
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();

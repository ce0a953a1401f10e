// Time of loading the face cascade, the largest part of start-up: once with the diagnostic lines
// silenced (as velmora-cli runs) and once with them written to a file, as the window writes them
// to standard output.

#include "vision/diagnostics.h"
#include "vision/haar_cascade.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <iostream>
#include <string>

namespace {

std::wstring realCascadePath()
{
    // The cascade lies in the source tree's data folder, two levels above the test data.
    const std::string path =
        std::string(VELMORA_TEST_DATA) + "/../../data/haarcascade_frontalface_alt.xml";
    return std::wstring(path.begin(), path.end());
}

void loadInto(benchmark::State& state, std::ostream* lines)
{
    const std::wstring path = realCascadePath();
    setDiagnosticsStream(lines);
    int stages = 0;
    for (auto _ : state) {
        FaceDetector detector(path);
        stages = detector.cascade ? detector.cascade->count : 0;
        benchmark::DoNotOptimize(detector.cascade.get());
    }
    setDiagnosticsStream(&std::cout);
    if (stages == 0)
        state.SkipWithError("cascade file not loaded");
    state.counters["stages"] = stages;
}

void loadSilenced(benchmark::State& state) { loadInto(state, nullptr); }

void loadWithLines(benchmark::State& state)
{
    // A real file rather than a string stream, so that every flush of a line costs what it costs
    // on standard output.
    std::ofstream sink("/dev/null");
    loadInto(state, &sink);
}

const int registered = [] {
    for (auto [name, run] : {std::pair{"loadCascade/real", loadSilenced},
                             std::pair{"loadCascade/real_with_lines", loadWithLines}}) {
        benchmark::RegisterBenchmark(name, run)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(9)
            ->ReportAggregatesOnly(true);
    }
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();

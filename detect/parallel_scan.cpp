#include "detect/parallel_scan.h"

#include "detect/candidate_grouping.h"
#include "detect/detect_faces.h"
#include "detect/prepared_cascade.h"
#include "detect/window_evaluation.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>

namespace {

// One band: grid rows [firstRow, endRow) of scales[scale].
struct RowBand {
    int scale = 0;
    int firstRow = 0;
    int endRow = 0;
};

// The bands of every scanned scale in scan order, each of rowsPerBand grid rows.
std::vector<RowBand> cutIntoBands(const std::vector<ScaleLayout>& scales)
{
    std::vector<RowBand> bands;
    for (std::size_t k = 0; k < scales.size(); ++k) {
        const ScaleLayout& s = scales[k];
        if (!s.isScanned() || s.columns <= 0 || s.rows <= 0)
            continue;
        const int rows = rowsPerBand(s);
        for (int first = 0; first < s.rows; first += rows)
            bands.push_back({int(k), first, std::min(s.rows, first + rows)});
    }
    return bands;
}

struct SharedScan {
    const ScanPlan& plan;
    const std::vector<RowBand>& bands;
    WindowEvaluator evaluate;
    BatchEvaluator evaluateMany;
    std::atomic<std::size_t> nextBand{0};
    std::vector<std::vector<FaceRect>> found;  // per band, each written by the thread that took it
};

// Takes bands until none is left. cascade is this thread's own, holding the picture's integrals.
void scanBands(SharedScan& shared, HaarCascade& cascade)
{
    int targetedScale = -1;
    for (std::size_t b = shared.nextBand++; b < shared.bands.size(); b = shared.nextBand++) {
        const RowBand& band = shared.bands[b];
        const ScaleLayout& s = shared.plan.scales[std::size_t(band.scale)];
        if (band.scale != targetedScale) {
            setImagesForScale(cascade, nullptr, nullptr, s.factor);
            targetedScale = band.scale;
        }
        scanRows(shared.plan, cascade, s, band.firstRow, band.endRow, shared.evaluate,
                 shared.evaluateMany, shared.found[b]);
    }
}

// Leaves the detector as the one-thread scan does: targeted at the last scanned scale.
void targetLastScale(HaarCascade& cascade, const std::vector<ScaleLayout>& scales)
{
    for (auto s = scales.rbegin(); s != scales.rend(); ++s)
        if (s->isScanned()) {
            setImagesForScale(cascade, nullptr, nullptr, s->factor);
            return;
        }
}

}  // namespace

std::vector<FaceRect> scanCandidatesInParallel(const ImageBuffer& grey, FaceDetector& detector,
                                               int threads, WindowEvaluator evaluate,
                                               BatchEvaluator evaluateMany)
{
    if (!detector.cascade)
        return {};
    HaarCascade& cascade = *detector.cascade;
    const std::vector<RowBand> bands =
        cutIntoBands(scanScales(grey.width, grey.height, cascade.origWindowSize));
    const std::size_t threadCount = std::clamp<std::size_t>(std::size_t(std::max(threads, 1)), 1,
                                                            std::max<std::size_t>(bands.size(), 1));
    // Copying reads the cascade's current scale, which planning and scanning change: the helpers'
    // copies are made first.
    std::vector<FaceDetector> copies;
    for (std::size_t k = 1; k < threadCount; ++k)
        copies.push_back(copyFaceDetector(detector));
    auto takeInIntegrals = [&cascade](FaceDetector& copy) {
        setImagesForScale(*copy.cascade, &cascade.prepared->sum, &cascade.prepared->sqsum, 1.0);
    };
    // While another thread makes the edge map, this one has time to hand the integrals to the
    // first helper's copy; the other helpers take them in on their own threads.
    const std::optional<ScanPlan> plan =
        threadCount > 1 ? planScan(grey, detector, EdgeMapping::besideIntegrals,
                                   [&] { takeInIntegrals(copies.front()); })
                        : planScan(grey, detector);
    if (!plan)
        return {};
    SharedScan shared{*plan, bands, evaluate, evaluateMany, {0}, {}};
    shared.found.resize(bands.size());
    std::vector<std::thread> helpers;
    for (std::size_t k = 0; k < copies.size(); ++k)
        helpers.emplace_back([&shared, &copies, &takeInIntegrals, k] {
            if (k > 0)
                takeInIntegrals(copies[k]);
            scanBands(shared, *copies[k].cascade);
        });
    scanBands(shared, cascade);
    for (std::thread& helper : helpers)
        helper.join();
    targetLastScale(cascade, plan->scales);

    std::vector<FaceRect> candidates;
    for (const std::vector<FaceRect>& bandCandidates : shared.found)
        candidates.insert(candidates.end(), bandCandidates.begin(), bandCandidates.end());
    return candidates;
}

std::vector<FaceRect> detectFacesParallel(const ImageBuffer& grey, FaceDetector& detector,
                                          int threads)
{
    return groupCandidates(
        scanCandidatesInParallel(grey, detector, threads, runCascadeAtFast, runCascadesAtFast));
}

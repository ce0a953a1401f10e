#include "detect/face_scan.h"

#include "detect/candidate_grouping.h"
#include "detect/detect_faces.h"
#include "detect/edge_map.h"
#include "detect/integral_image.h"
#include "detect/prepared_cascade.h"
#include "detect/rounding.h"
#include "detect/scan_geometry.h"
#include "detect/wide_stump_sums.h"
#include "detect/window_evaluation.h"
#include "vision/diagnostics.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <optional>
#include <thread>
#include <utility>

namespace {

// Thresholds handed to the edge detector.
constexpr double edgeLow = 0.0;
constexpr double edgeHigh = 50.0;
// A window is evaluated only when its inner rectangle holds an edge pixel (each counts 255) and
// is not black.
constexpr int edgeThreshold = 100;
constexpr int intensityThreshold = 20;
// Pass 0 runs the first stages over the whole grid; pass 1 runs the rest where pass 0 accepted.
constexpr int defaultSplitStage = 2;
constexpr int defaultPassCount = 2;

struct ScanState {
    HaarCascade& cascade;
    WindowEvaluator evaluate;
    BatchEvaluator evaluateMany;       // may be null
    const ImageBuffer& sum;            // the picture's sums, as kept by the prepared form
    const ImageBuffer& edgeSum;        // sums of the edge map
    std::vector<unsigned char>& mask;  // one byte per grid position: accepted in pass 0
    std::vector<int>& columnX;         // x of every grid column of the current scale
    int passCount;
    std::vector<FaceRect>& candidates;
    // A later pass's windows of one scale in scan order, their grid positions and results.
    std::vector<WindowSpot>& marked;
    std::vector<std::size_t>& markIndex;
    std::vector<int>& results;
    // The band of grid rows being scanned, [firstRow, endRow).
    int firstRow;
    int endRow;
};

// What one scan leaves to the next on the same thread. Detecting again reuses this memory: fresh
// memory of this size would cost a page fault for every page touched, a noticeable share of a
// run's time.
struct ScanBuffers {
    ImageBuffer edges;
    ImageBuffer edgeSum;
    std::vector<unsigned char> mask;
    std::vector<int> columnX;
    std::vector<WindowSpot> marked;
    std::vector<std::size_t> markIndex;
    std::vector<int> results;
};

thread_local ScanBuffers scanBuffers;

bool innerRectPasses(const ScanState& scan, const ScaleLayout& s, int x, int y)
{
    const int left = x + s.insetX;
    const int top = y + s.insetY;
    if (integralRectSum(scan.edgeSum, left, top, s.innerWidth, s.innerHeight) < edgeThreshold)
        return false;
    return integralRectSum(scan.sum, left, top, s.innerWidth, s.innerHeight) >= intensityThreshold;
}

// A window accepted by the first pass: marked for the next pass, or a candidate if there is none.
void markAccepted(ScanState& scan, const ScaleLayout& s, int i, int j)
{
    if (scan.passCount > 1)
        scan.mask[std::size_t(j) * std::size_t(s.columns) + std::size_t(i)] = 1;
    else
        scan.candidates.push_back({scan.columnX[std::size_t(i)], nearest(j * s.gridStep),
                                   s.windowWidth, s.windowHeight, 0});
}

void scanFirstPassOneByOne(ScanState& scan, const ScaleLayout& s)
{
    for (int j = scan.firstRow; j < scan.endRow; ++j) {
        const int y = nearest(j * s.gridStep);
        // After a window that is pruned, accepted or rejected at once, the next grid column is
        // skipped; after one that got further into the cascade, its neighbour is tried.
        int step = 1;
        for (int i = 0; i < s.columns; i += step) {
            const int x = scan.columnX[std::size_t(i)];
            step = 2;
            if (!innerRectPasses(scan, s, x, y))
                continue;
            const int result = scan.evaluate(0, scan.cascade, x, y);
            if (result > 0) {
                markAccepted(scan, s, i, j);
            } else if (result < 0) {
                step = 1;
            }
        }
    }
}

// The first pass by whole rows: every grid column is evaluated, all at once, and the walk then
// reads the results. Evaluating columns that the walk skips changes nothing (an evaluation has no
// effects), and it pays where neighbouring windows lie so close that the batch evaluation serves
// four of them with one load per corner.
void scanFirstPassByRows(ScanState& scan, const ScaleLayout& s)
{
    std::vector<WindowSpot>& row = scan.marked;
    std::vector<int>& results = scan.results;
    row.resize(std::size_t(s.columns));
    results.resize(std::size_t(s.columns));
    for (int i = 0; i < s.columns; ++i)
        row[std::size_t(i)].x = scan.columnX[std::size_t(i)];
    for (int j = scan.firstRow; j < scan.endRow; ++j) {
        const int y = nearest(j * s.gridStep);
        for (WindowSpot& w : row)
            w.y = y;
        scan.evaluateMany(0, scan.cascade, row.data(), row.size(), results.data());
        int step = 1;
        for (int i = 0; i < s.columns; i += step) {
            step = 2;
            if (!innerRectPasses(scan, s, scan.columnX[std::size_t(i)], y))
                continue;
            const int result = results[std::size_t(i)];
            if (result > 0)
                markAccepted(scan, s, i, j);
            else if (result < 0)
                step = 1;
        }
    }
}

void scanLaterPassOneByOne(ScanState& scan, const ScaleLayout& s, int startStage, bool lastPass)
{
    for (int j = scan.firstRow; j < scan.endRow; ++j) {
        const int y = nearest(j * s.gridStep);
        unsigned char* maskRow = scan.mask.data() + std::size_t(j) * std::size_t(s.columns);
        for (int i = 0; i < s.columns; ++i) {
            if (maskRow[i] == 0)
                continue;
            const int x = scan.columnX[std::size_t(i)];
            if (scan.evaluate(startStage, scan.cascade, x, y) <= 0)
                maskRow[i] = 0;
            else if (lastPass)
                scan.candidates.push_back({x, y, s.windowWidth, s.windowHeight, 0});
        }
    }
}

// The same windows as scanLaterPassOneByOne, with the same outcome in the same order, handed to
// the batch evaluation all at once.
void scanLaterPassTogether(ScanState& scan, const ScaleLayout& s, int startStage, bool lastPass)
{
    std::vector<WindowSpot>& marked = scan.marked;
    std::vector<std::size_t>& markIndex = scan.markIndex;
    marked.clear();
    markIndex.clear();
    for (int j = scan.firstRow; j < scan.endRow; ++j) {
        const int y = nearest(j * s.gridStep);
        const std::size_t rowStart = std::size_t(j) * std::size_t(s.columns);
        for (int i = 0; i < s.columns; ++i)
            if (scan.mask[rowStart + std::size_t(i)] != 0) {
                marked.push_back({scan.columnX[std::size_t(i)], y});
                markIndex.push_back(rowStart + std::size_t(i));
            }
    }
    scan.results.resize(marked.size());
    scan.evaluateMany(startStage, scan.cascade, marked.data(), marked.size(), scan.results.data());
    for (std::size_t k = 0; k < marked.size(); ++k) {
        if (scan.results[k] <= 0)
            scan.mask[markIndex[k]] = 0;
        else if (lastPass)
            scan.candidates.push_back({marked[k].x, marked[k].y, s.windowWidth, s.windowHeight, 0});
    }
}

// Whether every four neighbouring grid columns of the scale lie within eight pixels.
bool columnsLieClose(const ScanState& scan, const ScaleLayout& s)
{
    if (s.columns < 4)
        return false;
    for (int i = 0; i + 3 < s.columns; ++i)
        if (scan.columnX[std::size_t(i) + 3] - scan.columnX[std::size_t(i)] > rowGroupReach)
            return false;
    return true;
}

void scanFirstPass(ScanState& scan, const ScaleLayout& s)
{
    // Evaluating every column costs about twice the windows of the walk, which pays only when the
    // batch evaluation can take four neighbours by one load per corner.
    if (scan.evaluateMany && haveWideStageSums() && columnsLieClose(scan, s))
        scanFirstPassByRows(scan, s);
    else
        scanFirstPassOneByOne(scan, s);
}

void scanLaterPass(ScanState& scan, const ScaleLayout& s, int startStage, bool lastPass)
{
    if (scan.evaluateMany)
        scanLaterPassTogether(scan, s, startStage, lastPass);
    else
        scanLaterPassOneByOne(scan, s, startStage, lastPass);
}

bool isGreyPicture(const ImageBuffer& grey)
{
    return grey.channels == 1 && grey.depth == 1 && grey.width > 0 && grey.height > 0 &&
           grey.data != nullptr;
}

}  // namespace

std::optional<ScanPlan> planScan(const ImageBuffer& grey, FaceDetector& detector,
                                 EdgeMapping edgeMapping, const std::function<void()>& meanwhile)
{
    if (!detector.cascade)
        return std::nullopt;
    HaarCascade& cascade = *detector.cascade;
    if (!cascade.prepared && !prepareCascade(cascade))
        return std::nullopt;
    PreparedCascade& prepared = *cascade.prepared;
    if (prepared.hasTilted) {
        diagnostics() << "We have tilted features" << std::endl;
        // There is no tilted integral image to evaluate them against.
        return std::nullopt;
    }
    if (!isGreyPicture(grey))
        return std::nullopt;
    ScanPlan plan;
    plan.scales = scanScales(grey.width, grey.height, cascade.origWindowSize);
    if (plan.scales.empty())
        return std::nullopt;

    // The edge map's sums, into this thread's buffers.
    ScanBuffers& buffers = scanBuffers;
    auto mapEdges = [&grey, &buffers] {
        ImageBuffer& edges = buffers.edges;
        if (edges.width != grey.width || edges.height != grey.height || edges.channels != 1 ||
            edges.depth != 1)
            edges = ImageBuffer(grey.width, grey.height, 1, 1);
        cannyEdges(edges, grey, edgeLow, edgeHigh);
        computeIntegrals(edges, buffers.edgeSum);
    };
    std::thread edgeMapper;
    if (edgeMapping == EdgeMapping::besideIntegrals)
        edgeMapper = std::thread(mapEdges);
    // The previous picture's integrals, kept by the prepared form, lend their memory.
    ImageBuffer sum = std::move(prepared.sum);
    ImageBuffer sqsum = std::move(prepared.sqsum);
    computeIntegrals(grey, sum, &sqsum);
    // The prepared form keeps the picture's integrals; the scan reads its sums from there too.
    setImagesForScale(cascade, std::move(sum), std::move(sqsum), 1.0);
    if (meanwhile)
        meanwhile();
    if (edgeMapper.joinable())
        edgeMapper.join();
    else
        mapEdges();
    plan.edgeSum = &buffers.edgeSum;

    plan.splitStage = defaultSplitStage;
    plan.passCount = defaultPassCount;
    if (cascade.count <= 2 || prepared.isTree) {
        plan.splitStage = cascade.count;
        plan.passCount = 1;
    }
    return plan;
}

int rowsPerBand(const ScaleLayout& s)
{
    return std::clamp(bandPositions / std::max(s.columns, 1), 1, std::max(s.rows, 1));
}

void scanRows(const ScanPlan& plan, HaarCascade& cascade, const ScaleLayout& s, int firstRow,
              int endRow, WindowEvaluator evaluate, BatchEvaluator evaluateMany,
              std::vector<FaceRect>& candidates)
{
    PreparedCascade& prepared = *cascade.prepared;
    ScanBuffers& buffers = scanBuffers;
    // A mask of its own, one byte per grid position (the grid step is at least 2, so positions
    // and pixels correspond one to one), cleared for every band: pass 1 then sees exactly the
    // windows that pass 0 accepted at this scale, never edge pixels or marks of a smaller scale.
    std::vector<unsigned char>& mask = buffers.mask;
    const std::size_t columns = std::size_t(std::max(s.columns, 0));
    if (plan.passCount > 1 && firstRow < endRow) {
        const std::size_t bandStart = std::size_t(firstRow) * columns;
        const std::size_t bandEnd = std::size_t(endRow) * columns;
        if (mask.size() < bandEnd)
            mask.resize(bandEnd);
        std::memset(mask.data() + bandStart, 0, bandEnd - bandStart);
    }
    std::vector<int>& columnX = buffers.columnX;
    columnX.clear();
    for (int i = 0; i < s.columns; ++i)
        columnX.push_back(nearest(i * s.gridStep));
    ScanState scan{cascade,       evaluate,       evaluateMany,      prepared.sum,
                   *plan.edgeSum, mask,           columnX,           plan.passCount,
                   candidates,    buffers.marked, buffers.markIndex, buffers.results,
                   firstRow,      endRow};
    int startStage = 0;
    prepared.activeCount = plan.splitStage;
    for (int pass = 0; pass < plan.passCount; ++pass) {
        if (pass == 0)
            scanFirstPass(scan, s);
        else
            scanLaterPass(scan, s, startStage, pass == plan.passCount - 1);
        startStage = prepared.activeCount;
        prepared.activeCount = cascade.count;
    }
}

std::vector<FaceRect> scanCandidates(const ImageBuffer& grey, FaceDetector& detector,
                                     WindowEvaluator evaluate, BatchEvaluator evaluateMany)
{
    const std::optional<ScanPlan> plan = planScan(grey, detector);
    if (!plan)
        return {};
    HaarCascade& cascade = *detector.cascade;
    std::vector<FaceRect> candidates;
    for (const ScaleLayout& s : plan->scales) {
        if (!s.isScanned())
            continue;
        setImagesForScale(cascade, nullptr, nullptr, s.factor);
        // Band by band: the later pass then finds the rows it reads still in the cache.
        const int rows = rowsPerBand(s);
        for (int first = 0; first < s.rows; first += rows)
            scanRows(*plan, cascade, s, first, std::min(s.rows, first + rows), evaluate,
                     evaluateMany, candidates);
    }
    return candidates;
}

std::vector<FaceRect> scanForFaces(const ImageBuffer& grey, FaceDetector& detector,
                                   WindowEvaluator evaluate, BatchEvaluator evaluateMany)
{
    return groupCandidates(scanCandidates(grey, detector, evaluate, evaluateMany));
}

std::vector<FaceRect> detectFaces(const ImageBuffer& grey, FaceDetector& detector)
{
    return scanForFaces(grey, detector, runCascadeAtFast, runCascadesAtFast);
}

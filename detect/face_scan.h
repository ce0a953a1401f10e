#pragma once
// The multi-scale scan behind detectFaces, with the window evaluation as a parameter: the
// detector runs it with the fast stump path, and the plain evaluation gives the reference results
// that the fast one must reproduce.

#include "detect/scan_geometry.h"
#include "detect/window_evaluation.h"
#include "vision/face_rect.h"
#include "vision/haar_cascade.h"
#include "vision/image_buffer.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

// runCascadeAt or runCascadeAtFast.
using WindowEvaluator = int (*)(int startStage, const HaarCascade& cascade, int x, int y);
// runCascadesAtFast: a WindowEvaluator's results for many windows at once.
using BatchEvaluator = void (*)(int startStage, const HaarCascade& cascade,
                                const WindowSpot* windows, std::size_t count, int* results);

// Every accepted window, in the order the scan finds them (scales growing, rows top to bottom,
// columns left to right), before grouping. Empty for a detector without a usable cascade, a
// cascade with tilted features, or a picture that is not grey or has no scale. The passes after
// the first evaluate their windows through evaluateMany when it is given, else one by one; so
// does the first pass of a scale whose grid columns lie close together, where the wide stage sums
// make evaluating whole rows cheaper than the walk. The edge map and the other working buffers
// stay with the calling thread for its next scan.
std::vector<FaceRect> scanCandidates(const ImageBuffer& grey, FaceDetector& detector,
                                     WindowEvaluator evaluate,
                                     BatchEvaluator evaluateMany = nullptr);

// The grouped candidates: detectFaces with the given window evaluation.
std::vector<FaceRect> scanForFaces(const ImageBuffer& grey, FaceDetector& detector,
                                   WindowEvaluator evaluate, BatchEvaluator evaluateMany = nullptr);

// What the scan of one picture settles before any window is evaluated. Every thread that scans a
// part of the picture reads it; none changes it.
struct ScanPlan {
    std::vector<ScaleLayout> scales;  // all of them, the unscanned ones included
    int splitStage = 0;               // the stages of the first pass
    int passCount = 1;
    const ImageBuffer* edgeSum = nullptr;  // sums of the edge map, kept by the planning thread
};

// Where the edge map is made: after the integrals on the calling thread, or on a thread of its
// own while the calling thread computes the integrals, which takes that much off the time that
// a scan shared among threads spends on one thread alone.
enum class EdgeMapping { afterIntegrals, besideIntegrals };

// Computes the picture's integrals into the detector's prepared form (targeted at scale 1) and
// its edge sums into the calling thread's buffers, which stay valid until that thread's next
// plan. meanwhile, when given, runs on the calling thread once the integrals are in the prepared
// form, before the edge map is awaited. No plan, and nothing to scan, in the cases where
// scanCandidates finds nothing.
std::optional<ScanPlan> planScan(const ImageBuffer& grey, FaceDetector& detector,
                                 EdgeMapping edgeMapping = EdgeMapping::afterIntegrals,
                                 const std::function<void()>& meanwhile = {});

// The grid rows of one band when a scale is scanned band by band: about bandPositions grid
// positions, at least one row. Small enough that the rows a band's later pass reads stay in the
// processor's cache from its first pass, and that the last bands taken by threads leave none
// long alone at the end; large enough that the later pass still hands the batch evaluation many
// windows at once.
constexpr int bandPositions = 4096;
int rowsPerBand(const ScaleLayout& s);

// Appends to candidates, in scan order, the candidates of grid rows [firstRow, endRow) of the
// scale s. cascade holds the planned picture's integrals and is targeted at s. The rows of one
// scale do not depend on each other, so a scale cut into bands of rows gives the same candidates
// band after band as whole. Leaves the prepared form's activeCount at all stages.
void scanRows(const ScanPlan& plan, HaarCascade& cascade, const ScaleLayout& s, int firstRow,
              int endRow, WindowEvaluator evaluate, BatchEvaluator evaluateMany,
              std::vector<FaceRect>& candidates);

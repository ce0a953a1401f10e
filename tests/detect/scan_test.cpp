#include "detect/detect_faces.h"
#include "detect/edge_map.h"
#include "detect/face_scan.h"
#include "detect/integral_image.h"
#include "detect/prepared_cascade.h"
#include "detect/rounding.h"
#include "detect/scan_geometry.h"
#include "detect/wide_stump_sums.h"
#include "detect/window_evaluation.h"
#include "vision/diagnostics.h"

#include "cascade_builders.h"
#include "stage_sums_forms.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>

namespace {

std::vector<int> windowWidths(const std::vector<ScaleLayout>& scales)
{
    std::vector<int> widths;
    for (const ScaleLayout& s : scales)
        widths.push_back(s.windowWidth);
    return widths;
}

TEST(Nearest, RoundsHalvesToEvenLikeTheDefaultRoundingMode)
{
    EXPECT_EQ(nearest(4.5), 4);
    EXPECT_EQ(nearest(5.5), 6);
    EXPECT_EQ(nearest(-4.5), -4);
    EXPECT_EQ(nearest(-5.5), -6);
    EXPECT_EQ(nearest(0.49999999999999994), 0);
    EXPECT_EQ(nearest(-0.3), 0);
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> value(-3e6, 3e6);
    for (int n = 0; n < 100000; ++n) {
        const double v = n % 2 ? value(rng) : std::floor(value(rng)) + 0.5;
        ASSERT_EQ(nearest(v), int(std::nearbyint(v))) << v;
    }
}

TEST(ScanGeometry, ScalesGrowUntilTheWindowNearlyFills)
{
    const WindowSize trained{20, 20};
    EXPECT_EQ(countScales(30, 30, trained), 0);  // 20 is not below 20
    EXPECT_EQ(countScales(31, 31, trained), 1);
    EXPECT_EQ(countScales(31, 30, trained), 0);
    EXPECT_EQ(countScales(5, 5, trained), 0);
    EXPECT_EQ(countScales(45, 45, trained), 3);
    EXPECT_EQ(countScales(640, 480, trained), 13);
    EXPECT_EQ(countScales(640, 480, {0, 20}), 0);

    const auto scales = scanScales(640, 480, trained);
    EXPECT_EQ(windowWidths(scales),
              (std::vector<int>{20, 26, 34, 44, 57, 74, 97, 125, 163, 212, 276, 358, 466}));
    EXPECT_FALSE(scales[0].isScanned());
    EXPECT_FALSE(scales[1].isScanned());
    EXPECT_TRUE(scales[2].isScanned());
    EXPECT_EQ(scales[2].gridStep, 2.0);
    EXPECT_EQ(scales[3].gridStep, 1.3 * 1.3 * 1.3);
    EXPECT_NEAR(scales[12].factor, 23.298, 1e-3);
}

TEST(ScanGeometry, GridAndInnerRectangleOfOneScale)
{
    const auto scales = scanScales(45, 45, {20, 20});
    ASSERT_EQ(scales.size(), 3u);
    EXPECT_EQ(windowWidths(scales), (std::vector<int>{20, 26, 34}));
    const ScaleLayout& s = scales[2];
    EXPECT_EQ(s.columns, 6);  // nearest(11 / 2.0)
    EXPECT_EQ(s.rows, 6);
    EXPECT_EQ(s.insetX, 5);
    EXPECT_EQ(s.insetY, 5);
    EXPECT_EQ(s.innerWidth, 24);
    EXPECT_EQ(s.innerHeight, 24);

    // Halves go to the even neighbour: inset nearest(4.5) = 4, inner nearest(24.5) = 24, and
    // 13 / 2.0 gives 6 columns.
    const ScaleLayout thirty = scaleLayout(1.5, {20, 20}, 43, 60);
    EXPECT_EQ(thirty.windowWidth, 30);
    EXPECT_EQ(thirty.insetX, 4);
    EXPECT_EQ(thirty.columns, 6);
    EXPECT_EQ(thirty.rows, 15);
    const ScaleLayout thirtyFive = scaleLayout(1.75, {20, 20}, 100, 100);
    EXPECT_EQ(thirtyFive.innerWidth, 24);
}

// A window evaluation scripted by the test, recording every call.
struct Call {
    int startStage;
    int activeCount;
    int x;
    int y;
    int windowWidth;
    bool operator==(const Call& o) const
    {
        return startStage == o.startStage && activeCount == o.activeCount && x == o.x && y == o.y &&
               windowWidth == o.windowWidth;
    }
};
std::ostream& operator<<(std::ostream& os, const Call& c)
{
    return os << "{" << c.startStage << "," << c.activeCount << "," << c.x << "," << c.y << ","
              << c.windowWidth << "}";
}

std::vector<Call> calls;
std::function<int(const Call&)> script;

int scripted(int startStage, const HaarCascade& cascade, int x, int y)
{
    calls.push_back(
        {startStage, cascade.prepared->activeCount, x, y, cascade.realWindowSize.width});
    return script(calls.back());
}

std::vector<FaceRect> scanWith(const ImageBuffer& picture, int stageCount,
                               std::function<int(const Call&)> answer)
{
    std::vector<HaarStage> stages;
    for (int i = 0; i < stageCount; ++i)
        stages.push_back(constantStage(true));
    FaceDetector detector = detectorWith(makeCascade(20, 20, std::move(stages)));
    calls.clear();
    script = std::move(answer);
    auto candidates = scanCandidates(picture, detector, scripted);
    EXPECT_EQ(detector.cascade->prepared->activeCount, stageCount);
    return candidates;
}

std::vector<Call> grid(int start, int active, std::vector<int> xs, std::vector<int> ys, int window)
{
    std::vector<Call> out;
    for (int y : ys)
        for (int x : xs)
            out.push_back({start, active, x, y, window});
    return out;
}

std::vector<Call> operator+(std::vector<Call> a, const std::vector<Call>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<int> allRows{0, 2, 4, 6, 8, 10};

TEST(FaceScan, AcceptedWindowsAreCheckedAgainInPassOneAndSkipANeighbour)
{
    const auto candidates = scanWith(noisePicture(45, 45, 1), 5, [](const Call&) { return 1; });
    EXPECT_EQ(calls, grid(0, 2, {0, 4, 8}, allRows, 34) + grid(2, 5, {0, 4, 8}, allRows, 34));
    ASSERT_EQ(candidates.size(), 18u);
    EXPECT_EQ(candidates[0], (FaceRect{0, 0, 34, 34, 0}));
    EXPECT_EQ(candidates[1], (FaceRect{4, 0, 34, 34, 0}));
    EXPECT_EQ(candidates[3], (FaceRect{0, 2, 34, 34, 0}));
    EXPECT_EQ(candidates[17], (FaceRect{8, 10, 34, 34, 0}));
}

TEST(FaceScan, ColumnStepFollowsTheResult)
{
    // Rejected by a later stage: the next column is tried. Rejected by stage 0: one is skipped.
    auto none = scanWith(noisePicture(45, 45, 1), 5, [](const Call&) { return -1; });
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(calls, grid(0, 2, {0, 2, 4, 6, 8, 10}, allRows, 34));

    scanWith(noisePicture(45, 45, 1), 5, [](const Call&) { return 0; });
    EXPECT_EQ(calls, grid(0, 2, {0, 4, 8}, allRows, 34));

    // -1 at x = 0 leads to x = 2; acceptance there skips x = 4.
    scanWith(noisePicture(45, 45, 1), 5, [](const Call& c) { return c.x == 0 ? -1 : 0; });
    EXPECT_EQ(calls, grid(0, 2, {0, 2, 6, 10}, allRows, 34));
}

TEST(FaceScan, OnlyWindowsPassingBothPassesBecomeCandidates)
{
    // Pass 0 accepts (4, 2) and (8, 6); pass 1 keeps only (8, 6).
    const auto candidates = scanWith(noisePicture(45, 45, 2), 5, [](const Call& c) {
        const bool marked = (c.x == 4 && c.y == 2) || (c.x == 8 && c.y == 6);
        if (c.startStage == 0)
            return marked ? 1 : 0;
        return c.x == 8 ? 1 : -3;
    });
    EXPECT_EQ(candidates, (std::vector<FaceRect>{{8, 6, 34, 34, 0}}));
    const std::vector<Call> secondPass{{2, 5, 4, 2, 34}, {2, 5, 8, 6, 34}};
    EXPECT_EQ(std::vector<Call>(calls.end() - 2, calls.end()), secondPass);
    EXPECT_EQ(calls.size(), 18u + 2u);
}

TEST(FaceScan, ShortCascadesAreScannedInOnePass)
{
    const auto candidates = scanWith(noisePicture(45, 45, 3), 2,
                                     [](const Call& c) { return c.x == 4 && c.y == 8 ? 1 : 0; });
    EXPECT_EQ(calls, grid(0, 2, {0, 4, 8}, allRows, 34));
    EXPECT_EQ(candidates, (std::vector<FaceRect>{{4, 8, 34, 34, 0}}));
}

TEST(FaceScan, TreeShapedCascadesAreScannedInOnePass)
{
    std::vector<HaarStage> stages{constantStage(true), constantStage(true), constantStage(true)};
    stages[0].next = 2;
    FaceDetector detector = detectorWith(makeCascade(20, 20, std::move(stages)));
    calls.clear();
    script = [](const Call&) { return 1; };
    const auto candidates = scanCandidates(noisePicture(45, 45, 3), detector, scripted);
    EXPECT_EQ(calls, grid(0, 3, {0, 4, 8}, allRows, 34));
    EXPECT_EQ(candidates.size(), 18u);
}

TEST(FaceScan, EveryScaleStartsFromAnEmptyMask)
{
    // Scales of 34 and 44 pixels. Marks left at the first scale must not be evaluated again in
    // pass 1 of the second, where pass 0 accepts nothing.
    const auto candidates = scanWith(noisePicture(60, 60, 4), 4, [](const Call& c) {
        return c.windowWidth == 34 && c.x == 0 && c.y == 0 ? 1 : -1;
    });
    EXPECT_EQ(candidates, (std::vector<FaceRect>{{0, 0, 34, 34, 0}}));
    int secondPassCalls = 0;
    for (const Call& c : calls)
        secondPassCalls += c.startStage == 2;
    EXPECT_EQ(secondPassCalls, 1);
    EXPECT_EQ(calls.back().windowWidth, 44);
}

TEST(FaceScan, CandidatesComeInScaleThenRowThenColumnOrder)
{
    // At 44 pixels the grid step is 2.197: column 2 is x = nearest(4.394) = 4, row 1 is y = 2.
    const auto candidates = scanWith(noisePicture(60, 60, 5), 3, [](const Call& c) {
        if (c.windowWidth == 34)
            return (c.x == 12 && c.y == 4) || (c.x == 2 && c.y == 12) ? 1 : -1;
        return c.x == 4 && c.y == 2 ? 1 : -1;
    });
    EXPECT_EQ(candidates,
              (std::vector<FaceRect>{{12, 4, 34, 34, 0}, {2, 12, 34, 34, 0}, {4, 2, 44, 44, 0}}));
}

TEST(FaceScan, WindowsWithoutEdgesOrBrightnessInTheMiddleAreNotEvaluated)
{
    // Black, with a faint vertical bar: some windows hold its edges, some its pixels, some both.
    ImageBuffer picture = greyPicture(70, 50, 0);
    for (int y = 20; y < 40; ++y)
        pixel(picture, 30, y) = 14;
    pixel(picture, 50, 10) = 40;
    scanWith(picture, 3, [](const Call&) { return -1; });

    ImageBuffer edges = greyPicture(70, 50);
    cannyEdges(edges, picture, 0.0, 50.0);
    ImageBuffer edgeSum, sum;
    computeIntegrals(edges, edgeSum);
    computeIntegrals(picture, sum);
    std::vector<Call> expected;
    int pruned = 0;
    for (const ScaleLayout& s : scanScales(70, 50, {20, 20})) {
        if (!s.isScanned())
            continue;
        for (int j = 0; j < s.rows; ++j)
            // Every evaluated window answers -1, so the next column follows it; a pruned window
            // skips one.
            for (int i = 0, step = 2; i < s.columns; i += step) {
                const int x = int(std::nearbyint(i * s.gridStep));
                const int y = int(std::nearbyint(j * s.gridStep));
                const int l = x + s.insetX, t = y + s.insetY;
                const bool hasEdge =
                    integralRectSum(edgeSum, l, t, s.innerWidth, s.innerHeight) >= 100;
                step = 2;
                if (hasEdge && integralRectSum(sum, l, t, s.innerWidth, s.innerHeight) >= 20) {
                    expected.push_back({0, 2, x, y, s.windowWidth});
                    step = 1;
                } else {
                    pruned += hasEdge;
                }
            }
    }
    EXPECT_FALSE(expected.empty());
    EXPECT_GT(pruned, 0);  // some windows see an edge but too little brightness
    EXPECT_EQ(calls, expected);
}

TEST(FaceScan, PicturesWithoutScalesOrEdgesEvaluateNothing)
{
    for (auto [w, h] : {std::pair{30, 30}, {31, 31}, {1000, 1}, {1, 1000}, {0, 0}}) {
        EXPECT_TRUE(scanWith(noisePicture(w, h, 6), 3, [](const Call&) { return 1; }).empty());
        EXPECT_TRUE(calls.empty()) << w << "x" << h;
    }
    for (unsigned char value : {0, 90, 255}) {
        EXPECT_TRUE(
            scanWith(greyPicture(200, 150, value), 3, [](const Call&) { return 1; }).empty());
        EXPECT_TRUE(calls.empty());
    }
}

TEST(DetectFaces, AcceptAllCascadeGivesOneAveragedFace)
{
    FaceDetector detector =
        detectorWith(makeCascade(20, 20, {constantStage(true), constantStage(true)}));
    const auto faces = detectFaces(noisePicture(45, 45, 1), detector);
    // The 15 windows at x 0, 4, 8 and y 0 to 8 form one group; at y 10 the window would end less
    // than two pixels before the bottom edge and is not evaluated.
    EXPECT_EQ(faces, (std::vector<FaceRect>{{4, 4, 34, 34, 15}}));
}

TEST(DetectFaces, UnusableDetectorsAndPicturesGiveNoFaces)
{
    const ImageBuffer picture = noisePicture(80, 80, 7);
    FaceDetector none;
    EXPECT_TRUE(detectFaces(picture, none).empty());

    FaceDetector refused = detectorWith(makeCascade(
        20, 20, {makeStage(-1.0f, {makeStump(makeFeature({{15, 0, 6, 4, -1}}), 0, 0, 0)})}));
    EXPECT_TRUE(detectFaces(picture, refused).empty());
    EXPECT_TRUE(detectFaces(picture, refused).empty());
    EXPECT_FALSE(refused.cascade->prepared);

    FaceDetector accepting = detectorWith(makeCascade(20, 20, {constantStage(true)}));
    EXPECT_TRUE(detectFaces(ImageBuffer(80, 80, 3, 1), accepting).empty());
    EXPECT_TRUE(detectFaces(ImageBuffer(80, 80, 1, 4), accepting).empty());
    EXPECT_TRUE(detectFaces(ImageBuffer(), accepting).empty());
    EXPECT_FALSE(detectFaces(picture, accepting).empty());
}

TEST(DetectFaces, TiltedCascadeSaysSoOnEveryRunAndFindsNothing)
{
    FaceDetector detector = detectorWith(makeCascade(
        20, 20,
        {makeStage(-1.0f, {makeStump(makeFeature({{4, 0, 6, 4, -1}, {4, 0, 3, 2, 2}}, 1), 0.0f,
                                     0.0f, 0.0f)})}));
    std::ostringstream out;
    setDiagnosticsStream(&out);
    const auto first = detectFaces(noisePicture(80, 80, 8), detector);
    const auto second = detectFaces(noisePicture(80, 80, 8), detector);
    setDiagnosticsStream(&std::cout);
    EXPECT_TRUE(first.empty());
    EXPECT_TRUE(second.empty());
    EXPECT_EQ(out.str(), "We have tilted features\nWe have tilted features\n");
}

TEST(DetectFaces, FastAndPlainEvaluationFindTheSameCandidates)
{
    std::size_t found = 0;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        FaceDetector detector = detectorWith(randomStumpCascade(seed + 10, 4, 4));
        // Smooth random blobs, so that some windows get deep into the cascade.
        ImageBuffer picture = noisePicture(160, 120, seed);
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 160; ++x)
                pixel(picture, x, y) =
                    static_cast<unsigned char>((pixel(picture, x, y) / 8) + 100 +
                                               80 * std::sin(x / (5.0 + seed)) * std::cos(y / 7.0));
        const auto plain = scanCandidates(picture, detector, runCascadeAt);
        const auto fast = scanCandidates(picture, detector, runCascadeAtFast);
        EXPECT_EQ(fast, plain) << seed;
        // With the wide sums the first pass of the smaller scales takes whole rows at once.
        for (StageSumsForm form : runnableForms()) {
            FormInUse inUse(form);
            EXPECT_EQ(scanCandidates(picture, detector, runCascadeAtFast, runCascadesAtFast), plain)
                << seed << " " << formName(form);
        }
        found += plain.size();
    }
    EXPECT_GT(found, 20u);
}

}  // namespace

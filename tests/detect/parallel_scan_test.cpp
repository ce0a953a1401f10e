#include "detect/detect_faces.h"
#include "detect/face_scan.h"
#include "detect/parallel_scan.h"
#include "detect/prepared_cascade.h"
#include "detect/window_evaluation.h"
#include "vision/diagnostics.h"
#include "vision/picture.h"
#include "vision/qimage_buffer.h"

#include "cascade_builders.h"
#include "grey_photo.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

const int threadCounts[] = {1, 2, 3, 8};

std::vector<FaceRect> oneThread(const ImageBuffer& grey, FaceDetector& detector)
{
    return scanCandidates(grey, detector, runCascadeAtFast, runCascadesAtFast);
}

// The scan with every scale taken whole, without bands.
std::vector<FaceRect> wholeScales(const ImageBuffer& grey, FaceDetector& detector)
{
    std::vector<FaceRect> candidates;
    const std::optional<ScanPlan> plan = planScan(grey, detector);
    if (!plan)
        return candidates;
    for (const ScaleLayout& s : plan->scales)
        if (s.isScanned()) {
            setImagesForScale(*detector.cascade, nullptr, nullptr, s.factor);
            scanRows(*plan, *detector.cascade, s, 0, s.rows, runCascadeAtFast, runCascadesAtFast,
                     candidates);
        }
    return candidates;
}

std::vector<FaceRect> inParallel(const ImageBuffer& grey, FaceDetector& detector, int threads)
{
    return scanCandidatesInParallel(grey, detector, threads, runCascadeAtFast, runCascadesAtFast);
}

// Smooth random blobs with some noise, so that windows get to every stage of a random cascade.
ImageBuffer blobPicture(int width, int height, unsigned seed)
{
    ImageBuffer picture = noisePicture(width, height, seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixel(picture, x, y) = static_cast<unsigned char>(pixel(picture, x, y) / 8 + 100 +
                                                              80 * std::sin(x / (5.0 + seed % 7)) *
                                                                  std::cos(y / (4.0 + seed % 5)));
    return picture;
}

// Cascades of two passes (random stumps, and accepting everything) and of one pass, on pictures
// from too small to scan to several hundred pixels, some narrower than a band is tall.
TEST(ParallelScan, FindsTheOneThreadCandidatesInTheSameOrder)
{
    const std::pair<int, int> sizes[] = {{23, 41},  {301, 17},  {45, 45},  {61, 203},
                                         {97, 131}, {333, 257}, {517, 389}};
    std::size_t found = 0;
    for (unsigned seed = 1; seed <= 3; ++seed) {
        FaceDetector detectors[] = {
            detectorWith(randomStumpCascade(seed + 20, 4, 4)),
            detectorWith(makeCascade(
                20, 20, {constantStage(true), constantStage(true), constantStage(true)})),
            detectorWith(makeCascade(20, 20, {constantStage(true)}))};
        for (auto [w, h] : sizes) {
            const ImageBuffer picture = blobPicture(w, h, seed * 100 + unsigned(w));
            for (std::size_t d = 0; d < std::size(detectors); ++d) {
                const std::vector<FaceRect> expected = oneThread(picture, detectors[d]);
                found += expected.size();
                ASSERT_EQ(wholeScales(picture, detectors[d]), expected)
                    << w << "x" << h << " seed " << seed << " cascade " << d;
                for (int threads : threadCounts)
                    ASSERT_EQ(inParallel(picture, detectors[d], threads), expected)
                        << w << "x" << h << " seed " << seed << " cascade " << d << " threads "
                        << threads;
            }
        }
    }
    EXPECT_GT(found, 10000u);
}

TEST(ParallelScan, MoreThreadsThanRowsAndTheLinesOfAnUnusableCascade)
{
    // One scanned scale of six rows.
    FaceDetector detector = detectorWith(makeCascade(20, 20, {constantStage(true)}));
    const ImageBuffer picture = noisePicture(45, 45, 1);
    const std::vector<FaceRect> expected = oneThread(picture, detector);
    ASSERT_EQ(expected.size(), 15u);
    for (int threads : {7, 64, 0, -3})
        EXPECT_EQ(inParallel(picture, detector, threads), expected) << threads;

    FaceDetector tilted = detectorWith(makeCascade(
        20, 20,
        {makeStage(-1.0f, {makeStump(makeFeature({{4, 0, 6, 4, -1}, {4, 0, 3, 2, 2}}, 1), 0.0f,
                                     0.0f, 0.0f)})}));
    std::ostringstream out;
    setDiagnosticsStream(&out);
    EXPECT_TRUE(detectFacesParallel(picture, tilted, 3).empty());
    setDiagnosticsStream(&std::cout);
    EXPECT_EQ(out.str(), "We have tilted features\n");
}

TEST(ParallelScan, FindsTheOneThreadCandidatesAndFacesOnThePhotos)
{
    setDiagnosticsStream(nullptr);
    const std::string path = VELMORA_CASCADE;
    FaceDetector detector(std::wstring(path.begin(), path.end()));
    setDiagnosticsStream(&std::cout);
    ASSERT_TRUE(detector.cascade);
    for (const char* name :
         {"astronaut.png", "grace_hopper.jpg", "two_people.jpg", "coffee.png", "camera.png"}) {
        const ImageBuffer grey = greyPhoto(name);
        const std::vector<FaceRect> expected = oneThread(grey, detector);
        EXPECT_EQ(wholeScales(grey, detector), expected) << name;
        const std::vector<FaceRect> faces = detectFaces(grey, detector);
        const double scale = detector.cascade->scale;
        for (int threads : threadCounts) {
            EXPECT_EQ(inParallel(grey, detector, threads), expected) << name << " " << threads;
            EXPECT_EQ(detectFacesParallel(grey, detector, threads), faces)
                << name << " " << threads;
            // Left as the one-thread scan leaves it.
            EXPECT_EQ(detector.cascade->scale, scale);
            EXPECT_EQ(detector.cascade->prepared->activeCount, detector.cascade->count);
        }
    }
}

}  // namespace

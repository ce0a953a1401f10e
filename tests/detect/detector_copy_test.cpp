// Detectors copied from one loaded cascade, the way velmora-cli examines several pictures at
// once: each copy finds what the original finds, also while the copies run side by side.

#include "detect/detect_faces.h"
#include "vision/diagnostics.h"
#include "vision/picture.h"
#include "vision/qimage_buffer.h"

#include <QImage>
#include <gtest/gtest.h>

#include <iostream>
#include <thread>

namespace {

// Smaller than the photos, to keep the test quick under the sanitizers; the faces stay findable.
ImageBuffer smallGreyPhoto(const std::string& name)
{
    const QImage photo(QString::fromStdString(std::string(VELMORA_TEST_DATA) + "/photos/" + name));
    EXPECT_FALSE(photo.isNull()) << name;
    return toGray(loadImageBuffer(reducePicture(photo.scaledToWidth(300))));
}

FaceDetector loadQuietly(const std::string& path)
{
    setDiagnosticsStream(nullptr);
    FaceDetector detector(std::wstring(path.begin(), path.end()));
    setDiagnosticsStream(&std::cout);
    return detector;
}

TEST(CopyFaceDetector, CopiesRunningAtOnceFindWhatTheOriginalFinds)
{
    FaceDetector original = loadQuietly(VELMORA_CASCADE);
    ASSERT_TRUE(original.cascade);
    const std::vector<ImageBuffer> pictures{
        smallGreyPhoto("two_people.jpg"), smallGreyPhoto("astronaut.png"),
        smallGreyPhoto("grace_hopper.jpg"), smallGreyPhoto("coffee.png")};
    std::vector<std::vector<FaceRect>> expected;
    std::size_t faces = 0;
    for (const ImageBuffer& grey : pictures) {
        expected.push_back(detectFaces(grey, original));
        faces += expected.back().size();
    }
    EXPECT_GE(faces, 3u);
    const PreparedCascade* originalPrepared = original.cascade->prepared.get();

    // Each thread walks the pictures from a different start, so that different pictures and
    // scales are scanned at the same time.
    std::vector<std::vector<std::vector<FaceRect>>> found(2);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < found.size(); ++t) {
        threads.emplace_back([&, t] {
            FaceDetector copy = copyFaceDetector(original);
            found[t].resize(pictures.size());
            for (std::size_t k = 0; k < pictures.size(); ++k) {
                const std::size_t p = (k + t) % pictures.size();
                found[t][p] = detectFaces(pictures[p], copy);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (std::size_t t = 0; t < found.size(); ++t)
        EXPECT_EQ(found[t], expected) << "thread " << t;
    EXPECT_EQ(original.cascade->prepared.get(), originalPrepared);
    EXPECT_EQ(detectFaces(pictures[0], original), expected[0]);
}

TEST(CopyFaceDetector, CopyOwnsItsStagesAndStartsUnprepared)
{
    FaceDetector original = loadQuietly(VELMORA_CASCADE);
    ASSERT_TRUE(original.cascade);
    detectFaces(smallGreyPhoto("astronaut.png"), original);
    ASSERT_TRUE(original.cascade->prepared);

    FaceDetector copy = copyFaceDetector(original);
    ASSERT_TRUE(copy.cascade);
    EXPECT_EQ(copy.cascade->prepared, nullptr);
    EXPECT_EQ(copy.cascade->count, original.cascade->count);
    EXPECT_EQ(copy.cascade->origWindowSize.width, original.cascade->origWindowSize.width);
    ASSERT_EQ(copy.cascade->stages.size(), original.cascade->stages.size());
    const float threshold = original.cascade->stages[3].threshold;
    EXPECT_EQ(copy.cascade->stages[3].threshold, threshold);
    copy.cascade->stages[3].threshold = threshold + 1.0f;
    EXPECT_EQ(original.cascade->stages[3].threshold, threshold);

    EXPECT_EQ(copyFaceDetector(loadQuietly(VELMORA_TEST_DATA "/no_such_cascade.xml")).cascade,
              nullptr);
}

}  // namespace

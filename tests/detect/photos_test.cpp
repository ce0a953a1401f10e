#include "detect/detect_faces.h"
#include "detect/face_scan.h"
#include "detect/find_faces.h"
#include "detect/window_evaluation.h"
#include "vision/diagnostics.h"
#include "vision/picture.h"
#include "vision/qimage_buffer.h"

#include "grey_photo.h"
#include "stage_sums_forms.h"

#include <QImage>
#include <gtest/gtest.h>

#include <atomic>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

class Photos : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setDiagnosticsStream(nullptr);
        const std::string path = VELMORA_CASCADE;
        detector = new FaceDetector(std::wstring(path.begin(), path.end()));
        setDiagnosticsStream(&std::cout);
    }
    static void TearDownTestSuite()
    {
        delete detector;
        detector = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(detector && detector->cascade); }

    static FaceDetector* detector;
};
FaceDetector* Photos::detector = nullptr;

// The rectangles were checked by eye once, drawn on the photos; they pin the detector's exact
// arithmetic (rounding, thresholds, grouping) as well as its finding the faces.
TEST_F(Photos, FindsTheFacesOfThePortraits)
{
    EXPECT_EQ(detectFaces(greyPhoto("astronaut.png"), *detector),
              (std::vector<FaceRect>{{177, 68, 97, 97, 6}}));
    EXPECT_EQ(detectFaces(greyPhoto("grace_hopper.jpg"), *detector),
              (std::vector<FaceRect>{{159, 112, 212, 212, 4}}));
}

TEST_F(Photos, FindsBothFacesOfTwoPeople)
{
    const ImageBuffer grey = greyPhoto("two_people.jpg");
    ASSERT_EQ(grey.width, 1000);
    ASSERT_EQ(grey.height, 586);
    const std::vector<FaceRect> expected{{168, 106, 97, 97, 4}, {655, 104, 212, 212, 5}};
    EXPECT_EQ(detectFaces(grey, *detector), expected);
    // The prepared form is re-targeted by every run: a second run sees the same faces.
    EXPECT_EQ(detectFaces(grey, *detector), expected);
    EXPECT_EQ(detector->cascade->prepared->activeCount, detector->cascade->count);
}

TEST_F(Photos, FindsNoFaceWhereThereIsNone)
{
    EXPECT_TRUE(detectFaces(greyPhoto("coffee.png"), *detector).empty());
    EXPECT_TRUE(detectFaces(greyPhoto("camera.png"), *detector).empty());
}

// The picture with its lower left quarter made one flat grey, where the edge map has no edges.
ImageBuffer partlyFlat(const ImageBuffer& grey)
{
    ImageBuffer out = grey;
    for (int y = grey.height / 2; y < grey.height; ++y)
        for (int x = 0; x < grey.width / 2; ++x)
            out.data[std::size_t(y) * grey.width + x] = 128;
    return out;
}

// Windows that the first pass evaluated: the edge map decides which ones it skips.
std::atomic<long> firstPassWindows{0};

int countedEvaluation(int startStage, const HaarCascade& cascade, int x, int y)
{
    ++firstPassWindows;
    return runCascadeAtFast(startStage, cascade, x, y);
}

struct ScanTrace {
    std::vector<FaceRect> candidates;
    long firstPassWindows = 0;

    bool operator==(const ScanTrace& o) const
    {
        return candidates == o.candidates && firstPassWindows == o.firstPassWindows;
    }
};

ScanTrace traceScan(const ImageBuffer& grey, FaceDetector& detector)
{
    firstPassWindows = 0;
    ScanTrace trace;
    trace.candidates = scanCandidates(grey, detector, countedEvaluation, runCascadesAtFast);
    trace.firstPassWindows = firstPassWindows;
    return trace;
}

TEST_F(Photos, BuffersLeftByEarlierPicturesChangeNothing)
{
    // A scan reuses what the previous scan on its thread left behind; a new thread starts with
    // nothing, so its scan is a first run. The partly flat astronaut has the size of the
    // astronaut before it and reuses that scan's buffers as they are.
    const ImageBuffer astronaut = greyPhoto("astronaut.png");
    const std::vector<ImageBuffer> pictures{
        greyPhoto("two_people.jpg"), astronaut,
        partlyFlat(astronaut),       greyPhoto("grace_hopper.jpg"),
        greyPhoto("coffee.png"),     greyPhoto("two_people.jpg")};
    std::vector<ScanTrace> firstRuns;
    for (const ImageBuffer& grey : pictures) {
        ScanTrace trace;
        std::thread([&] { trace = traceScan(grey, *detector); }).join();
        firstRuns.push_back(trace);
    }
    ASSERT_NE(firstRuns[1].firstPassWindows, firstRuns[2].firstPassWindows);
    for (int round = 0; round < 2; ++round)
        for (std::size_t k = 0; k < pictures.size(); ++k)
            EXPECT_TRUE(traceScan(pictures[k], *detector) == firstRuns[k]) << k;
}

TEST_F(Photos, FastAndPlainEvaluationAgreeOnEveryCandidate)
{
    for (const char* name :
         {"astronaut.png", "grace_hopper.jpg", "two_people.jpg", "coffee.png", "camera.png"}) {
        const ImageBuffer grey = greyPhoto(name);
        const auto plain = scanCandidates(grey, *detector, runCascadeAt);
        EXPECT_EQ(scanCandidates(grey, *detector, runCascadeAtFast), plain) << name;
        for (StageSumsForm form : runnableForms()) {
            FormInUse inUse(form);
            EXPECT_EQ(scanCandidates(grey, *detector, runCascadeAtFast, runCascadesAtFast), plain)
                << name << " " << formName(form);
        }
    }
}

struct NestedPhoto {
    const char* name;
    std::vector<FaceRect> grouped;  // the grouping's list, both boxes of the one face
    FaceRect face;                  // the one face listed
};

TEST_F(Photos, OneFaceOnEveryPathWhereTheGroupingGivesTwoBoxes)
{
    const NestedPhoto photos[] = {
        {"astronaut_70.png", {{127, 50, 57, 57, 3}, {119, 44, 74, 74, 3}}, {127, 50, 57, 57, 3}},
        {"grace_hopper_90.png",
         {{157, 108, 163, 163, 4}, {138, 85, 212, 212, 4}},
         {157, 108, 163, 163, 4}},
    };
    for (const NestedPhoto& photo : photos) {
        SCOPED_TRACE(photo.name);
        const ImageBuffer grey = greyPhoto(photo.name);
        EXPECT_EQ(detectFaces(grey, *detector), photo.grouped);
        EXPECT_EQ(findFaces(grey, *detector, {1, true}), photo.grouped);
        for (int threads : {1, 2, 8})
            EXPECT_EQ(findFaces(grey, *detector, {threads}), std::vector<FaceRect>{photo.face})
                << threads << " threads";
    }
}

TEST_F(Photos, PhotosWithoutNestedBoxesKeepTheGroupingsList)
{
    for (const char* name : {"astronaut.png", "grace_hopper.jpg", "two_people.jpg", "coffee.png"}) {
        const ImageBuffer grey = greyPhoto(name);
        EXPECT_EQ(findFaces(grey, *detector, {2}), detectFaces(grey, *detector)) << name;
    }
}

}  // namespace

#include "photo_faces.h"
#include "plain_components.h"
#include "plain_lower_search.h"
#include "plain_reading_steps.h"
#include "reading/components.h"
#include "reading/masks.h"
#include "reading/skin_mask.h"
#include "reading/outline.h"
#include "reading/pixel_colours.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

ReadOutcome readTwiceTheSame(const QImage& face)
{
    CapturedDiagnostics first;
    const ReadOutcome outcome = readFace(face);
    const std::string firstLines = first.text();
    CapturedDiagnostics second;
    readFace(face);
    EXPECT_EQ(second.text(), firstLines);
    return outcome;
}

// The whole face, hair and neck included, comes out as one skin region; the lower curves settle
// on the bottom of the neck region, and on the left nothing edges the side curve: no reading.
TEST(PhotoReading, AstronautFailsOnTheLeftSide)
{
    const std::vector<QImage> faces = preparedPhotoFaces("astronaut.png");
    ASSERT_EQ(faces.size(), 1u);
    EXPECT_EQ(faces[0].size(), QSize(66, 100));
    ASSERT_TRUE(isColour(faces[0]));

    const ReadOutcome o = readTwiceTheSame(faces[0]);
    EXPECT_EQ(o.status, ReadOutcome::Status::Failed);
    ASSERT_TRUE(o.mouth);
    EXPECT_EQ(o.mouth->x, 31);
    EXPECT_EQ(o.mouth->y, 72);
    const FaceMeasures& m = o.measures;
    EXPECT_EQ(m.x0, 24);
    EXPECT_EQ(m.y0, 98);
    EXPECT_EQ(m.a1, lowerCoefficients()[0]);
    EXPECT_EQ(m.a2, lowerCoefficients()[0]);
    EXPECT_FALSE(m.a3);
    ASSERT_TRUE(m.a4);
    EXPECT_NEAR(*m.a4, 0.198, 1e-9);
}

TEST(PhotoReading, GraceHopperIsWood)
{
    const std::vector<QImage> faces = preparedPhotoFaces("grace_hopper.jpg");
    ASSERT_EQ(faces.size(), 1u);
    EXPECT_EQ(faces[0].size(), QSize(67, 100));
    ASSERT_TRUE(isColour(faces[0]));

    const ReadOutcome o = readTwiceTheSame(faces[0]);
    ASSERT_EQ(o.status, ReadOutcome::Status::Read);
    EXPECT_EQ(o.phase, FacePhase::WOOD);
    ASSERT_TRUE(o.mouth);
    EXPECT_EQ(o.mouth->x, 34);
    EXPECT_EQ(o.mouth->y, 81);
    const FaceMeasures& m = o.measures;
    EXPECT_EQ(m.x0, 36);
    EXPECT_EQ(m.y0, 98);
    ASSERT_TRUE(m.a1 && m.a2 && m.a3 && m.a4);
    EXPECT_NEAR(*m.a1, 0.031, 1e-9);
    EXPECT_NEAR(*m.a2, 0.0395, 1e-9);
    EXPECT_NEAR(*m.a3, 0.146, 1e-9);
    EXPECT_NEAR(*m.a4, 0.18, 1e-9);
    // lowerCurvature 0.03525: just past the WOOD boundary.
}

TEST(PhotoReading, GreyAstronautIsListedButNotColour)
{
    const std::vector<QImage> faces = preparedPhotoFaces("astronaut_grey.png");
    ASSERT_EQ(faces.size(), 1u);
    EXPECT_FALSE(isColour(faces[0]));
}

TEST(PhotoReading, LowerSearchMatchesThePlainLoopOnEveryPhotoFace)
{
    CapturedDiagnostics captured;
    int compared = 0;
    for (const char* name : {"astronaut.png", "grace_hopper.jpg", "two_people.jpg", "camera.png"}) {
        for (const QImage& prepared : preparedPhotoFaces(name)) {
            const ImageBuffer rgb = bgraToRgb(loadImageBuffer(prepared));
            ImageBuffer skin;
            skinMask(rgb, skin);
            keepLargestComponent(skin);
            ImageBuffer filled;
            fillHoles(skin, filled);
            const ImageBuffer edges = edgeMap(applyMask(rgb, filled));
            // The reader's own mouth point, and neighbours of it, as search anchors.
            const MouthPoint mouth = locateMouthPoint(rgb);
            for (const MouthPoint anchor : {mouth, MouthPoint{mouth.x - 3, mouth.y - 4},
                                            MouthPoint{mouth.x + 2, mouth.y + 3}}) {
                const FaceMeasures fast = searchLowerOutline(edges, anchor);
                const FaceMeasures plain = plainLowerSearch(edges, anchor);
                EXPECT_EQ(fast.x0, plain.x0) << name;
                EXPECT_EQ(fast.y0, plain.y0) << name;
                EXPECT_EQ(fast.a1, plain.a1) << name;
                EXPECT_EQ(fast.a2, plain.a2) << name;
                ++compared;
            }
        }
    }
    EXPECT_GE(compared, 12);
}

// Views of each photo face as nearby cuts would give them: the box moved by a few pixels, grown
// and shrunk, and each view mirrored. Every faster step of the reading gives what its plain form
// gives, the mouth point taking its hues from the skin map's.
TEST(PhotoReading, FastStepsMatchThePlainOnesOnNearbyViewsOfThePhotoFaces)
{
    CapturedDiagnostics captured;
    int views = 0;
    for (const char* name : {"astronaut.png", "grace_hopper.jpg", "two_people.jpg"}) {
        const PhotoFaces found = detectPhotoFaces(name);
        const int W = found.picture.width(), H = found.picture.height();
        for (const FaceRect& face : found.faces) {
            const int d = std::max(1, face.width / 24);
            std::vector<FaceRect> boxes{
                {face.x - d, face.y - d, face.width + 2 * d, face.height + 2 * d, 0},
                {face.x + d, face.y + d, face.width - 2 * d, face.height - 2 * d, 0}};
            for (const auto& [dx, dy] : {std::pair{0, 0}, {-d, 0}, {d, 0}, {0, -d}, {0, d}})
                boxes.push_back({face.x + dx, face.y + dy, face.width, face.height, 0});
            for (FaceRect box : boxes) {
                box.x = std::clamp(box.x, 0, W - box.width);
                box.y = std::clamp(box.y, 0, H - box.height);
                const QImage cut = cropFace(found.picture, box);
                for (const QImage& view : {cut, cut.mirrored(true, false)}) {
                    const QImage prepared = prepareFaceImage(view);
                    ASSERT_TRUE(isColour(prepared));
                    const ImageBuffer rgb = bgraToRgb(loadImageBuffer(prepared));
                    SCOPED_TRACE(testing::Message() << name << " view " << views);

                    PixelColours colours(rgb);
                    ImageBuffer skin;
                    skinMask(rgb, skin, colours);
                    ASSERT_EQ(rowsOfMask(skin), rowsOfMask(plainSkinMask(rgb)));
                    const MouthPoint mouth = locateMouthPoint(rgb, colours);
                    const MouthPoint plainMouth = plainMouthPoint(rgb);
                    ASSERT_EQ(mouth.x, plainMouth.x);
                    ASSERT_EQ(mouth.y, plainMouth.y);

                    ImageBuffer kept = skin, keptPlain = skin;
                    keepLargestComponent(kept);
                    plainKeepLargest(keptPlain);
                    ASSERT_EQ(rowsOfMask(kept), rowsOfMask(keptPlain));
                    ImageBuffer filled;
                    fillHoles(kept, filled);
                    plainFillHoles(keptPlain);
                    ASSERT_EQ(rowsOfMask(filled), rowsOfMask(keptPlain));

                    const ImageBuffer masked = applyMask(rgb, filled);
                    const ImageBuffer edges = contrastEdges(masked);
                    const ImageBuffer plainEdges = plainContrastEdges(masked);
                    ASSERT_EQ(0, std::memcmp(edges.data, plainEdges.data, edges.sizeInBytes()));
                    ++views;
                }
            }
        }
    }
    EXPECT_EQ(views, 4 * 7 * 2);
}

}  // namespace

#include "cascade_files.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const std::wstring realCascade = widen(VELMORA_CASCADE);

std::wstring testCascade(const char* name)
{
    return widen(std::string(VELMORA_TEST_DATA) + "/cascades/" + name);
}

void expectRect(const HaarRect& r, int x, int y, int width, int height, float weight)
{
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.width, width);
    EXPECT_EQ(r.height, height);
    EXPECT_EQ(r.weight, weight);
}

TEST(CreateHaarCascade, RefusesStageCountsBelowOneWithOneMessageEach)
{
    for (int count : {0, -3}) {
        std::ostringstream trail;
        setDiagnosticsStream(&trail);
        EXPECT_EQ(createHaarCascade(count), nullptr);
        setDiagnosticsStream(&std::cout);
        EXPECT_EQ(trail.str(), "stage cout is negative and should be positive\n");
    }
}

TEST(CreateHaarCascade, GivesZeroedStagesAndNoScaleYet)
{
    auto cascade = createHaarCascade(22);
    ASSERT_NE(cascade, nullptr);
    EXPECT_EQ(cascade->signature, 0x42500000);
    EXPECT_EQ(cascade->count, 22);
    ASSERT_EQ(cascade->stages.size(), 22u);
    EXPECT_EQ(cascade->scale, 0.0);
    EXPECT_EQ(cascade->origWindowSize.width, 0);
    EXPECT_EQ(cascade->realWindowSize.height, 0);
    EXPECT_EQ(cascade->prepared, nullptr);
    for (const HaarStage& stage : cascade->stages) {
        EXPECT_EQ(stage.count, 0);
        EXPECT_TRUE(stage.trees.empty());
        EXPECT_EQ(stage.threshold, 0.0f);
        // Zero, not -1, until the loader fills them.
        EXPECT_EQ(stage.next, 0);
        EXPECT_EQ(stage.child, 0);
        EXPECT_EQ(stage.parent, 0);
    }
}

TEST(LoadRealCascade, ShapeAndStageChain)
{
    LoadResult loaded = loadCapturing(realCascade);
    ASSERT_NE(loaded.cascade, nullptr) << loaded.trail;
    const HaarCascade& cascade = *loaded.cascade;
    EXPECT_EQ(cascade.signature, HaarCascade::validSignature);
    EXPECT_EQ(cascade.count, 22);
    ASSERT_EQ(cascade.stages.size(), 22u);
    EXPECT_EQ(cascade.origWindowSize.width, 20);
    EXPECT_EQ(cascade.origWindowSize.height, 20);
    EXPECT_EQ(cascade.prepared, nullptr);

    int trees = 0;
    for (int i = 0; i < cascade.count; ++i) {
        const HaarStage& stage = cascade.stages[i];
        ASSERT_EQ(stage.count, int(stage.trees.size()));
        trees += stage.count;
        EXPECT_EQ(stage.parent, i - 1);
        EXPECT_EQ(stage.next, -1);
        EXPECT_EQ(stage.child, i + 1 < cascade.count ? i + 1 : -1);
        for (const HaarTree& tree : stage.trees) {
            EXPECT_EQ(tree.count, 1);  // a stump, written with left 0 and right -1
            EXPECT_EQ(tree.left[0], 0);
            EXPECT_EQ(tree.right[0], -1);
            EXPECT_EQ(tree.features[0].tilted, 0);
        }
    }
    EXPECT_EQ(trees, 2135);
    EXPECT_EQ(cascade.stages[0].count, 3);
}

TEST(LoadRealCascade, ValuesMatchTheFileText)
{
    LoadResult loaded = loadCapturing(realCascade);
    ASSERT_NE(loaded.cascade, nullptr);
    const HaarCascade& cascade = *loaded.cascade;

    const HaarTree& first = cascade.stages[0].trees[0];
    expectRect(first.features[0].rects[0], 3, 7, 14, 4, -1.0f);
    expectRect(first.features[0].rects[1], 3, 9, 14, 2, 2.0f);
    expectRect(first.features[0].rects[2], 0, 0, 0, 0, 0.0f);
    EXPECT_EQ(first.thresholds[0], 4.0141958743333817e-003f);
    EXPECT_EQ(first.alpha[0], 0.0337941907346249f);
    EXPECT_EQ(first.alpha[1], 0.8378106951713562f);
    EXPECT_EQ(cascade.stages[0].threshold, 0.8226894140243530f);

    const HaarStage& lastStage = cascade.stages[21];
    ASSERT_EQ(lastStage.count, 213);
    const HaarTree& last = lastStage.trees[212];
    expectRect(last.features[0].rects[0], 0, 0, 10, 6, -1.0f);
    expectRect(last.features[0].rects[1], 0, 0, 5, 3, 2.0f);
    expectRect(last.features[0].rects[2], 5, 3, 5, 3, 2.0f);
    EXPECT_EQ(last.thresholds[0], 0.0431624315679073f);
    EXPECT_EQ(last.alpha[1], 0.6522961258888245f);
    EXPECT_EQ(lastStage.threshold, 105.7611007690429700f);
}

TEST(LoadRealCascade, WritesTheTrail)
{
    LoadResult loaded = loadCapturing(realCascade);
    ASSERT_NE(loaded.cascade, nullptr);
    std::string opening = " error after fopen is " + std::string(std::strerror(0)) + "\n" +
                          " read data from file <?xml version=\"1.0\"?>\n\n" + "size is 20 20\n";
    EXPECT_EQ(loaded.trail.substr(0, opening.size()), opening);
    EXPECT_EQ(occurrences(loaded.trail, "Stage\n"), 22);
    EXPECT_EQ(loaded.trail.size(), opening.size() + 22 * 6);
}

TEST(LoadHandWritten, TwoNodeTreeNumbersLeavesInReadingOrder)
{
    LoadResult loaded = loadCapturing(testCascade("two_node_tree.xml"));
    ASSERT_NE(loaded.cascade, nullptr) << loaded.trail;
    EXPECT_EQ(loaded.cascade->origWindowSize.width, 6);
    EXPECT_EQ(loaded.cascade->origWindowSize.height, 8);
    const HaarStage& stage = loaded.cascade->stages[0];
    EXPECT_EQ(stage.threshold, -1.25f);
    ASSERT_EQ(stage.count, 2);

    const HaarTree& tree = stage.trees[0];
    EXPECT_EQ(tree.count, 2);
    EXPECT_EQ(tree.left[0], 1);
    EXPECT_EQ(tree.right[0], 0);  // the root's right leaf is met first
    EXPECT_EQ(tree.left[1], -1);
    EXPECT_EQ(tree.right[1], -2);
    EXPECT_EQ(tree.alpha[0], -0.75f);
    EXPECT_EQ(tree.alpha[1], 0.5f);
    EXPECT_EQ(tree.alpha[2], 1.5f);
    EXPECT_EQ(tree.thresholds[0], 0.25f);
    EXPECT_EQ(tree.thresholds[1], -0.125f);
    // Two rectangles at the root leave the third all zero; node 1 has three.
    expectRect(tree.features[0].rects[1], 0, 2, 6, 2, 2.0f);
    expectRect(tree.features[0].rects[2], 0, 0, 0, 0, 0.0f);
    expectRect(tree.features[1].rects[2], 3, 4, 2, 3, 2.0f);
}

TEST(LoadHandWritten, TiltedValueIsStoredAsOneAndEchoed)
{
    LoadResult loaded = loadCapturing(testCascade("two_node_tree.xml"));
    ASSERT_NE(loaded.cascade, nullptr);
    const HaarTree& stump = loaded.cascade->stages[0].trees[1];
    EXPECT_EQ(stump.features[0].tilted, 1);
    EXPECT_EQ(loaded.cascade->stages[0].trees[0].features[0].tilted, 0);
    EXPECT_EQ(stump.thresholds[0], 0.03f);
    EXPECT_EQ(stump.left[0], 0);
    EXPECT_EQ(stump.right[0], -1);
    EXPECT_EQ(occurrences(loaded.trail, "tilted text is 5"), 1);
    // No line end of its own: the trail carries on directly behind it.
    EXPECT_NE(loaded.trail.find("tilted text is 5"), std::string::npos);
    EXPECT_EQ(loaded.trail.find("tilted text is 5\n"), std::string::npos);
}

TEST(LoadHandWritten, ChildIsTheFirstLaterStageNamingItsParent)
{
    LoadResult loaded = loadCapturing(testCascade("stage_links.xml"));
    ASSERT_NE(loaded.cascade, nullptr) << loaded.trail;
    const auto& stages = loaded.cascade->stages;
    ASSERT_EQ(stages.size(), 5u);
    // parents -1, 3, 0, 0, 2: stage 2 wins stage 0 over stage 3; stage 1 named stage 3 before
    // stage 3 was read, so stage 3 keeps no child.
    const int parents[] = {-1, 3, 0, 0, 2};
    const int children[] = {2, -1, 4, -1, -1};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(stages[i].parent, parents[i]) << i;
        EXPECT_EQ(stages[i].child, children[i]) << i;
        EXPECT_EQ(stages[i].next, -1) << i;
    }
    EXPECT_EQ(stages[4].threshold, 0.4f);
}

TEST(LoadFile, MissingFileWritesOneLineAndGivesNoCascade)
{
    std::wstring path = scratchPath(L"missing-\u00e4.xml");
    LoadResult loaded = loadCapturing(path);
    EXPECT_EQ(loaded.cascade, nullptr);
    EXPECT_EQ(loaded.trail,
              "failed to open file " + toUtf8(path) + " errno is " + std::strerror(ENOENT) + "\n");
    // The path is written in UTF-8.
    EXPECT_NE(loaded.trail.find("missing-\xc3\xa4.xml"), std::string::npos);
}

TEST(LoadFile, EmptyFileCannotBeRead)
{
    std::wstring path = writeScratchFile(L"empty.xml", "");
    LoadResult loaded = loadCapturing(path);
    EXPECT_EQ(loaded.cascade, nullptr);
    EXPECT_EQ(loaded.trail, " error after fopen is " + std::string(std::strerror(0)) + "\n" +
                                "failed to read from file " + toUtf8(path) + " errno is " +
                                std::strerror(0) + "\n");
}

TEST(LoadFile, FolderIsRefusedBeforeItIsOpened)
{
    LoadResult loaded = loadCapturing(widen(testing::TempDir()));
    EXPECT_EQ(loaded.cascade, nullptr);
    EXPECT_EQ(loaded.trail,
              "cascade refused: " + testing::TempDir() + ": not a regular file (a folder)\n");
}

TEST(LoadFile, NonAsciiPathLoads)
{
    std::ifstream real(VELMORA_CASCADE, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(real)), std::istreambuf_iterator<char>());
    std::wstring path = writeScratchFile(L"gesicht-\u00fc.xml", bytes);
    LoadResult loaded = loadCapturing(path);
    ASSERT_NE(loaded.cascade, nullptr) << loaded.trail;
    EXPECT_EQ(loaded.cascade->count, 22);
    ::unlink(toUtf8(path).c_str());
}

TEST(LoadFile, FirstLineIsDecodedAsUtf8AndCutAt199Characters)
{
    std::string body = "<s><c><size>1 1</size><stages/></c></s>\n";
    std::string umlauts;
    for (int i = 0; i < 250; ++i)
        umlauts += "\xc3\xa4";  // one character, two bytes

    LoadResult longLine =
        loadCapturing(writeScratchFile(L"long.xml", "<!--" + umlauts + "-->" + body));
    std::string expected = "<!--" + umlauts.substr(0, 2 * 195);
    EXPECT_NE(longLine.trail.find(" read data from file " + expected + "\n"), std::string::npos);

    // A malformed byte reads as the replacement character rather than ending the line.
    LoadResult malformed =
        loadCapturing(writeScratchFile(L"malformed.xml", "<!--\xff-->\n" + body));
    EXPECT_NE(malformed.trail.find(" read data from file <!--\xef\xbf\xbd-->\n\n"),
              std::string::npos)
        << malformed.trail;
}

}  // namespace

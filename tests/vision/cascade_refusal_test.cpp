#include "cascade_files.h"
#include "tests/bad_paths.h"
#include "tests/watchdog.h"
#include "vision/cascade_numbers.h"

#include <chrono>
#include <gtest/gtest.h>

namespace {

// A tiny cascade put together from parts, so that each case breaks exactly one thing.
const std::string goodNode =
    "<feature><rects><_>0 0 2 2 -1.</_><_>0 0 1 1 2.</_></rects><tilted>0</tilted></feature>"
    "<threshold>0.5</threshold><left_val>-1</left_val><right_val>1</right_val>";

std::string item(const std::string& content) { return "<_>" + content + "</_>"; }

std::string stage(const std::string& trees, int parent = -1, int next = -1)
{
    return item("<trees>" + trees + "</trees><stage_threshold>0</stage_threshold><parent>" +
                std::to_string(parent) + "</parent><next>" + std::to_string(next) + "</next>");
}

std::string document(const std::string& stages, const std::string& size = "4 4")
{
    return "<?xml version=\"1.0\"?>\n<storage><cascade><size>" + size + "</size><stages>" + stages +
           "</stages></cascade></storage>\n";
}

std::string withNode(const std::string& node) { return document(stage(item(item(node)))); }

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

std::string nodeWith(const std::string& from, const std::string& to)
{
    return replaced(goodNode, from, to);
}

LoadResult loadText(const std::string& text)
{
    static int serial = 0;
    return loadCapturing(
        writeScratchFile(L"case-" + widen(std::to_string(++serial)) + L".xml", text));
}

// The one line that says what was refused; the load's other lines are the usual trail.
void expectRefused(const std::string& text, const std::string& because)
{
    LoadResult loaded = loadText(text);
    EXPECT_EQ(loaded.cascade, nullptr) << because;
    EXPECT_EQ(occurrences(loaded.trail, "cascade refused: "), 1) << loaded.trail;
    EXPECT_NE(loaded.trail.find(because), std::string::npos) << loaded.trail;
    EXPECT_EQ(loaded.trail.back(), '\n');
}

TEST(CascadeRefusal, TheBuildingBlocksMakeALoadableCascade)
{
    LoadResult loaded = loadText(withNode(goodNode));
    ASSERT_NE(loaded.cascade, nullptr) << loaded.trail;
    EXPECT_EQ(loaded.trail.find("refused"), std::string::npos);
    EXPECT_EQ(loaded.cascade->stages[0].trees[0].alpha[1], 1.0f);
}

TEST(CascadeRefusal, DocumentsThatAreNoCascade)
{
    expectRefused("<?xml version=\"1.0\"?>\n<storage><cascade><size>4 4</size>",
                  "not well-formed XML");
    expectRefused("just some words\n", "not well-formed XML");
    expectRefused("<?xml version=\"1.0\"?>\n<storage/>\n", "no cascade element");
    expectRefused(
        "<?xml version=\"1.0\"?>\n<storage><cascade><size>4 4</size></cascade></storage>\n",
        "cascade has no stages");
}

TEST(CascadeRefusal, ZeroStagesLeaveItToCreateHaarCascade)
{
    LoadResult loaded = loadText(document(""));
    EXPECT_EQ(loaded.cascade, nullptr);
    EXPECT_EQ(occurrences(loaded.trail, "stage cout is negative and should be positive\n"), 1);
    EXPECT_EQ(loaded.trail.find("refused"), std::string::npos);
}

TEST(CascadeRefusal, WindowSizes)
{
    std::string stages = stage(item(item(goodNode)));
    expectRefused(replaced(document(stages), "<size>4 4</size>", ""), "cascade has no size");
    expectRefused(document(stages, ""), "cascade has no size");
    expectRefused(document(stages, "4"), "size is not two integers");
    expectRefused(document(stages, "four 4"), "size is not two integers");
    expectRefused(document(stages, "0 4"), "size 0 x 4 is not a usable window");
    expectRefused(document(stages, "4 -4"), "size 4 x -4");
    expectRefused(document(stages, "65536 65536"), "size 65536 x 65536");
    expectRefused(document(stages, "4 99999999999"), "size is not two integers");
}

TEST(CascadeRefusal, StagesWithoutTrees)
{
    std::string good = stage(item(item(goodNode)));
    expectRefused(document(good + item("<stage_threshold>0</stage_threshold>")),
                  "stage 1 has no trees");
    expectRefused(document(good + stage("")), "stage 1 has no tree items");
    expectRefused(document(stage("<!-- only a comment -->")), "stage 0 has no tree items");
}

TEST(CascadeRefusal, TreesWithTooFewOrTooManyNodes)
{
    expectRefused(document(stage(item(item(goodNode)) + item(""))), "stage 0 tree 1 has no nodes");
    std::string threeNodes = item(item(goodNode) + item(goodNode) + item(goodNode));
    expectRefused(document(stage(threeNodes)), "stage 0 tree 0 has 3 nodes");

    // Two nodes that each end in two leaves need four leaf values.
    std::string root =
        nodeWith("<left_val>-1</left_val>", "<left_node>1</left_node><left_val>7</left_val>");
    LoadResult twoNodes = loadText(document(stage(item(item(root) + item(goodNode)))));
    EXPECT_NE(twoNodes.cascade, nullptr) << twoNodes.trail;  // left_val is ignored beside left_node
    expectRefused(document(stage(item(item(goodNode) + item(goodNode)))),
                  "stage 0 tree 0 node 1 has more than 3 leaf values");
}

TEST(CascadeRefusal, FeaturesAndNodeValues)
{
    const std::pair<std::pair<const char*, const char*>, const char*> cases[] = {
        {{"<feature><rects><_>0 0 2 2 -1.</_><_>0 0 1 1 2.</_></rects><tilted>0</tilted></feature>",
          ""},
         "node 0 has no feature"},
        {{"<rects><_>0 0 2 2 -1.</_><_>0 0 1 1 2.</_></rects>", ""}, "node 0 has no rectangles"},
        {{"<rects><_>0 0 2 2 -1.</_><_>0 0 1 1 2.</_></rects>", "<rects></rects>"},
         "node 0 has no rectangles"},
        {{"</rects>", "<_>1 1 1 1 1</_><_>1 1 1 1 1</_></rects>"}, "node 0 has 4 rectangles"},
        {{"0 0 1 1 2.", "0 0 1 1"}, "node 0 rectangle 1 is not four integers and a weight"},
        {{"0 0 1 1 2.", "0 0 1 1 two"}, "node 0 rectangle 1 is not four integers and a weight"},
        {{"0 0 1 1 2.", "0 0 1 4294967297 2"},
         "node 0 rectangle 1 is not four integers and a weight"},
        {{"<_>0 0 2 2 -1.</_>", "<_></_>"}, "node 0 rectangle 0 is empty"},
        {{"<tilted>0</tilted>", ""}, "node 0 has no tilted"},
        {{"<tilted>0</tilted>", "<tilted>yes</tilted>"}, "node 0 tilted is not a 32-bit integer"},
        {{"<threshold>0.5</threshold>", ""}, "node 0 has no threshold"},
        {{"<threshold>0.5</threshold>", "<threshold></threshold>"}, "node 0 has no threshold"},
        {{"<threshold>0.5</threshold>", "<threshold>half</threshold>"},
         "node 0 threshold is not a real number"},
        {{"<threshold>0.5</threshold>", "<threshold>1e99</threshold>"},
         "node 0 threshold is not a real number"},
        {{"<left_val>-1</left_val>", ""}, "node 0 has no left_val"},
        {{"<right_val>1</right_val>", "<right_val>--1</right_val>"},
         "node 0 right_val is not a real number"},
    };
    for (const auto& [change, because] : cases)
        expectRefused(withNode(nodeWith(change.first, change.second)),
                      std::string("stage 0 tree 0 ") + because);
}

TEST(CascadeRefusal, NodeLinksMustEndInLeavesTheTreeHas)
{
    auto linked = [](const std::string& side, const char* link) {
        std::string from = side == "left" ? "<left_val>-1</left_val>" : "<right_val>1</right_val>";
        return nodeWith(from, "<" + side + "_node>" + link + "</" + side + "_node>");
    };
    // A single node may not lead to a node 1 it does not have, nor node 1 to itself.
    expectRefused(withNode(linked("left", "1")), "node 0 links to node 1 of a tree with 1 nodes");
    expectRefused(document(stage(item(item(linked("left", "1")) + item(linked("right", "1"))))),
                  "node 1 links to node 1 of a tree with 2 nodes");
    expectRefused(withNode(linked("left", "-5")),
                  "node 0 links to leaf 5 of a tree with 1 leaf values");

    // A link of 0 names leaf 0, which the left value has made.
    LoadResult leafLink = loadText(withNode(linked("right", "0")));
    ASSERT_NE(leafLink.cascade, nullptr) << leafLink.trail;
    EXPECT_EQ(leafLink.cascade->stages[0].trees[0].right[0], 0);
}

TEST(CascadeRefusal, StageLinksOutOfRange)
{
    std::string trees = item(item(goodNode));
    expectRefused(document(stage(trees, 1)), "stage 0 has parent 1 outside -1 to 0");
    expectRefused(document(stage(trees, -2)), "stage 0 has parent -2 outside -1 to 0");
    expectRefused(document(stage(trees) + stage(trees, 0, 2)),
                  "stage 1 has next 2 outside -1 to 1");
    expectRefused(replaced(document(stage(trees)), "<parent>-1</parent>", ""),
                  "stage 0 has no parent");
    expectRefused(replaced(document(stage(trees)), "<next>-1</next>", "<next>x</next>"),
                  "stage 0 next is not a 32-bit integer");
}

TEST(CascadeRefusal, TreeShapedStageLinksMustNotLoop)
{
    std::string trees = item(item(goodNode));
    // Stage 0 with its two children 1 and 2; failing 1 moves on to its sibling 2.
    LoadResult tree = loadText(document(stage(trees) + stage(trees, 0, 2) + stage(trees, 0)));
    ASSERT_NE(tree.cascade, nullptr) << tree.trail;
    EXPECT_EQ(tree.cascade->stages[0].child, 1);
    EXPECT_EQ(tree.cascade->stages[1].next, 2);

    expectRefused(document(stage(trees, -1, 0)), "the stage links loop back to stage 0");
    // Stage 1 fails, climbs to stage 0, whose next is stage 1 again.
    expectRefused(document(stage(trees, -1, 1) + stage(trees, 0)),
                  "the stage links loop back to stage 1");
    // A chain without next links is run in array order: a stage naming itself as parent is
    // harmless.
    EXPECT_NE(loadText(document(stage(trees, 0))).cascade, nullptr);
}

TEST(CascadeRefusal, ManyEmptyStagesAreRefusedQuickly)
{
    std::string stages;
    for (int i = 0; i < 100000; ++i)
        stages += "<_/>";
    auto start = std::chrono::steady_clock::now();
    LoadResult loaded = loadText(document(stages));
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(loaded.cascade, nullptr);
    EXPECT_EQ(occurrences(loaded.trail, "cascade refused: stage 0 has no trees"), 1);
    EXPECT_LT(seconds, 2.0);
}

TEST(CascadeRefusal, CommentsBetweenItemsAreNotItems)
{
    std::string trees = item(item(goodNode)) + "<!-- between -->" + item(item(goodNode));
    LoadResult loaded = loadText(document(stage(trees) + "<!-- between -->" + stage(trees, 0)));
    ASSERT_NE(loaded.cascade, nullptr) << loaded.trail;
    EXPECT_EQ(loaded.cascade->count, 2);
    EXPECT_EQ(loaded.cascade->stages[1].count, 2);
}

TEST(CascadeNumbers, ReadLikeScanfWithAFixedDecimalPoint)
{
    auto intOf = [](const char* text, int& value) {
        NumberCursor cursor = numberCursor(text);
        return readInt(cursor, value);
    };
    auto floatOf = [](const char* text, float& value) {
        NumberCursor cursor = numberCursor(text);
        return readFloat(cursor, value);
    };
    int i = 0;
    EXPECT_TRUE(intOf(" \n+17", i) && i == 17);
    EXPECT_TRUE(intOf("-12abc", i) && i == -12);
    EXPECT_TRUE(intOf("-2147483648", i) && i == -2147483648);
    EXPECT_FALSE(intOf("2147483648", i));
    EXPECT_FALSE(intOf("+-5", i));
    EXPECT_FALSE(intOf("-+5", i));
    EXPECT_FALSE(intOf("", i));
    EXPECT_FALSE(intOf("x1", i));

    float f = 0;
    EXPECT_TRUE(floatOf("-1.", f) && f == -1.0f);
    EXPECT_TRUE(floatOf(" +.5", f) && f == 0.5f);
    EXPECT_TRUE(floatOf("4.0141958743333817e-003", f) && f == 4.0141958743333817e-003f);
    EXPECT_TRUE(floatOf("0x1p3", f) && f == 8.0f);
    EXPECT_TRUE(floatOf("-0x", f) && f == -0.0f);  // the 0 before an x that starts nothing
    EXPECT_TRUE(floatOf("0,75", f) && f == 0.0f);  // a comma is never a decimal point
    EXPECT_FALSE(floatOf("--1", f));
    EXPECT_FALSE(floatOf(".", f));

    NumberCursor rect = numberCursor("3 7  14\t4 -1.");
    int x = 0, y = 0, w = 0, h = 0;
    float weight = 0;
    EXPECT_TRUE(readInt(rect, x) && readInt(rect, y) && readInt(rect, w) && readInt(rect, h) &&
                readFloat(rect, weight));
    EXPECT_EQ(x + y + w + h, 28);
    EXPECT_EQ(weight, -1.0f);
    EXPECT_FALSE(readInt(rect, x));
}

// The file's own kind and size come first: a device, pipe, socket or folder, or a file past the
// size limit, is refused before a byte of it is read, with one line that names the path and the
// reason, and the reason handed to the caller. Each load runs under a time limit: the devices
// and the pipe would otherwise keep it reading or waiting for ever.
TEST(CascadeRefusal, PathsThatNameNoCascadeFileAreRefusedAtOnce)
{
    const std::string folder = toUtf8(scratchPath(L"kinds"));
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    std::vector<BadPath> paths = badPaths(folder, maxCascadeFileBytes + 1);
    const std::string linkToDevice = folder + "/link-to-zero.xml";
    ASSERT_EQ(::symlink("/dev/zero", linkToDevice.c_str()), 0);
    paths.push_back({"a link to /dev/zero", linkToDevice, paths[0].refusal});
    for (const BadPath& bad : paths) {
        SCOPED_TRACE(bad.name);
        ASSERT_FALSE(bad.path.empty());
        const Watchdog watchdog(std::string("loading a cascade from ") + bad.name);
        std::ostringstream trail;
        setDiagnosticsStream(&trail);
        std::string refusal;
        const auto cascade = loadHaarCascade(widen(bad.path), &refusal);
        setDiagnosticsStream(&std::cout);
        EXPECT_EQ(cascade, nullptr);
        EXPECT_EQ(refusal, bad.refusal);
        EXPECT_EQ(trail.str(), "cascade refused: " + bad.path + ": " + bad.refusal + "\n");
    }
}

// Links are followed: a link to the real cascade loads it as the file itself would. Failures
// that are about the content, or a missing file, leave the file refusal empty.
TEST(CascadeRefusal, ALinkToACascadeLoadsAndContentFailuresAreNoFileRefusal)
{
    const std::string link = toUtf8(scratchPath(L"link-to-cascade.xml"));
    ASSERT_EQ(::symlink(VELMORA_CASCADE, link.c_str()), 0);
    const struct {
        std::string path;
        bool loads;
    } cases[] = {{link, true},
                 {toUtf8(scratchPath(L"missing.xml")), false},
                 {toUtf8(writeScratchFile(L"words.xml", "no cascade here\n")), false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const Watchdog watchdog("loading " + c.path);
        std::ostringstream trail;
        setDiagnosticsStream(&trail);
        std::string refusal = "untouched";
        const auto cascade = loadHaarCascade(widen(c.path), &refusal);
        setDiagnosticsStream(&std::cout);
        EXPECT_EQ(cascade != nullptr, c.loads) << trail.str();
        EXPECT_EQ(refusal, "untouched");
        if (c.loads) {
            EXPECT_EQ(cascade->count, 22);
            EXPECT_EQ(trail.str().rfind(" error after fopen is Success\n", 0), 0u) << trail.str();
        }
    }
}

}  // namespace

// The pieces of a batch on their own: the ordered pool, the folder listing and the progress texts.

#include "cli/batch.h"
#include "cli/ordered_pool.h"
#include "cli/picture_list.h"
#include "cli/progress.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(RunInOrder, DeliversEveryResultInTaskOrderWithABoundedNumberUnderWay)
{
    const struct {
        std::size_t tasks;
        int threads;
        std::size_t window;
    } cases[] = {{0, 3, 6}, {1, 4, 8}, {60, 3, 6}, {60, 2, 1}, {60, 1, 2}, {7, 8, 16}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.tasks) + " tasks, " + std::to_string(c.threads) + " threads");
        std::atomic<int> started{0};
        std::atomic<int> mostUnderWay{0};
        std::atomic<int> delivered{0};
        std::atomic<bool> threadInRange{true};
        std::vector<std::size_t> order;
        runInOrder<std::size_t>(
            c.tasks, c.threads, c.window,
            [&](int thread, std::size_t task) {
                const int underWay = ++started - delivered;
                for (int seen = mostUnderWay; underWay > seen;)
                    mostUnderWay.compare_exchange_weak(seen, underWay);
                if (thread < 0 || thread >= std::max(c.threads, 1))
                    threadInRange = false;
                // Uneven work, so that later tasks often finish first.
                for (std::size_t spin = (task * 7919) % 13 * 2000; spin > 0; --spin)
                    std::atomic_signal_fence(std::memory_order_seq_cst);
                return task * task;
            },
            [&](std::size_t task, std::size_t result) {
                EXPECT_EQ(result, task * task);
                order.push_back(task);
                ++delivered;
            });
        ASSERT_EQ(order.size(), c.tasks);
        for (std::size_t k = 0; k < order.size(); ++k)
            EXPECT_EQ(order[k], k);
        EXPECT_TRUE(threadInRange);
        // The one being handed back counts here until its delivery returns.
        if (c.threads > 1) {
            EXPECT_LE(mostUnderWay, int(c.window) + 1);
        }
    }
}

class FolderListing : public ::testing::Test {
protected:
    QTemporaryDir dir;

    std::string path(const QString& name = {}) const
    {
        return QFile::encodeName(name.isEmpty() ? dir.path() : dir.filePath(name)).toStdString();
    }
    void touch(const QString& name) const
    {
        QDir(dir.path()).mkpath(QFileInfo(dir.filePath(name)).path());
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
    }
    void link(const char* target, const QString& name) const
    {
        ASSERT_EQ(symlink(target, path(name).c_str()), 0) << name.toStdString();
    }
};

std::vector<std::string> relative(const std::vector<ListedEntry>& entries, const std::string& root)
{
    std::vector<std::string> result;
    for (const ListedEntry& entry : entries) {
        std::string name =
            entry.path.rfind(root, 0) == 0 ? entry.path.substr(root.size()) : entry.path;
        result.push_back(entry.problem.empty() ? name : name + " (" + entry.problem + ")");
    }
    return result;
}

TEST_F(FolderListing, ImageFilesInByteOrderSubfoldersInTheirPlacesWhenRecursive)
{
    for (const char* name : {"b.PNG", "a.jpg", "Z.png", "c.JpEg", "d.bmp", "e.gif", "notes.txt",
                             "noext", "png", "x.png/p.png", "sub/q.png", "sub/deeper/r.bmp"})
        touch(name);
    const std::string root = path();
    EXPECT_EQ(relative(listPictures({root}, false), root),
              (std::vector<std::string>{"/Z.png", "/a.jpg", "/b.PNG", "/c.JpEg", "/d.bmp"}));
    EXPECT_EQ(relative(listPictures({root + "/"}, true), root),
              (std::vector<std::string>{"/Z.png", "/a.jpg", "/b.PNG", "/c.JpEg", "/d.bmp",
                                        "/sub/deeper/r.bmp", "/sub/q.png", "/x.png/p.png"}));
    // Files are taken as given, whatever their names; each argument is listed on its own.
    EXPECT_EQ(relative(listPictures({path("notes.txt"), path("sub"), path("missing"), path("sub")},
                                    false),
                       root),
              (std::vector<std::string>{"/notes.txt", "/sub/q.png", "/missing", "/sub/q.png"}));
}

TEST_F(FolderListing, LoopsAndBrokenLinksAreReportedInPlaceAndNeverFollowed)
{
    touch("a/one.png");
    touch("b/two.png");
    link("..", "a/up");      // back to the top: a loop
    link("../b", "a/to_b");  // b, reached again later by its own name
    link("nowhere.png", "a/broken.png");
    link("self", "a/self");             // a link to itself
    link("one.png", "a/also_one.png");  // a link to a picture is a picture
    ASSERT_EQ(mkfifo(path("a/pipe.jpg").c_str(), 0600), 0);
    const std::string root = path();
    EXPECT_EQ(relative(listPictures({root}, true), root),
              (std::vector<std::string>{"/a/also_one.png", "/a/broken.png (broken link)",
                                        "/a/one.png", "/a/pipe.jpg (not a regular file, not read)",
                                        "/a/self (link loop, not followed)", "/a/to_b/two.png",
                                        "/a/up (link loop, not followed)"}));
    // Without recursion nothing is followed into, so there is no loop to meet.
    EXPECT_EQ(relative(listPictures({path("a")}, false), root),
              (std::vector<std::string>{"/a/also_one.png", "/a/broken.png (broken link)",
                                        "/a/one.png", "/a/pipe.jpg (not a regular file, not read)",
                                        "/a/self (link loop, not followed)"}));
}

TEST_F(FolderListing, UnreadableFolderIsReportedAndTheRestListed)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every folder";
    touch("closed/hidden.png");
    touch("open.png");
    ASSERT_EQ(chmod(path("closed").c_str(), 0), 0);
    const std::string root = path();
    const std::vector<std::string> listed = relative(listPictures({root}, true), root);
    chmod(path("closed").c_str(), 0700);
    EXPECT_EQ(listed, (std::vector<std::string>{"/closed (cannot read folder: Permission denied)",
                                                "/open.png"}));
}

TEST_F(FolderListing, PictureGoneBeforeItsTurnIsRefusedLikeAnyUnreadablePicture)
{
    ASSERT_TRUE(QImage(8, 8, QImage::Format_RGB32).save(dir.filePath("gone.png")));
    const std::vector<ListedEntry> entries = listPictures({path()}, false);
    ASSERT_EQ(entries.size(), 1u);
    ASSERT_TRUE(QFile::remove(dir.filePath("gone.png")));
    FaceDetector noCascade;
    const EntryResult result = examineEntry(entries[0], noCascade, BatchSettings{});
    EXPECT_EQ(result.findings.error, "Failed to read image");
}

TEST(ImageExtension, TheReadersExtensionsInAnyCase)
{
    for (const char* name :
         {"a.png", "a.PNG", "b.jpg", "c.JPEG", "d.jpeg", "e.Bmp", ".png", "x.y.jpg"})
        EXPECT_TRUE(hasImageExtension(name)) << name;
    for (const char* name : {"png", "a.gif", "a.png~", "a.png.txt", "a.tiff", "a.", "", "a.pn"})
        EXPECT_FALSE(hasImageExtension(name)) << name;
}

TEST(Progress, ShownOnlyOnATerminalAndNotWhenQuiet)
{
    EXPECT_TRUE(showsProgress(true, false));
    EXPECT_FALSE(showsProgress(true, true));
    EXPECT_FALSE(showsProgress(false, false));
    EXPECT_FALSE(showsProgress(false, true));
}

PictureFindings findingsWith(int faces, std::vector<ReadOutcome::Status> readings,
                             std::string error = {})
{
    PictureFindings findings;
    findings.faceCount = faces;
    findings.error = std::move(error);
    for (ReadOutcome::Status status : readings) {
        ReadOutcome outcome;
        outcome.status = status;
        outcome.phase = FacePhase::EARTH;
        findings.faces.push_back({0, {}, outcome});
    }
    return findings;
}

TEST(Progress, LinesCountPicturesFacesOutcomesAndFailures)
{
    using S = ReadOutcome::Status;
    BatchTally tally = startTally(130);
    EXPECT_EQ(progressLine(tally, 0.0), "velmora-cli: 0/130 pictures, 0 faces");
    EXPECT_EQ(summaryLine(tally, true), "velmora-cli: 0 pictures, 0 faces, 0 failures");

    countPicture(tally, findingsWith(2, {S::Read, S::Failed}));
    countPicture(tally, findingsWith(1, {S::NotColour}));
    countPicture(tally, findingsWith(0, {}, "Failed to read image"));
    countPicture(tally, findingsWith(3, {S::Read}, "No face 1"));
    countUnlistedEntry(tally);
    // 4 pictures in 2 s: 2 a second, 126 to go in 63 s.
    EXPECT_EQ(progressLine(tally, 2.0),
              "velmora-cli: 4/130 pictures, 6 faces, 2.0 pictures/s, 1:03 left");
    EXPECT_EQ(summaryLine(tally, true),
              "velmora-cli: 4 pictures, 6 faces (2 EARTH, 1 failed, 1 not_colour), 3 failures");
    EXPECT_EQ(summaryLine(tally, false), "velmora-cli: 4 pictures, 6 faces, 3 failures");

    BatchTally one = startTally(1);
    countPicture(one, findingsWith(1, {}));
    EXPECT_EQ(summaryLine(one, false), "velmora-cli: 1 picture, 1 face, 0 failures");

    BatchTally slow = startTally(10000);
    slow.done = 3;
    EXPECT_EQ(progressLine(slow, 6.0),
              "velmora-cli: 3/10000 pictures, 0 faces, 0.5 pictures/s, 5:33:14 left");
}

}  // namespace

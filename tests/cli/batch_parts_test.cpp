// The pieces of a batch on their own: the folder listing and the progress texts.

#include "cli/batch.h"
#include "cli/progress.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

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
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    // The entries below the temporary folder, with their problems.
    std::vector<std::string> listed(const std::vector<std::string>& args, bool recursive) const
    {
        std::vector<std::string> result;
        for (const ListedEntry& entry : listPictures(args, recursive)) {
            const std::string name = entry.path.substr(path().size());
            result.push_back(entry.problem.empty() ? name : name + " (" + entry.problem + ")");
        }
        return result;
    }
};

TEST_F(FolderListing, ImageFilesInByteOrderSubfoldersInTheirPlacesWhenRecursive)
{
    for (const char* name : {"b.PNG", "a.jpg", "Z.png", "c.JpEg", "d.bmp", "e.gif", "f.png~",
                             "noext", "png", "x.png/p.png", "sub/q.png", "sub/deeper/r.bmp"})
        touch(name);
    EXPECT_EQ(listed({path()}, false),
              (std::vector<std::string>{"/Z.png", "/a.jpg", "/b.PNG", "/c.JpEg", "/d.bmp"}));
    EXPECT_EQ(listed({path() + "/"}, true),
              (std::vector<std::string>{"/Z.png", "/a.jpg", "/b.PNG", "/c.JpEg", "/d.bmp",
                                        "/sub/deeper/r.bmp", "/sub/q.png", "/x.png/p.png"}));
    // Files are taken as given, whatever their names; each argument is listed on its own.
    EXPECT_EQ(listed({path("noext"), path("sub"), path("missing"), path("sub")}, false),
              (std::vector<std::string>{"/noext", "/sub/q.png", "/missing", "/sub/q.png"}));
}

TEST_F(FolderListing, LoopsAndBrokenLinksAreReportedInPlaceAndNeverFollowed)
{
    touch("a/one.png");
    touch("b/two.png");
    const std::pair<const char*, const char*> links[] = {
        {"..", "a/up"},                   // back to the top: a loop
        {"../b", "a/to_b"},               // b, met again later by its own name
        {"nowhere.png", "a/broken.png"},  //
        {"self", "a/self"},               //
        {"one.png", "a/also_one.png"}};   // a link to a picture is a picture
    for (const auto& [target, name] : links)
        ASSERT_EQ(symlink(target, path(name).c_str()), 0) << name;
    ASSERT_EQ(mkfifo(path("a/pipe.jpg").c_str(), 0600), 0);
    const std::vector<std::string> inA{"/a/also_one.png", "/a/broken.png (broken link)",
                                       "/a/one.png", "/a/pipe.jpg (not a regular file, not read)",
                                       "/a/self (link loop, not followed)"};
    EXPECT_EQ(listed({path("a")}, false), inA);
    std::vector<std::string> all = inA;
    all.insert(all.end(), {"/a/to_b/two.png", "/a/up (link loop, not followed)"});
    EXPECT_EQ(listed({path()}, true), all);
}

TEST_F(FolderListing, PictureGoneBeforeItsTurnIsRefusedLikeAnyUnreadablePicture)
{
    ASSERT_TRUE(QImage(8, 8, QImage::Format_RGB32).save(dir.filePath("gone.png")));
    const std::vector<ListedEntry> entries = listPictures({path()}, false);
    ASSERT_EQ(entries.size(), 1u);
    ASSERT_TRUE(QFile::remove(dir.filePath("gone.png")));
    FaceDetector noCascade;
    EXPECT_EQ(examineEntry(0, entries[0], noCascade, {}).findings.error, "Failed to read image");
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
        findings.faces.push_back({0, {}, outcome, std::nullopt});
    }
    return findings;
}

TEST(Progress, LinesCountPicturesFacesOutcomesAndFailures)
{
    using S = ReadOutcome::Status;
    BatchTally tally = startTally(130);
    EXPECT_EQ(progressLine(tally, 0.0), "velmora-cli: 0/130 pictures, 0 faces");
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
    tally.pictures = 10000;
    EXPECT_EQ(progressLine(tally, 8.0),
              "velmora-cli: 4/10000 pictures, 6 faces, 0.5 pictures/s, 5:33:12 left");
}

}  // namespace

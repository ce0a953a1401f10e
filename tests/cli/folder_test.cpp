// velmora-cli on folders and with several pictures at once, run as a child process: the output
// is the same bytes whatever the number of jobs, and the progress line is for terminals only.

#include "child_process.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

const QString photos = QStringLiteral(VELMORA_TEST_DATA "/photos/");

class Folders : public ::testing::Test {
protected:
    QTemporaryDir dir;

    std::string path(const QString& name = {}) const
    {
        return QFile::encodeName(name.isEmpty() ? dir.path() : dir.filePath(name)).toStdString();
    }
    void photo(const char* photoName, const QString& name) const
    {
        QDir(dir.path()).mkpath(QFileInfo(dir.filePath(name)).path());
        ASSERT_TRUE(QFile::copy(photos + photoName, dir.filePath(name))) << photoName;
    }
    // A smaller copy, for speed; the format follows the name.
    void smallPhoto(const char* photoName, const QString& name) const
    {
        QDir(dir.path()).mkpath(QFileInfo(dir.filePath(name)).path());
        const QImage image(photos + photoName);
        ASSERT_TRUE(image.scaledToWidth(240, Qt::SmoothTransformation).save(dir.filePath(name)))
            << photoName;
    }
    void write(const QString& name, const QByteArray& bytes) const
    {
        QDir(dir.path()).mkpath(QFileInfo(dir.filePath(name)).path());
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
};

// Lines of a pseudo-terminal come back with "\r\n"; progress redraws start with "\r".
std::string withPlainLineEnds(std::string text)
{
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.replace(at, 2, "\n");
    return text;
}

TEST_F(Folders, AnyNumberOfJobsGivesTheBytesOfOneJob)
{
    // Faces, no faces, a grey face, pictures that are none, a broken link and a loop, in a
    // folder and a subfolder, between pictures named directly. The astronaut's colour profile
    // draws a warning from Qt, which --verbose shows.
    photo("astronaut.png", "01_astronaut.png");
    write("02_notes.png", "These are notes.\n");
    smallPhoto("grace_hopper.jpg", "03_hopper.JPG");
    write("04_empty.jpg", {});
    ASSERT_EQ(symlink("gone.png", path("05_broken.png").c_str()), 0);
    smallPhoto("two_people.jpg", "06_two.jpeg");
    write("07_readme.txt", "not a picture, not listed\n");
    smallPhoto("astronaut_grey.png", "sub/10_grey.png");
    ASSERT_EQ(symlink("..", path("sub/09_up").c_str()), 0);
    smallPhoto("coffee.png", "11_coffee.bmp");
    const std::string folder = path();
    const std::string before = (photos + "grace_hopper.jpg").toStdString();
    const std::string missing = path("missing.png");

    for (const char* mode : {"--json", "--verbose"}) {
        SCOPED_TRACE(mode);
        const std::vector<std::string> args{"read", mode, "--recursive", before, folder, missing};
        auto withJobs = [&](const char* jobs) {
            std::vector<std::string> all = args;
            all.insert(all.begin() + 1, {"--jobs", jobs});
            return runCli(all);
        };
        const ChildResult one = withJobs("1");
        EXPECT_EQ(one.exitCode, 1);
        if (std::string(mode) == "--json") {
            const std::vector<std::string> out = lines(one.out);
            const std::vector<std::string> named{before,
                                                 folder + "/01_astronaut.png",
                                                 folder + "/02_notes.png",
                                                 folder + "/03_hopper.JPG",
                                                 folder + "/04_empty.jpg",
                                                 folder + "/06_two.jpeg",
                                                 folder + "/11_coffee.bmp",
                                                 folder + "/sub/10_grey.png",
                                                 missing};
            ASSERT_EQ(out.size(), named.size()) << one.out;
            for (std::size_t k = 0; k < named.size(); ++k)
                EXPECT_EQ(out[k].rfind("{\"image\": \"" + named[k] + "\", ", 0), 0u) << out[k];
            EXPECT_EQ(one.err, "velmora-cli: " + folder + "/05_broken.png: broken link\n" +
                                   "velmora-cli: " + folder +
                                   "/sub/09_up: link loop, not followed\n");
        } else {
            EXPECT_NE(one.err.find(" read data from file "), std::string::npos);
            EXPECT_NE(one.err.find("a1 and a2 are "), std::string::npos);
            EXPECT_NE(one.err.find("libpng warning: iCCP: "), std::string::npos);
        }
        for (const char* jobs : {"2", "64"}) {
            const ChildResult many = withJobs(jobs);
            EXPECT_EQ(many.exitCode, one.exitCode) << jobs;
            EXPECT_EQ(many.out, one.out) << jobs;
            EXPECT_EQ(many.err, one.err) << jobs;
        }
    }
}

TEST_F(Folders, EmptyFolderOrOneWithoutImageFilesHasNothingToDo)
{
    QDir(dir.path()).mkpath("empty");
    write("other/notes.txt", "notes\n");
    write("other/picture.gif", "GIF89a");
    QDir(dir.path()).mkpath("other/sub.png");  // a folder, not a picture
    for (const char* name : {"empty", "other"}) {
        const ChildResult result = runCli({"detect", "--json", "--recursive", path(name)});
        EXPECT_EQ(result.exitCode, 0) << name;
        EXPECT_EQ(result.out, "") << name;
        EXPECT_EQ(result.err, "velmora-cli: no pictures to examine\n") << name;
    }
}

TEST_F(Folders, ImageFilesThatAreNoPicturesAreEachRefused)
{
    write("a.png", "text\n");
    write("b.jpg", QByteArray(300, 'x'));
    const ChildResult json = runCli({"detect", "--json", "--jobs", "2", path()});
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_EQ(json.out, "{\"image\": \"" + path("a.png") +
                            "\", \"error\": \"Failed to read image\"}\n" + "{\"image\": \"" +
                            path("b.jpg") + "\", \"error\": \"Failed to read image\"}\n");
    EXPECT_EQ(json.err, "");
    const ChildResult text = runCli({"read", path()});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_EQ(text.err, "velmora-cli: " + path("a.png") + ": Failed to read image\n" +
                            "velmora-cli: " + path("b.jpg") + ": Failed to read image\n");
}

TEST_F(Folders, ProgressAndSummaryOnlyOnATerminalAndNotWhenQuiet)
{
    write("0_bad.png", "text\n");
    smallPhoto("astronaut.png", "1.png");
    smallPhoto("grace_hopper.jpg", "2.jpg");
    const std::vector<std::string> args{"read", path()};
    const ChildResult piped = runCli(args);
    const ChildResult terminal = runCli(args, ChildStderr::Terminal);
    std::vector<std::string> quietArgs = args;
    quietArgs.push_back("--quiet");
    const ChildResult quiet = runCli(quietArgs, ChildStderr::Terminal);

    const std::string complaint = "velmora-cli: " + path("0_bad.png") + ": Failed to read image\n";
    EXPECT_EQ(piped.exitCode, 1);
    EXPECT_EQ(piped.err, complaint);
    EXPECT_EQ(terminal.exitCode, 1);
    EXPECT_EQ(terminal.out, piped.out);
    EXPECT_EQ(quiet.out, piped.out);
    EXPECT_EQ(withPlainLineEnds(quiet.err), complaint);

    // The line is drawn first and taken away before the complaint about the first picture (a
    // picture, though refused); the summary is the last line, with no progress left on it.
    const std::string err = withPlainLineEnds(terminal.err);
    const std::string cleared = "\r\033[K";
    EXPECT_EQ(err.rfind(cleared + "velmora-cli: 0/3 pictures, 0 faces" + cleared + complaint, 0),
              0u)
        << err;
    ASSERT_EQ(err.back(), '\n');
    std::string last = err.substr(err.rfind('\n', err.size() - 2) + 1);
    if (last.rfind(cleared) != std::string::npos)
        last = last.substr(last.rfind(cleared) + cleared.size());
    EXPECT_EQ(last.rfind("velmora-cli: 3 pictures, 2 faces (", 0), 0u) << err;
    EXPECT_EQ(last.substr(last.size() - 13), "), 1 failure\n") << err;
}

}  // namespace

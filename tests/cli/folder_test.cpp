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
    QString made(const QString& name) const
    {
        QDir(dir.path()).mkpath(QFileInfo(dir.filePath(name)).path());
        return dir.filePath(name);
    }
    // A smaller copy, for speed, in the format its name says; width 0 copies the file as it is.
    void photo(const char* photoName, const QString& name, int width = 240) const
    {
        const QImage image(photos + photoName);
        ASSERT_TRUE(width == 0 ? QFile::copy(photos + photoName, made(name))
                               : image.scaledToWidth(width).save(made(name)));
    }
    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile file(made(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
};

TEST_F(Folders, AnyNumberOfJobsGivesTheBytesOfOneJob)
{
    // Faces, no faces, a grey face, pictures that are none, a broken link and a loop, in a
    // folder and a subfolder, between pictures named directly. The astronaut's colour profile
    // draws a warning from Qt, which --verbose shows.
    photo("astronaut.png", "01_astronaut.png", 0);
    write("02_notes.png", "These are notes.\n");
    photo("grace_hopper.jpg", "03_hopper.JPG");
    write("04_empty.jpg", {});
    ASSERT_EQ(symlink("gone.png", path("05_broken.png").c_str()), 0);
    photo("two_people.jpg", "06_two.jpeg");
    write("07_readme.txt", "not a picture, not listed\n");
    photo("astronaut_grey.png", "sub/08_grey.png");
    ASSERT_EQ(symlink("..", path("sub/09_up").c_str()), 0);
    photo("coffee.png", "10_coffee.bmp");
    const std::string folder = path();
    const std::string before = (photos + "grace_hopper.jpg").toStdString();
    const std::string missing = path("missing.png");

    for (const char* mode : {"--json", "--verbose"}) {
        auto withJobs = [&](const char* jobs) {
            return runCli({"read", mode, "--recursive", "--jobs", jobs, before, folder, missing});
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
                                                 folder + "/10_coffee.bmp",
                                                 folder + "/sub/08_grey.png",
                                                 missing};
            ASSERT_EQ(out.size(), named.size()) << one.out;
            for (std::size_t k = 0; k < named.size(); ++k)
                EXPECT_EQ(out[k].rfind("{\"image\": \"" + named[k] + "\", ", 0), 0u) << out[k];
            EXPECT_EQ(one.err, "velmora-cli: " + folder + "/05_broken.png: broken link\n" +
                                   "velmora-cli: " + folder +
                                   "/sub/09_up: link loop, not followed\n");
        } else {
            for (const char* line :
                 {" read data from file ", "a1 and a2 are ", "libpng warning: iCCP: "})
                EXPECT_NE(one.err.find(line), std::string::npos) << line;
        }
        for (const char* jobs : {"2", "64"}) {
            const ChildResult many = withJobs(jobs);
            EXPECT_EQ(many.exitCode, one.exitCode) << mode << jobs;
            EXPECT_EQ(many.out, one.out) << mode << jobs;
            EXPECT_EQ(many.err, one.err) << mode << jobs;
        }
    }
}

TEST_F(Folders, NothingToDoWithoutImageFiles)
{
    // No image files at all: only other files, and a folder named like a picture.
    write("other/notes.txt", "notes\n");
    write("other/picture.gif", "GIF89a");
    QDir(dir.path()).mkpath("other/sub.png");
    QDir(dir.path()).mkpath("empty");
    const ChildResult nothing = runCli({"detect", "--recursive", path("empty"), path("other")});
    EXPECT_EQ(nothing.exitCode, 0);
    EXPECT_EQ(nothing.out, "");
    EXPECT_EQ(nothing.err, "velmora-cli: no pictures to examine\n");
}

// Lines of a pseudo-terminal come back with "\r\n".
std::string withPlainLineEnds(std::string text)
{
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.replace(at, 2, "\n");
    return text;
}

TEST_F(Folders, ProgressAndSummaryOnlyOnATerminalAndNotWhenQuiet)
{
    write("0_bad.png", "text\n");
    photo("astronaut.png", "1.png");
    photo("grace_hopper.jpg", "2.jpg");
    const ChildResult piped = runCli({"read", path()});
    const ChildResult terminal = runCli({"read", path()}, {}, ChildStderr::Terminal);
    const ChildResult quiet = runCli({"read", "--quiet", path()}, {}, ChildStderr::Terminal);
    const std::string complaint = "velmora-cli: " + path("0_bad.png") + ": Failed to read image\n";
    EXPECT_EQ(piped.err, complaint);
    EXPECT_EQ(withPlainLineEnds(quiet.err), complaint);
    EXPECT_EQ(terminal.out, piped.out);
    EXPECT_EQ(terminal.exitCode, 1);

    // The line is drawn first and taken away before the complaint about the first picture (a
    // picture, though refused); the summary is the last line, with no progress left on it.
    const std::string err = withPlainLineEnds(terminal.err);
    const std::string cleared = "\r\033[K";
    EXPECT_EQ(err.rfind(cleared + "velmora-cli: 0/3 pictures, 0 faces" + cleared + complaint, 0),
              0u)
        << err;
    std::string last = err.substr(err.rfind('\n', err.size() - 2) + 1);
    if (last.rfind(cleared) != std::string::npos)
        last = last.substr(last.rfind(cleared) + cleared.size());
    EXPECT_EQ(last.rfind("velmora-cli: 3 pictures, 2 faces (", 0), 0u) << err;
    EXPECT_EQ(last.substr(last.size() - 13), "), 1 failure\n") << err;
}

}  // namespace

// The reasons in read --json, checked byte for byte against the committed expectation, and the
// annotated pictures of --annotate: one PNG per picture at the reduced size, distinct names,
// never over an input, and clear errors for a folder that cannot be used.

#include "child_process.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const std::string photos = VELMORA_TEST_DATA "/photos/";

QByteArray readFile(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QJsonObject jsonLine(const ChildResult& result, std::size_t index)
{
    const std::vector<std::string> out = lines(result.out);
    if (index >= out.size())
        return {};
    return QJsonDocument::fromJson(QByteArray::fromStdString(out[index])).object();
}

// A valid PNG file (by its content, not its name) of the given size.
void expectPng(const QString& path, QSize size)
{
    SCOPED_TRACE(path.toStdString());
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), "png");
    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), size);
}

TEST(ReadReasons, ReadJsonOnTheTestPhotosIsTheCommittedExpectation)
{
    const ChildResult result =
        runCli({"read", "--json", "astronaut.png", "astronaut_grey.png", "camera.png", "coffee.png",
                "grace_hopper.jpg", "two_people.jpg", "astronaut_70.png", "grace_hopper_90.png"},
               photos);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(QByteArray::fromStdString(result.out),
              readFile(VELMORA_TEST_DATA "/expected/read.jsonl"));
}

TEST(Annotate, OnePngPerPictureAtTheReducedSizeAndTheSameResults)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("not/yet/there");
    const std::vector<std::string> pictures = {photos + "two_people.jpg", photos + "coffee.png",
                                               photos + "astronaut.png"};
    for (const char* command : {"detect", "read"}) {
        SCOPED_TRACE(command);
        std::vector<std::string> plainArgs = {command, "--json"};
        plainArgs.insert(plainArgs.end(), pictures.begin(), pictures.end());
        std::vector<std::string> annotateArgs = plainArgs;
        annotateArgs.insert(annotateArgs.begin() + 1, {"--annotate", out.toStdString()});
        const ChildResult plain = runCli(plainArgs);
        const ChildResult annotated = runCli(annotateArgs);
        ASSERT_EQ(annotated.exitCode, 0) << annotated.err;
        EXPECT_EQ(annotated.err, "");
        EXPECT_EQ(annotated.out, plain.out);

        expectPng(out + "/two_people.png", QSize(1000, 586));
        expectPng(out + "/astronaut.png", QSize(512, 512));
        // No faces: the picture as it was examined, without a stroke.
        const QImage coffee(photos.c_str() + QString("coffee.png"));
        EXPECT_EQ(QImage(out + "/coffee.png"), coffee.convertToFormat(QImage::Format_RGB32));
        EXPECT_NE(QImage(out + "/astronaut.png"),
                  QImage((photos + "astronaut.png").c_str()).convertToFormat(QImage::Format_RGB32));
        EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), 3);
    }
}

TEST(Annotate, SameFileNamesGetDistinctNamesAndRerunsReplaceThem)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("a");
    QDir(dir.path()).mkpath("b");
    ASSERT_TRUE(QFile::copy((photos + "astronaut.png").c_str(), dir.filePath("a/face.png")));
    ASSERT_TRUE(QFile::copy((photos + "grace_hopper.jpg").c_str(), dir.filePath("b/face.png")));
    ASSERT_TRUE(QFile::copy((photos + "two_people.jpg").c_str(), dir.filePath("a/face.jpg")));
    const std::vector<std::string> args = {"detect",
                                           "--annotate",
                                           dir.filePath("out").toStdString(),
                                           dir.filePath("a/face.png").toStdString(),
                                           dir.filePath("b/face.png").toStdString(),
                                           dir.filePath("a/face.jpg").toStdString()};
    for (int run = 0; run < 2; ++run) {
        const ChildResult result = runCli(args);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        expectPng(dir.filePath("out/face.png"), QSize(512, 512));
        expectPng(dir.filePath("out/face-2.png"), QSize(512, 600));
        expectPng(dir.filePath("out/face-3.png"), QSize(1000, 586));
        EXPECT_EQ(QDir(dir.filePath("out")).entryList(QDir::Files).size(), 3);
    }
}

TEST(Annotate, NeverOverwritesAnInputPicture)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy((photos + "astronaut.png").c_str(), dir.filePath("astronaut.png")));
    const QByteArray before = readFile(dir.filePath("astronaut.png"));
    const ChildResult result = runCli({"read", "--annotate", dir.path().toStdString(),
                                       dir.filePath("astronaut.png").toStdString()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(readFile(dir.filePath("astronaut.png")), before);
    expectPng(dir.filePath("astronaut-2.png"), QSize(512, 512));
}

TEST(Annotate, AFolderThatCannotBeUsedIsAnErrorForEachPictureAndTheBatchGoesOn)
{
    QTemporaryDir dir;
    QFile(dir.filePath("file")).open(QIODevice::WriteOnly);
    std::vector<std::pair<std::string, std::string>> folders = {
        {dir.filePath("file").toStdString(), "Cannot create the folder "},
        {dir.filePath("file/sub").toStdString(), "Cannot create the folder "},
        {"/proc", "Cannot write the annotated picture /proc/astronaut.png: "},
        {"/proc/velmora/out", "Cannot create the folder "},
    };
    if (geteuid() != 0) {  // root writes into read-only folders all the same
        QDir(dir.path()).mkdir("locked");
        QFile::setPermissions(dir.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner);
        folders.push_back({dir.filePath("locked").toStdString(), "Cannot write the annotated"});
    }
    const std::string missing = photos + "no_such_picture.png";
    for (const auto& [folder, error] : folders) {
        SCOPED_TRACE(folder);
        const ChildResult json = runCli({"read", "--json", "--annotate", folder,
                                         photos + "astronaut.png", missing, photos + "coffee.png"});
        EXPECT_EQ(json.exitCode, 1);
        ASSERT_EQ(lines(json.out).size(), 3u) << json.out;
        const QJsonObject astronaut = jsonLine(json, 0);
        EXPECT_EQ(astronaut["faces"].toArray().size(), 1);
        EXPECT_EQ(astronaut["faces"][0]["reading"]["reason"].toString(), "no_left_side_edge");
        EXPECT_EQ(astronaut["error"].toString().toStdString().rfind(error, 0), 0u)
            << astronaut["error"].toString().toStdString();
        EXPECT_EQ(jsonLine(json, 1)["error"].toString(), "Failed to read image");
        EXPECT_TRUE(jsonLine(json, 2)["error"].toString().startsWith("Cannot "));

        const ChildResult text = runCli({"detect", "--annotate", folder, photos + "astronaut.png"});
        EXPECT_EQ(text.exitCode, 1);
        EXPECT_EQ(lines(text.out).size(), 2u);
        EXPECT_EQ(text.err.rfind("velmora-cli: " + photos + "astronaut.png: " + error, 0), 0u)
            << text.err;
    }
}

}  // namespace

// read --steady as scripts run it: the committed steady votes of the test photos, the faithful
// reading beside them unchanged, the readable form, --face, and detect --steady refused.

#include "child_process.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <regex>

namespace {

const std::string photos = VELMORA_TEST_DATA "/photos/";

std::vector<std::string> fileLines(const char* path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return lines(file.readAll().toStdString());
}

QJsonObject object(const std::string& line)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
}

TEST(SteadyTool, ReadSteadyJsonGivesTheCommittedVotesBesideTheUnchangedReading)
{
    const ChildResult result =
        runCli({"read", "--steady", "--json", "astronaut.png", "astronaut_grey.png", "camera.png",
                "coffee.png", "grace_hopper.jpg", "two_people.jpg", "astronaut_70.png",
                "grace_hopper_90.png"},
               photos);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::vector<std::string> got = lines(result.out);
    const std::vector<std::string> expected = fileLines(VELMORA_TEST_DATA "/expected/steady.jsonl");
    const std::vector<std::string> faithful = fileLines(VELMORA_TEST_DATA "/expected/read.jsonl");
    ASSERT_EQ(got.size(), 8u);
    ASSERT_EQ(expected.size(), 8u);
    ASSERT_EQ(faithful.size(), 8u);
    int steadyFaces = 0;
    for (std::size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(got[i]);
        const QJsonArray faces = object(got[i])["faces"].toArray();
        const QJsonArray expectedFaces = object(expected[i])["faces"].toArray();
        ASSERT_EQ(faces.size(), expectedFaces.size());
        for (int f = 0; f < faces.size(); ++f) {
            const QJsonObject steady = faces[f].toObject()["steady"].toObject();
            const QJsonObject wanted = expectedFaces[f].toObject()["steady"].toObject();
            ASSERT_FALSE(wanted.isEmpty());
            EXPECT_EQ(steady["outcome"], wanted["outcome"]);
            EXPECT_EQ(steady["views"], wanted["views"]);
            EXPECT_EQ(steady["votes"], wanted["votes"]);
            ++steadyFaces;
        }
        // Taking the steady objects out leaves the faithful output byte for byte, and each one
        // lists its keys and votes in their fixed order.
        static const std::regex steadyObject(
            R"(, "steady": \{"outcome": "[A-Za-z_]+", "views": 54, "votes": \{"WOOD": \d+, )"
            R"("FIRE": \d+, "EARTH": \d+, "GOLD": \d+, "WATER": \d+, "failed": \d+, )"
            R"("not_colour": \d+\}(, "reason": "[a-z_]+")?\})");
        EXPECT_EQ(std::regex_replace(got[i], steadyObject, ""), faithful[i]);
    }
    EXPECT_EQ(steadyFaces, 7);
}

TEST(SteadyTool, TextFormEndsTheFaceLineFaceReadsOneFaceAloneAndAnnotateLabelsTheVote)
{
    QTemporaryDir dir;
    const std::string plainFolder = dir.filePath("plain").toStdString();
    const std::string steadyFolder = dir.filePath("steady").toStdString();
    const ChildResult result = runCli({"read", "--steady", "--verbose", "--face", "1", "--annotate",
                                       steadyFolder, "two_people.jpg"},
                                      photos);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::vector<std::string> out = lines(result.out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[1].rfind("two_people.jpg: face 1: x=655 y=104 width=212 height=212 neighbors=5 "
                           "-> FIRE (mouth 33,80; ",
                           0),
              0u)
        << out[1];
    const std::string ending = ") steady=WATER 21/54";
    ASSERT_GE(out[1].size(), ending.size());
    EXPECT_EQ(out[1].substr(out[1].size() - ending.size()), ending);

    // The label over the face says "1 WATER 21/54" instead of "1 FIRE"; nothing else changes.
    // The views write no diagnostic lines: the trail is the single reading's alone.
    const ChildResult single = runCli(
        {"read", "--verbose", "--face", "1", "--annotate", plainFolder, "two_people.jpg"}, photos);
    ASSERT_EQ(single.exitCode, 0);
    EXPECT_NE(single.err.find("a3 and a4 are "), std::string::npos);
    EXPECT_EQ(result.err, single.err);
    const QImage plain(QString::fromStdString(plainFolder + "/two_people.png"));
    const QImage steady(QString::fromStdString(steadyFolder + "/two_people.png"));
    ASSERT_EQ(plain.size(), QSize(1000, 586));
    ASSERT_EQ(steady.size(), plain.size());
    const QRect label(640, 50, 360, 54);  // above the face's box
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            if (plain.pixel(x, y) != steady.pixel(x, y)) {
                ASSERT_TRUE(label.contains(x, y)) << x << "," << y;
            }
    EXPECT_NE(plain.copy(label), steady.copy(label));
}

TEST(SteadyTool, DetectSteadyIsAUsageError)
{
    const ChildResult result = runCli({"detect", "--steady", photos + "astronaut.png"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("--steady is an option of the read command"), std::string::npos)
        << result.err;
}

}  // namespace

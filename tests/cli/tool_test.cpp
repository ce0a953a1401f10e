#include "child_process.h"
#include "velmora_version.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

const std::string photos = VELMORA_TEST_DATA "/photos/";

QJsonObject parseLine(const std::string& line)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    EXPECT_TRUE(doc.isObject()) << line;
    return doc.object();
}

// Every line of stdout is one JSON object.
std::vector<QJsonObject> jsonLines(const ChildResult& result)
{
    std::vector<QJsonObject> objects;
    for (const std::string& line : lines(result.out))
        objects.push_back(parseLine(line));
    return objects;
}

// The keys appear in the text in the given order (the parsed object forgets the order).
void expectKeyOrder(const std::string& text, const std::vector<std::string>& keys)
{
    std::size_t at = 0;
    for (const std::string& key : keys) {
        const std::size_t found = text.find('"' + key + "\": ", at);
        ASSERT_NE(found, std::string::npos) << key << " missing or out of order in " << text;
        at = found;
    }
}

struct Box {
    int x, y, width, height, neighbors;
};

std::vector<Box> boxes(const QJsonObject& picture)
{
    std::vector<Box> result;
    for (const QJsonValue& v : picture["faces"].toArray()) {
        const QJsonObject f = v.toObject();
        result.push_back({f["x"].toInt(-1), f["y"].toInt(-1), f["width"].toInt(-1),
                          f["height"].toInt(-1), f["neighbors"].toInt(-1)});
    }
    return result;
}

TEST(CliTool, HelpAndVersionGoToStdoutWithStatusZero)
{
    const ChildResult help = runCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("velmora-cli detect"), std::string::npos);
    EXPECT_NE(help.out.find("velmora-cli read"), std::string::npos);
    EXPECT_EQ(help.err, "");

    const ChildResult version = runCli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "velmora-cli " VELMORA_VERSION "\n");
    EXPECT_EQ(version.err, "");
}

TEST(CliTool, BadUsageGivesUsageOnStderrAndStatusTwo)
{
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"detect"},
        {"classify", photos + "astronaut.png"},
        {"detect", "--frobnicate", photos + "astronaut.png"},
        {"read", "--face", "-1", photos + "astronaut.png"},
        {"read", "--face", "one", photos + "astronaut.png"},
        {"detect", "--jobs", "0", photos + "astronaut.png"},
        {"detect", "--jobs=-1", photos + "astronaut.png"},
        {"read", "--jobs", "abc", photos + "astronaut.png"},
    };
    for (const auto& args : bad) {
        const ChildResult result = runCli(args);
        EXPECT_EQ(result.exitCode, 2) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find("Usage: velmora-cli"), std::string::npos) << result.err;
    }
}

TEST(CliTool, DetectJsonOnTheSamplePhotos)
{
    const ChildResult result =
        runCli({"detect", "--json", photos + "astronaut.png", photos + "grace_hopper.jpg",
                photos + "two_people.jpg", photos + "coffee.png"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::vector<std::string> text = lines(result.out);
    const std::vector<QJsonObject> pictures = jsonLines(result);
    ASSERT_EQ(pictures.size(), 4u);

    const int expectedFaces[] = {1, 1, 2, 0};
    const int original[][2] = {{512, 512}, {512, 600}, {1024, 600}, {600, 400}};
    const char* names[] = {"astronaut.png", "grace_hopper.jpg", "two_people.jpg", "coffee.png"};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(names[i]);
        const QJsonObject& p = pictures[i];
        expectKeyOrder(text[i], {"image", "original", "width", "height", "faces"});
        EXPECT_EQ(p["image"].toString().toStdString(), photos + names[i]);
        EXPECT_FALSE(p.contains("error"));
        EXPECT_EQ(p["original"]["width"].toInt(), original[i][0]);
        EXPECT_EQ(p["original"]["height"].toInt(), original[i][1]);
        const std::vector<Box> faces = boxes(p);
        ASSERT_EQ(int(faces.size()), expectedFaces[i]);
        for (const Box& b : faces) {
            // Boxes lie in the reduced picture and are groups of at least two candidates.
            EXPECT_GE(b.x, 0);
            EXPECT_GE(b.y, 0);
            EXPECT_GE(b.width, 20);
            EXPECT_LE(b.x + b.width, p["width"].toInt());
            EXPECT_LE(b.y + b.height, p["height"].toInt());
            EXPECT_GE(b.neighbors, 2);
        }
        if (!faces.empty())
            expectKeyOrder(text[i], {"faces", "x", "y", "width", "height", "neighbors"});
    }
    EXPECT_EQ(pictures[0]["width"].toInt(), 512);
    EXPECT_EQ(pictures[2]["width"].toInt(), 1000);
    EXPECT_EQ(pictures[2]["height"].toInt(), 586);
    const std::vector<Box> two = boxes(pictures[2]);
    EXPECT_TRUE(two[0].x + two[0].width <= two[1].x || two[1].x + two[1].width <= two[0].x)
        << "the two people's faces should not overlap";
}

TEST(CliTool, ReadJsonGivesAReadingPerFaceOnTheSameBoxesAsDetect)
{
    const ChildResult detect = runCli({"detect", "--json", photos + "two_people.jpg"});
    const ChildResult read = runCli({"read", "--json", photos + "two_people.jpg",
                                     photos + "astronaut.png", photos + "coffee.png"});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    const std::vector<QJsonObject> pictures = jsonLines(read);
    ASSERT_EQ(pictures.size(), 3u);
    const std::vector<Box> detected = boxes(jsonLines(detect).at(0));
    const std::vector<Box> readBoxes = boxes(pictures[0]);
    ASSERT_EQ(readBoxes.size(), detected.size());
    for (std::size_t i = 0; i < detected.size(); ++i) {
        EXPECT_EQ(readBoxes[i].x, detected[i].x);
        EXPECT_EQ(readBoxes[i].height, detected[i].height);
    }

    const QStringList outcomes = {"WOOD", "FIRE", "EARTH", "GOLD", "WATER", "failed"};
    const std::string firstLine = lines(read.out)[0];
    expectKeyOrder(firstLine, {"neighbors", "reading", "outcome", "mouth", "x0", "y0", "a1", "a2",
                               "a3", "a4"});
    for (int p = 0; p < 2; ++p) {
        for (const QJsonValue& face : pictures[p]["faces"].toArray()) {
            const QJsonObject reading = face["reading"].toObject();
            const QString outcome = reading["outcome"].toString();
            EXPECT_TRUE(outcomes.contains(outcome)) << outcome.toStdString();
            // A colour face always gets as far as the mouth point, inside the prepared face.
            const QJsonArray mouth = reading["mouth"].toArray();
            ASSERT_EQ(mouth.size(), 2);
            EXPECT_GE(mouth[0].toInt(-1), 0);
            EXPECT_LT(mouth[0].toInt(), 100);
            if (outcome != "failed") {
                for (const char* a : {"a1", "a2", "a3", "a4"})
                    EXPECT_TRUE(reading[a].isDouble()) << a;
                const double lower = (reading["a1"].toDouble() + reading["a2"].toDouble()) / 2;
                EXPECT_GE(lower, 0.02);
                EXPECT_LE(lower, 0.0395);
            }
        }
    }
    EXPECT_TRUE(pictures[2]["faces"].toArray().isEmpty());
}

TEST(CliTool, GreyPhotoIsNotColourWithNothingMeasured)
{
    const ChildResult result = runCli({"read", "--json", photos + "astronaut_grey.png"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::vector<QJsonObject> pictures = jsonLines(result);
    ASSERT_EQ(pictures.size(), 1u);
    const QJsonArray faces = pictures[0]["faces"].toArray();
    ASSERT_EQ(faces.size(), 1);
    const QJsonObject reading = faces[0]["reading"].toObject();
    EXPECT_EQ(reading["outcome"].toString(), "not_colour");
    for (const char* key : {"mouth", "x0", "y0", "a1", "a2", "a3", "a4"}) {
        EXPECT_TRUE(reading.contains(key)) << key;
        EXPECT_TRUE(reading[key].isNull()) << key;
    }

    const ChildResult text = runCli({"read", photos + "astronaut_grey.png"});
    EXPECT_NE(text.out.find("face 0: "), std::string::npos);
    EXPECT_NE(text.out.find("-> not_colour\n"), std::string::npos) << text.out;
}

TEST(CliTool, FaceOptionReadsOneFaceAndMissingFaceIsAnError)
{
    const ChildResult all = runCli({"read", "--json", photos + "two_people.jpg"});
    const ChildResult second = runCli({"read", "--json", "--face", "1", photos + "two_people.jpg"});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    const QJsonArray allFaces = jsonLines(all).at(0)["faces"].toArray();
    const QJsonArray oneFace = jsonLines(second).at(0)["faces"].toArray();
    ASSERT_EQ(allFaces.size(), 2);
    ASSERT_EQ(oneFace.size(), 1);
    EXPECT_EQ(oneFace[0], allFaces[1]);

    // Face 1 exists in the first picture but not in the second; the batch goes on.
    const ChildResult beyond = runCli({"read", "--json", "--face=1", photos + "two_people.jpg",
                                       photos + "astronaut.png", photos + "grace_hopper.jpg"});
    EXPECT_EQ(beyond.exitCode, 1);
    const std::vector<QJsonObject> pictures = jsonLines(beyond);
    ASSERT_EQ(pictures.size(), 3u);
    EXPECT_EQ(pictures[0]["faces"].toArray().size(), 1);
    EXPECT_FALSE(pictures[0].contains("error"));
    EXPECT_EQ(pictures[1]["error"].toString(), "No face 1: 1 face found");
    EXPECT_TRUE(pictures[1]["faces"].toArray().isEmpty());
    EXPECT_EQ(pictures[1]["width"].toInt(), 512);
    expectKeyOrder(lines(beyond.out)[1],
                   {"image", "original", "width", "height", "faces", "error"});
    EXPECT_EQ(pictures[2]["faces"].toArray().size(), 0);

    const ChildResult text = runCli({"read", "--face", "3", photos + "astronaut.png"});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_EQ(text.err, "velmora-cli: " + photos + "astronaut.png: No face 3: 1 face found\n");
}

TEST(CliTool, ReadableOutputHasALinePerPictureAndFace)
{
    const ChildResult result = runCli({"detect", photos + "two_people.jpg", photos + "coffee.png"});
    ASSERT_EQ(result.exitCode, 0);
    const std::vector<std::string> out = lines(result.out);
    ASSERT_EQ(out.size(), 4u) << result.out;
    EXPECT_EQ(out[0], photos + "two_people.jpg: 2 faces in 1000x586 (original 1024x600)");
    EXPECT_EQ(out[1].rfind(photos + "two_people.jpg: face 0: x=", 0), 0u) << out[1];
    EXPECT_EQ(out[2].rfind(photos + "two_people.jpg: face 1: x=", 0), 0u) << out[2];
    EXPECT_EQ(out[3], photos + "coffee.png: 0 faces in 600x400 (original 600x400)");
    EXPECT_EQ(result.err, "");
}

TEST(CliTool, VerboseSendsDiagnosticsToStderrOnly)
{
    const std::string face = photos + "astronaut.png";
    const ChildResult quiet = runCli({"read", "--json", face});
    const ChildResult verbose = runCli({"read", "--json", "--verbose", face});
    ASSERT_EQ(verbose.exitCode, 0);
    EXPECT_EQ(quiet.err, "");
    EXPECT_FALSE(verbose.err.empty());
    EXPECT_GT(lines(verbose.err).size(), 2u) << verbose.err;
    // The results are the same bytes either way.
    EXPECT_EQ(verbose.out, quiet.out);
    EXPECT_EQ(jsonLines(verbose).size(), 1u);
}

TEST(CliTool, DefaultCascadeIsTheOneBesideTheExecutable)
{
    const ChildResult implicit = runCli({"detect", "--json", photos + "astronaut.png"});
    const ChildResult explicitCascade =
        runCli({"detect", "--json", "--cascade", VELMORA_CASCADE, photos + "astronaut.png"});
    ASSERT_EQ(implicit.exitCode, 0) << implicit.err;
    EXPECT_EQ(implicit.out, explicitCascade.out);
}

TEST(CliTool, MissingFileInABatchIsReportedAndTheOthersStillRun)
{
    const std::string missing = photos + "no_such_picture.png";
    const ChildResult json = runCli(
        {"detect", "--json", photos + "astronaut.png", missing, photos + "grace_hopper.jpg"});
    EXPECT_EQ(json.exitCode, 1);
    const std::vector<QJsonObject> pictures = jsonLines(json);
    ASSERT_EQ(pictures.size(), 3u);
    EXPECT_EQ(pictures[0]["faces"].toArray().size(), 1);
    EXPECT_EQ(lines(json.out)[1],
              "{\"image\": \"" + missing + "\", \"error\": \"Failed to read image\"}");
    EXPECT_EQ(pictures[2]["faces"].toArray().size(), 1);

    const ChildResult text = runCli({"detect", photos + "astronaut.png", missing});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_EQ(lines(text.out).size(), 2u);
    EXPECT_EQ(text.err, "velmora-cli: " + missing + ": Failed to read image\n");
}

}  // namespace

namespace {

// A face listed twice, its box inside a larger one: by default only the inner box is a face;
// --keep-nested lists the grouping's boxes as they are, for scripts that relied on them.
TEST(CliTool, NestedBoxesAreOneFaceUnlessKeptOnRequest)
{
    struct Case {
        const char* photo;
        int x, y, width;  // the one face listed
        int outerWidth;   // the box around it that --keep-nested adds
    };
    const Case cases[] = {{"astronaut_70.png", 127, 50, 57, 74},
                          {"grace_hopper_90.png", 157, 108, 163, 212}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.photo);
        for (const char* command : {"detect", "read"}) {
            const ChildResult one = runCli({command, "--json", photos + c.photo});
            const ChildResult both = runCli({command, "--json", "--keep-nested", photos + c.photo});
            ASSERT_EQ(one.exitCode, 0) << one.err;
            ASSERT_EQ(both.exitCode, 0) << both.err;
            const std::vector<QJsonObject> oneJson = jsonLines(one), bothJson = jsonLines(both);
            ASSERT_EQ(oneJson.size(), 1u);
            ASSERT_EQ(bothJson.size(), 1u);
            const std::vector<Box> listed = boxes(oneJson[0]), kept = boxes(bothJson[0]);
            ASSERT_EQ(listed.size(), 1u);
            EXPECT_EQ(listed[0].x, c.x);
            EXPECT_EQ(listed[0].y, c.y);
            EXPECT_EQ(listed[0].width, c.width);
            ASSERT_EQ(kept.size(), 2u);
            EXPECT_EQ(kept[0].width, c.width);
            EXPECT_EQ(kept[1].width, c.outerWidth);
            // The inner face reads the same in both lists.
            EXPECT_EQ(oneJson[0]["faces"][0]["reading"], bothJson[0]["faces"][0]["reading"]);
        }
    }
    // The readable form says how many faces there are.
    EXPECT_EQ(lines(runCli({"detect", "--keep-nested", photos + "astronaut_70.png"}).out)[0],
              photos + "astronaut_70.png: 2 faces in 358x358 (original 358x358)");
}

}  // namespace

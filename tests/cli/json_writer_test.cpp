#include "cli/json_writer.h"
#include "cli/report.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(JsonWriter, KeepsKeyOrderAndNests)
{
    JsonWriter json;
    json.beginObject().key("zeta").value(1).key("alpha").beginArray().value(2).null().endArray();
    json.key("inner").beginObject().key("b").value("x").key("a").value(0.5).endObject();
    json.key("empty").beginArray().endArray().endObject();
    EXPECT_EQ(json.text(),
              R"({"zeta": 1, "alpha": [2, null], "inner": {"b": "x", "a": 0.5}, "empty": []})");
}

TEST(JsonWriter, OptionalValuesBecomeNullWhenUnset)
{
    JsonWriter json;
    json.beginArray()
        .value(std::optional<int>())
        .value(std::optional<int>(7))
        .value(std::optional<double>())
        .value(std::optional<double>(0.25))
        .endArray();
    EXPECT_EQ(json.text(), "[null, 7, null, 0.25]");
}

TEST(JsonString, EscapesQuotesBackslashesAndControls)
{
    EXPECT_EQ(jsonString("a\"b\\c"), R"("a\"b\\c")");
    EXPECT_EQ(jsonString("\n\r\t\b\f"), R"("\n\r\t\b\f")");
    EXPECT_EQ(jsonString(std::string("\x01\x1f", 2)), R"("\u0001\u001f")");
    EXPECT_EQ(jsonString(std::string("a\0b", 3)), R"("a\u0000b")");
    EXPECT_EQ(jsonString("/"), R"("/")");
}

TEST(JsonString, KeepsUtf8AndReplacesBrokenSequences)
{
    const std::string photo = "photos/visage \xC3\xA9t\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x98\x80.png";
    EXPECT_EQ(jsonString(photo), '"' + photo + '"');
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(jsonString("a\xFF"
                         "b"),
              "\"a" + replacement + "b\"");
    EXPECT_EQ(jsonString("\xC3"), '"' + replacement + '"');                    // cut short
    EXPECT_EQ(jsonString("\xC0\xAF"), '"' + replacement + replacement + '"');  // overlong '/'
    EXPECT_EQ(jsonString("\xED\xA0\x80"),                                      // a surrogate
              '"' + replacement + replacement + replacement + '"');
    EXPECT_EQ(jsonString("\xF4\x90\x80\x80"),  // beyond U+10FFFF
              '"' + replacement + replacement + replacement + replacement + '"');

    // Whatever the bytes, the result parses as JSON.
    const std::string line = "{\"p\": " + jsonString("\xFE\xC3(\x80\xE2\x82") + "}";
    QJsonParseError error;
    QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
}

TEST(JsonNumber, ShortestFormThatReadsBackExactly)
{
    EXPECT_EQ(jsonNumber(0.1), "0.1");
    EXPECT_EQ(jsonNumber(0.0395), "0.0395");
    EXPECT_EQ(jsonNumber(-2.0), "-2");
    EXPECT_EQ(jsonNumber(0.1 + 0.2), "0.30000000000000004");
    for (double v : {1.0 / 3.0, 0.027, 1e-300, 123456789.125, -0.015000000000000001,
                     std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::max()})
        EXPECT_EQ(std::strtod(jsonNumber(v).c_str(), nullptr), v) << jsonNumber(v);
    EXPECT_EQ(jsonNumber(std::nan("")), "null");
    EXPECT_EQ(jsonNumber(std::numeric_limits<double>::infinity()), "null");
}

TEST(FindingsJson, FailedPictureAndPictureWithReadings)
{
    PictureFindings failed;
    failed.path = "gone.png";
    failed.error = "Failed to read image";
    EXPECT_EQ(findingsJson(failed), R"({"image": "gone.png", "error": "Failed to read image"})");

    PictureFindings found;
    found.path = "p.jpg";
    found.loaded = true;
    found.originalWidth = 2000;
    found.originalHeight = 1000;
    found.width = 1000;
    found.height = 500;
    found.faceCount = 2;
    ReadOutcome read;
    read.status = ReadOutcome::Status::Read;
    read.phase = FacePhase::EARTH;
    read.mouth = MouthPoint{40, 61};
    read.measures.x0 = 50;
    read.measures.y0 = 88;
    read.measures.a1 = 0.02;
    read.measures.a2 = 0.0305;
    read.measures.a3 = 0.15;
    read.measures.a4 = 0.1995;
    ReadOutcome grey;
    grey.status = ReadOutcome::Status::NotColour;
    found.faces.push_back({0, FaceRect{1, 2, 30, 31, 4}, read, std::nullopt});
    found.faces.push_back({1, FaceRect{5, 6, 70, 71, 9}, grey, std::nullopt});
    EXPECT_EQ(findingsJson(found),
              R"({"image": "p.jpg", "original": {"width": 2000, "height": 1000}, )"
              R"("width": 1000, "height": 500, "faces": [)"
              R"({"x": 1, "y": 2, "width": 30, "height": 31, "neighbors": 4, "reading": )"
              R"({"outcome": "EARTH", "mouth": [40, 61], "x0": 50, "y0": 88, "a1": 0.02, )"
              R"("a2": 0.0305, "a3": 0.15, "a4": 0.1995}}, )"
              R"({"x": 5, "y": 6, "width": 70, "height": 71, "neighbors": 9, "reading": )"
              R"({"outcome": "not_colour", "mouth": null, "x0": null, "y0": null, "a1": null, )"
              R"("a2": null, "a3": null, "a4": null}}]})");
}

TEST(FindingsText, OneLinePerPictureAndFaceAndErrorsApart)
{
    PictureFindings found;
    found.path = "p.jpg";
    found.loaded = true;
    found.originalWidth = found.width = 300;
    found.originalHeight = found.height = 200;
    found.faceCount = 1;
    ReadOutcome failed;
    failed.status = ReadOutcome::Status::Failed;
    failed.mouth = MouthPoint{3, 4};
    failed.measures.x0 = 7;
    found.faces.push_back({0, FaceRect{1, 2, 3, 4, 5}, failed, std::nullopt});
    EXPECT_EQ(findingsText(found), "p.jpg: 1 face in 300x200 (original 300x200)\n"
                                   "p.jpg: face 0: x=1 y=2 width=3 height=4 neighbors=5 -> failed "
                                   "(mouth 3,4; x0=7 y0=- a1=- a2=- a3=- a4=-)\n");
    EXPECT_EQ(findingsErrorText(found), "");

    PictureFindings missing;
    missing.path = "m.png";
    missing.error = "Failed to read image";
    EXPECT_EQ(findingsText(missing), "");
    EXPECT_EQ(findingsErrorText(missing), "velmora-cli: m.png: Failed to read image\n");
}

}  // namespace

#include "cli/report.h"

#include "cli/json_writer.h"

#include <sstream>
#include <type_traits>

std::string outcomeName(const ReadOutcome& outcome)
{
    switch (outcome.status) {
    case ReadOutcome::Status::NotColour: return "not_colour";
    case ReadOutcome::Status::Failed: return "failed";
    case ReadOutcome::Status::Read: break;
    }
    return facePhaseName(outcome.phase);
}

namespace {

// The reason of a failed reading, when the reader reported one.
const char* failureCode(const FaceFinding& face)
{
    if (!face.reading || face.reading->status != ReadOutcome::Status::Failed || !face.report ||
        !face.report->failure)
        return nullptr;
    return readingFailureCode(*face.report->failure);
}

void writeReading(JsonWriter& json, const ReadOutcome& outcome, const char* reason)
{
    json.beginObject().key("outcome").value(outcomeName(outcome));
    json.key("mouth");
    if (outcome.mouth)
        json.beginArray().value(outcome.mouth->x).value(outcome.mouth->y).endArray();
    else
        json.null();
    const FaceMeasures& m = outcome.measures;
    json.key("x0").value(m.x0).key("y0").value(m.y0);
    json.key("a1").value(m.a1).key("a2").value(m.a2).key("a3").value(m.a3).key("a4").value(m.a4);
    // Last, so that every byte before it reads as it always did.
    if (reason)
        json.key("reason").value(reason);
    json.endObject();
}

void writeSteady(JsonWriter& json, const SteadyReading& steady)
{
    json.beginObject().key("outcome").value(steadyOutcomeName(steady.outcome));
    json.key("views").value(steady.views);
    json.key("votes").beginObject();
    for (int o = 0; o < steadyOutcomeCount; ++o)
        json.key(steadyOutcomeName(SteadyOutcome(o))).value(steady.votes[o]);
    json.endObject();
    if (steady.reason)
        json.key("reason").value(readingFailureCode(*steady.reason));
    json.endObject();
}

// " steady=WATER 31/54", or " steady=failed reason=CODE".
std::string steadyText(const SteadyReading& steady)
{
    std::string text = " steady=" + steadyAgreement(steady);
    if (steady.reason)
        text += std::string(" reason=") + readingFailureCode(*steady.reason);
    return text;
}

template <typename T> std::string orDash(const std::optional<T>& value)
{
    if (!value)
        return "-";
    if constexpr (std::is_same_v<T, double>)
        return jsonNumber(*value);
    else
        return std::to_string(*value);
}

std::string readingText(const ReadOutcome& outcome)
{
    std::ostringstream text;
    text << outcomeName(outcome);
    if (outcome.status == ReadOutcome::Status::NotColour)
        return text.str();
    const FaceMeasures& m = outcome.measures;
    text << " (mouth ";
    if (outcome.mouth)
        text << outcome.mouth->x << ',' << outcome.mouth->y;
    else
        text << '-';
    text << "; x0=" << orDash(m.x0) << " y0=" << orDash(m.y0) << " a1=" << orDash(m.a1)
         << " a2=" << orDash(m.a2) << " a3=" << orDash(m.a3) << " a4=" << orDash(m.a4) << ')';
    return text.str();
}

}  // namespace

std::string findingsJson(const PictureFindings& findings)
{
    JsonWriter json;
    json.beginObject().key("image").value(findings.path);
    if (findings.loaded) {
        // One key and its value to a line:
        // clang-format off
        json.key("original")
            .beginObject()
            .key("width").value(findings.originalWidth)
            .key("height").value(findings.originalHeight)
            .endObject();
        json.key("width").value(findings.width).key("height").value(findings.height);
        json.key("faces").beginArray();
        for (const FaceFinding& face : findings.faces) {
            json.beginObject()
                .key("x").value(face.rect.x)
                .key("y").value(face.rect.y)
                .key("width").value(face.rect.width)
                .key("height").value(face.rect.height)
                .key("neighbors").value(face.rect.neighbors);
            // clang-format on
            if (face.reading) {
                json.key("reading");
                writeReading(json, *face.reading, failureCode(face));
            }
            if (face.steady) {
                json.key("steady");
                writeSteady(json, *face.steady);
            }
            json.endObject();
        }
        json.endArray();
    }
    if (!findings.error.empty())
        json.key("error").value(findings.error);
    json.endObject();
    return json.text();
}

std::string findingsText(const PictureFindings& findings)
{
    if (!findings.loaded)
        return {};
    std::ostringstream text;
    text << findings.path << ": " << findings.faceCount
         << (findings.faceCount == 1 ? " face" : " faces") << " in " << findings.width << 'x'
         << findings.height << " (original " << findings.originalWidth << 'x'
         << findings.originalHeight << ")\n";
    for (const FaceFinding& face : findings.faces) {
        const FaceRect& r = face.rect;
        text << findings.path << ": face " << face.index << ": x=" << r.x << " y=" << r.y
             << " width=" << r.width << " height=" << r.height << " neighbors=" << r.neighbors;
        if (face.reading)
            text << " -> " << readingText(*face.reading);
        if (const char* reason = failureCode(face))
            text << " reason=" << reason;
        if (face.steady)
            text << steadyText(*face.steady);
        text << '\n';
    }
    return text.str();
}

std::string findingsErrorText(const PictureFindings& findings)
{
    if (findings.error.empty())
        return {};
    return "velmora-cli: " + findings.path + ": " + findings.error + "\n";
}

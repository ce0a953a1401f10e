// How a steady reading is printed: its JSON object after the reading, with the reason last when
// it failed, and the end of the readable face line.

#include "cli/report.h"

#include <gtest/gtest.h>

namespace {

PictureFindings oneReadFace(ReadOutcome::Status status, std::optional<SteadyReading> steady)
{
    PictureFindings findings;
    findings.path = "p.png";
    findings.loaded = true;
    findings.width = findings.originalWidth = 300;
    findings.height = findings.originalHeight = 200;
    findings.faceCount = 1;
    ReadOutcome outcome;
    outcome.status = status;
    outcome.phase = FacePhase::GOLD;
    FaceFinding face{0, {10, 20, 97, 97, 4}, outcome, std::nullopt};
    if (status == ReadOutcome::Status::Failed) {
        face.report.emplace();
        face.report->failure = ReadingFailure::NoLeftSideEdge;
    }
    face.steady = std::move(steady);
    findings.faces.push_back(face);
    return findings;
}

SteadyReading steadyWith(SteadyOutcome outcome, SteadyVotes votes,
                         std::optional<ReadingFailure> reason = std::nullopt)
{
    SteadyReading steady;
    steady.outcome = outcome;
    steady.views = 54;
    steady.votes = votes;
    steady.reason = reason;
    return steady;
}

std::string endOf(const std::string& text, std::size_t length)
{
    return text.size() < length ? text : text.substr(text.size() - length);
}

TEST(SteadyReport, JsonObjectFollowsTheReadingWithTheReasonLastWhenFailed)
{
    const std::string typed = findingsJson(oneReadFace(
        ReadOutcome::Status::Read, steadyWith(SteadyOutcome::WATER, {0, 0, 9, 4, 31, 10, 0})));
    const std::string wanted =
        R"("a4": null}, "steady": {"outcome": "WATER", "views": 54, "votes": {"WOOD": 0, )"
        R"("FIRE": 0, "EARTH": 9, "GOLD": 4, "WATER": 31, "failed": 10, "not_colour": 0}}}]})";
    EXPECT_EQ(endOf(typed, wanted.size()), wanted);

    const std::string failed = findingsJson(oneReadFace(
        ReadOutcome::Status::Failed,
        steadyWith(SteadyOutcome::Failed, {1, 0, 2, 0, 9, 42, 0}, ReadingFailure::NoSideEdges)));
    const std::string failedEnd =
        R"("a4": null, "reason": "no_left_side_edge"}, "steady": {"outcome": "failed", )"
        R"("views": 54, "votes": {"WOOD": 1, "FIRE": 0, "EARTH": 2, "GOLD": 0, "WATER": 9, )"
        R"("failed": 42, "not_colour": 0}, "reason": "no_side_edges"}}]})";
    EXPECT_EQ(endOf(failed, failedEnd.size()), failedEnd);

    const std::string grey =
        findingsJson(oneReadFace(ReadOutcome::Status::NotColour,
                                 steadyWith(SteadyOutcome::NotColour, {0, 0, 0, 0, 0, 0, 54})));
    EXPECT_NE(grey.find(R"("steady": {"outcome": "not_colour", "views": 54,)"), std::string::npos);

    EXPECT_EQ(findingsJson(oneReadFace(ReadOutcome::Status::Read, std::nullopt)).find("steady"),
              std::string::npos);
}

TEST(SteadyReport, TextEndsTheFaceLineWithTheAgreementOrTheReason)
{
    struct Case {
        ReadOutcome::Status reading;
        std::optional<SteadyReading> steady;
        std::string ending;
    };
    const Case table[] = {
        {ReadOutcome::Status::Read, steadyWith(SteadyOutcome::WATER, {0, 0, 9, 4, 31, 10, 0}),
         " a4=-) steady=WATER 31/54\n"},
        {ReadOutcome::Status::Failed,
         steadyWith(SteadyOutcome::Failed, {0, 0, 0, 0, 2, 52, 0}, ReadingFailure::NoLowerEdge),
         " reason=no_left_side_edge steady=failed reason=no_lower_edge\n"},
        {ReadOutcome::Status::Failed, steadyWith(SteadyOutcome::GOLD, {0, 0, 0, 20, 0, 34, 0}),
         " reason=no_left_side_edge steady=GOLD 20/54\n"},
        {ReadOutcome::Status::NotColour,
         steadyWith(SteadyOutcome::NotColour, {0, 0, 0, 0, 0, 0, 54}),
         " -> not_colour steady=not_colour\n"},
        {ReadOutcome::Status::Read, std::nullopt, " a4=-)\n"},
    };
    for (const Case& c : table) {
        const std::string text = findingsText(oneReadFace(c.reading, c.steady));
        EXPECT_EQ(endOf(text, c.ending.size()), c.ending) << text;
    }
}

}  // namespace

#pragma once
// A steady reading of one face: the unchanged reader on 54 nearby views of the face (three
// sizes, nine positions, each also mirrored; see steady_views.h) and their vote.
//
// A single reading can change when the face is cut one pixel further left or mirrored: the cut
// is reduced by nearest-pixel sampling and the outline search counts thresholded edge pixels.
// The vote of the nearby views hardly moves, and how many of them agree tells how sure the
// answer is.
//
// Diagnostic lines: the views write none. Each view is a whole reading with its own trail; 54
// trails, written by several threads at once, would bury the one that matters and come out in
// an order that changes from run to run. Read the face once as Read Face does for that trail.
// While it reads, readSteadily silences the lines of every thread it reads on, and gives the
// calling thread its own stream back before it returns.

#include "reading/face_reader.h"
#include "reading/reading_failure.h"
#include "reading/reading_report.h"
#include "reading/steady_views.h"
#include "vision/face_rect.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

class QImage;

// What one view reads and what the vote decides, in the order the votes are listed.
enum class SteadyOutcome { WOOD, FIRE, EARTH, GOLD, WATER, Failed, NotColour };
constexpr int steadyOutcomeCount = 7;
using SteadyVotes = std::array<int, steadyOutcomeCount>;

// "WOOD" .. "WATER", "failed", "not_colour": the words velmora-cli prints for a reading.
const char* steadyOutcomeName(SteadyOutcome outcome);

// The outcome of one reading as a vote.
SteadyOutcome steadyOutcomeOf(const ReadOutcome& outcome);

struct SteadyView {
    SteadyViewPlace place;
    ReadOutcome outcome;                  // as Read Face reads the view
    std::optional<ReadingReport> report;  // for a view with colour
};

struct SteadyReading {
    SteadyOutcome outcome = SteadyOutcome::Failed;
    int views = 0;        // views that voted: 54, or 0 for a box outside the picture
    SteadyVotes votes{};  // views of each outcome, indexed by SteadyOutcome
    std::optional<ReadingFailure> reason;  // when failed: the commonest reason of the failed views
    std::vector<SteadyView> viewResults;   // in the order of steadyViewPlaces

    int votesFor(SteadyOutcome o) const { return votes[std::size_t(o)]; }
};

// The vote: NotColour when every view is grey; Failed when fewer than a quarter of the views read
// a face type; otherwise the type with the most votes. A tie goes to the type of the view Read
// Face reads (faithful) when that type is among the tied, else to the first tied type in the
// order WOOD, FIRE, EARTH, GOLD, WATER. No views give Failed.
SteadyOutcome steadyVote(const SteadyVotes& votes, SteadyOutcome faithful);

// How many failed views gave each reason, indexed by ReadingFailure.
using FailureCounts = std::array<int, 5>;

// The reason given most often; a tie goes to the one listed first in ReadingFailure. Nothing when
// no view failed.
std::optional<ReadingFailure> commonestReason(const FailureCounts& counts);

// Reads the face in the given box of the picture (the reduced picture the face was found in; any
// format, read as Format_RGB32) steadily. The views are read on up to `threads` threads, the
// calling one included; the result is the same for every number of threads. A box that does not
// lie inside the picture gives no views and Failed.
SteadyReading readSteadily(const QImage& picture, const FaceRect& box, int threads = 1);

// The agreement in short, as velmora-cli prints it: "WATER 31/54" (the type's votes of all
// views), "failed" or "not_colour".
std::string steadyAgreement(const SteadyReading& reading);

// The words for a label on a drawing: the agreement, and for a failed reading its reason's code
// ("failed no_lower_edge").
std::string steadyLabel(const SteadyReading& reading);

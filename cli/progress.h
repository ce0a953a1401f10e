#pragma once
// The progress line and the closing summary of a batch, for a person watching a terminal: what
// is counted, when the line is shown and redrawn, and the texts themselves.

#include "cli/examine_picture.h"

#include <string>
#include <utility>
#include <vector>

struct BatchTally {
    int pictures = 0;  // to examine in the whole batch
    int done = 0;      // examined so far, failed ones included
    int faces = 0;     // found so far
    int failures = 0;  // pictures not examined as asked, folder entries not listed
    // Readings by outcome, in the order WOOD, FIRE, EARTH, GOLD, WATER, failed, not_colour.
    std::vector<std::pair<std::string, int>> outcomes;
};

BatchTally startTally(int pictures);
void countPicture(BatchTally& tally, const PictureFindings& findings);
void countUnlistedEntry(BatchTally& tally);

// Both the progress line and the summary are for a person at a terminal; scripts reading stderr
// from a file or pipe get neither.
bool showsProgress(bool stderrIsTerminal, bool quiet);

// A redraw at most this often, so that a fast batch does not flood the terminal.
constexpr double progressRedrawSeconds = 0.25;

// "velmora-cli: 12/130 pictures, 7 faces, 4.2 pictures/s, 0:28 left"; the rate and the time left
// once a picture is done.
std::string progressLine(const BatchTally& tally, double elapsedSeconds);

// "velmora-cli: 130 pictures, 150 faces (30 WOOD, 20 FIRE, 5 failed), 3 failures"; the readings
// only for read and only those that occurred.
std::string summaryLine(const BatchTally& tally, bool read);

// The terminal sequences that draw a line over the current one, and that remove it.
std::string drawnOverLine(const std::string& line);
extern const char* const clearedLine;

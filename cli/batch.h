#pragma once
// A batch of pictures through velmora-cli: each listed entry examined on one of several workers,
// its output written in list order as soon as every earlier entry's is out, so that the output
// is the same whatever the number of workers.

#include "cli/examine_picture.h"
#include "vision/picture_list.h"

#include <QString>

#include <ostream>
#include <string>
#include <vector>

struct BatchSettings {
    ExamineRequest request;
    std::vector<QString> annotatedPaths;  // with --annotate: one per entry, in list order
    bool json = false;
    bool verbose = false;   // collect each picture's diagnostic lines and write them with it
    int jobs = 1;           // pictures examined at once
    bool progress = false;  // the progress line and the summary on stderr
    bool stdoutIsTerminal = false;  // results would land on the progress line
};

// Everything one entry leaves for printing.
struct EntryResult {
    ListedEntry entry;
    PictureFindings findings;  // for a picture
    std::string diagnostics;   // the picture's diagnostic and Qt lines, with verbose
};

// Examines entry number index on the calling thread with that thread's own detector, and writes
// its annotated picture when asked to.
EntryResult examineEntry(std::size_t index, const ListedEntry& entry, FaceDetector& detector,
                         const BatchSettings& settings);

// Writes what the tool shows for one entry: the diagnostic lines and any complaint on err, the
// result on out.
void printEntry(const EntryResult& result, bool json, std::ostream& out, std::ostream& err);

// Runs the whole list and returns the exit status: 0, or 1 once any picture failed or any entry
// could not be listed. detector is the loaded one; workers beyond the first get copies of it.
int runBatch(const std::vector<ListedEntry>& entries, FaceDetector& detector,
             const BatchSettings& settings, std::ostream& out, std::ostream& err);

#include "cli/progress.h"

#include "cli/report.h"

#include <cmath>
#include <cstdio>

namespace {

std::string counted(int count, const char* one, const char* many)
{
    return std::to_string(count) + ' ' + (count == 1 ? one : many);
}

// 0:07, 12:34, 1:02:03.
std::string clockTime(double seconds)
{
    const long total = std::lround(seconds);
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60,
                      total % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

}  // namespace

const char* const clearedLine = "\r\033[K";

BatchTally startTally(int pictures)
{
    BatchTally tally;
    tally.pictures = pictures;
    for (const char* name : {"WOOD", "FIRE", "EARTH", "GOLD", "WATER", "failed", "not_colour"})
        tally.outcomes.push_back({name, 0});
    return tally;
}

void countPicture(BatchTally& tally, const PictureFindings& findings)
{
    ++tally.done;
    tally.faces += findings.faceCount;
    if (!findings.error.empty())
        ++tally.failures;
    for (const FaceFinding& face : findings.faces) {
        if (!face.reading)
            continue;
        const std::string name = outcomeName(*face.reading);
        for (auto& [outcome, count] : tally.outcomes)
            if (outcome == name)
                ++count;
    }
}

void countUnlistedEntry(BatchTally& tally) { ++tally.failures; }

bool showsProgress(bool stderrIsTerminal, bool quiet) { return stderrIsTerminal && !quiet; }

std::string progressLine(const BatchTally& tally, double elapsedSeconds)
{
    std::string line = "velmora-cli: " + std::to_string(tally.done) + '/' +
                       counted(tally.pictures, "picture", "pictures") + ", " +
                       counted(tally.faces, "face", "faces");
    if (tally.done == 0 || elapsedSeconds <= 0)
        return line;
    const double rate = tally.done / elapsedSeconds;
    char rateText[32];
    std::snprintf(rateText, sizeof rateText, "%.1f", rate);
    return line + ", " + rateText + " pictures/s, " +
           clockTime((tally.pictures - tally.done) / rate) + " left";
}

std::string summaryLine(const BatchTally& tally, bool read)
{
    std::string line = "velmora-cli: " + counted(tally.done, "picture", "pictures") + ", " +
                       counted(tally.faces, "face", "faces");
    std::string readings;
    for (const auto& [outcome, count] : tally.outcomes) {
        if (count == 0)
            continue;
        readings += (readings.empty() ? "" : ", ") + std::to_string(count) + ' ' + outcome;
    }
    if (read && !readings.empty())
        line += " (" + readings + ')';
    return line + ", " + counted(tally.failures, "failure", "failures");
}

std::string drawnOverLine(const std::string& line) { return clearedLine + line; }

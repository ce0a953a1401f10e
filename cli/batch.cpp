#include "cli/batch.h"

#include "cli/annotated_pictures.h"
#include "cli/ordered_pool.h"
#include "cli/progress.h"
#include "cli/report.h"
#include "vision/diagnostics.h"

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

int pictureCount(const std::vector<ListedEntry>& entries)
{
    return int(std::count_if(entries.begin(), entries.end(),
                             [](const ListedEntry& entry) { return entry.problem.empty(); }));
}

bool failed(const EntryResult& result)
{
    return !result.entry.problem.empty() || !result.findings.error.empty();
}

// Whether printing the entry writes to the terminal that shows the progress line.
bool writesToTerminal(const EntryResult& result, const BatchSettings& settings)
{
    return settings.stdoutIsTerminal || failed(result) || !result.diagnostics.empty();
}

// The progress line on stderr: drawn at most every progressRedrawSeconds, taken away before
// anything else is written to the terminal, and for good at the end.
struct ProgressLine {
    bool enabled = false;
    bool shown = false;
    Clock::time_point start = Clock::now();
    double lastDrawn = -progressRedrawSeconds;

    void draw(const BatchTally& tally, std::ostream& err)
    {
        const double now = secondsSince(start);
        if (!enabled || now - lastDrawn < progressRedrawSeconds)
            return;
        err << drawnOverLine(progressLine(tally, now)) << std::flush;
        shown = true;
        lastDrawn = now;
    }

    void remove(std::ostream& err)
    {
        if (shown)
            err << clearedLine << std::flush;
        shown = false;
    }
};

}  // namespace

EntryResult examineEntry(std::size_t index, const ListedEntry& entry, FaceDetector& detector,
                         const BatchSettings& settings)
{
    EntryResult result{entry, {}, {}};
    if (!entry.problem.empty())
        return result;
    std::ostringstream lines;
    if (settings.verbose)
        setThreadDiagnosticsStream(&lines);
    result.findings = examinePicture(entry.path, detector, settings.request);
    PictureFindings& findings = result.findings;
    if (findings.loaded && index < settings.annotatedPaths.size()) {
        const std::string error =
            writeAnnotatedPicture(settings.annotatedPaths[index], drawFindings(findings));
        if (findings.error.empty())
            findings.error = error;
        // Drawn and written: the picture need not wait for its turn to be printed.
        findings.picture = QImage();
    }
    setThreadDiagnosticsStream(nullptr);
    result.diagnostics = lines.str();
    return result;
}

void printEntry(const EntryResult& result, bool json, std::ostream& out, std::ostream& err)
{
    if (!result.entry.problem.empty()) {
        err << "velmora-cli: " << result.entry.path << ": " << result.entry.problem << '\n';
        return;
    }
    err << result.diagnostics;
    if (json) {
        out << findingsJson(result.findings) << '\n';
    } else {
        out << findingsText(result.findings);
        out.flush();
        err << findingsErrorText(result.findings);
    }
    // Each picture's result is out before the next one's, for a reader on a pipe.
    out.flush();
}

int runBatch(const std::vector<ListedEntry>& entries, FaceDetector& detector,
             const BatchSettings& settings, std::ostream& out, std::ostream& err)
{
    const int pictures = pictureCount(entries);
    // Several pictures: one thread per picture, as many at once as --jobs allows (--jobs 1 is one
    // thread). A single picture would leave the other cores idle, so its detection, and the views
    // of its steady readings, are shared among all of them.
    const int workers = std::max(1, std::min(settings.jobs, pictures));
    BatchSettings examined = settings;
    if (pictures == 1) {
        const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
        examined.request.detectionThreads = cores;
        examined.request.steadyThreads = cores;
    }
    std::vector<FaceDetector> copies;
    for (int worker = 1; worker < workers; ++worker)
        copies.push_back(copyFaceDetector(detector));
    auto detectorOf = [&](int worker) -> FaceDetector& {
        return worker == 0 ? detector : copies[worker - 1];
    };

    BatchTally tally = startTally(pictures);
    ProgressLine progress;
    progress.enabled = settings.progress && pictures > 0;
    progress.draw(tally, err);
    int status = 0;
    runInOrder<EntryResult>(
        entries.size(), workers, 2 * std::size_t(workers),
        [&](int worker, std::size_t index) {
            return examineEntry(index, entries[index], detectorOf(worker), examined);
        },
        [&](std::size_t, EntryResult result) {
            if (failed(result))
                status = 1;
            if (result.entry.problem.empty())
                countPicture(tally, result.findings);
            else
                countUnlistedEntry(tally);
            if (writesToTerminal(result, settings))
                progress.remove(err);
            printEntry(result, settings.json, out, err);
            progress.draw(tally, err);
        });
    progress.remove(err);

    if (pictures == 0)
        err << "velmora-cli: no pictures to examine\n";
    else if (settings.progress)
        err << summaryLine(tally, settings.request.read) << '\n';
    return status;
}

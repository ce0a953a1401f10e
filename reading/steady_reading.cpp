#include "reading/steady_reading.h"

#include "vision/diagnostics.h"
#include "vision/picture.h"

#include <QImage>
#include <QRect>

#include <algorithm>
#include <atomic>
#include <deque>
#include <ostream>
#include <thread>

static_assert(int(ReadingFailure::NoSideEdges) + 1 == std::tuple_size<FailureCounts>::value,
              "one count per reason");

const char* steadyOutcomeName(SteadyOutcome outcome)
{
    switch (outcome) {
    case SteadyOutcome::WOOD: return "WOOD";
    case SteadyOutcome::FIRE: return "FIRE";
    case SteadyOutcome::EARTH: return "EARTH";
    case SteadyOutcome::GOLD: return "GOLD";
    case SteadyOutcome::WATER: return "WATER";
    case SteadyOutcome::Failed: return "failed";
    case SteadyOutcome::NotColour: return "not_colour";
    }
    return "failed";
}

SteadyOutcome steadyOutcomeOf(const ReadOutcome& outcome)
{
    switch (outcome.status) {
    case ReadOutcome::Status::NotColour: return SteadyOutcome::NotColour;
    case ReadOutcome::Status::Failed: return SteadyOutcome::Failed;
    case ReadOutcome::Status::Read: break;
    }
    // The five types come first in SteadyOutcome, in FacePhase's order.
    return SteadyOutcome(int(outcome.phase));
}

SteadyOutcome steadyVote(const SteadyVotes& votes, SteadyOutcome faithful)
{
    int all = 0;
    int typed = 0;
    for (int o = 0; o < steadyOutcomeCount; ++o) {
        all += votes[o];
        if (o <= int(SteadyOutcome::WATER))
            typed += votes[o];
    }
    if (all > 0 && votes[int(SteadyOutcome::NotColour)] == all)
        return SteadyOutcome::NotColour;
    if (all == 0 || typed * 4 < all)
        return SteadyOutcome::Failed;
    int winner = 0;
    for (int o = 1; o <= int(SteadyOutcome::WATER); ++o)
        if (votes[o] > votes[winner])
            winner = o;
    const int f = int(faithful);
    if (f <= int(SteadyOutcome::WATER) && votes[f] == votes[winner])
        return faithful;
    return SteadyOutcome(winner);
}

std::optional<ReadingFailure> commonestReason(const FailureCounts& counts)
{
    int best = 0;
    for (int r = 1; r < int(counts.size()); ++r)
        if (counts[r] > counts[best])
            best = r;
    if (counts[best] == 0)
        return std::nullopt;
    return ReadingFailure(best);
}

namespace {

// As QImage::isGrayscale judges a Format_RGB32 image: every pixel has equal red, green and blue,
// whatever its fourth byte. A buffer without pixels stands for a null image, which is not grey.
bool isGrey(const ImageBuffer& bgra)
{
    if (bgra.isEmpty())
        return false;
    const std::size_t bytes = bgra.sizeInBytes();
    for (std::size_t i = 0; i < bytes; i += 4)
        if (bgra.data[i] != bgra.data[i + 1] || bgra.data[i] != bgra.data[i + 2])
            return false;
    return true;
}

// While it lives, the calling thread's diagnostic lines go nowhere; afterwards they go where they
// went before.
class SilencedDiagnostics {
public:
    SilencedDiagnostics() : previous_(threadDiagnosticsStream())
    {
        thread_local std::ostream silent(nullptr);
        setThreadDiagnosticsStream(&silent);
    }
    ~SilencedDiagnostics() { setThreadDiagnosticsStream(previous_); }
    SilencedDiagnostics(const SilencedDiagnostics&) = delete;
    SilencedDiagnostics& operator=(const SilencedDiagnostics&) = delete;

private:
    std::ostream* previous_;
};

// The samplings of the cut sizes among the views: a face has a few (one per size, more where
// the picture's top or bottom clips the cut), so a short list searched in turn will do. A deque,
// so that the samplings handed out stay where they are while more are added.
class Samplings {
public:
    const CutSampling& of(QSize cut)
    {
        for (const CutSampling& s : list_)
            if (s.cutWidth == cut.width() && s.cutHeight == cut.height())
                return s;
        list_.push_back(cutSampling(cut.width(), cut.height()));
        return list_.back();
    }

private:
    std::deque<CutSampling> list_;
};

// One view read as Read Face reads a face image: prepared, tested for colour, read. colours,
// when given, holds the view's cut.
SteadyView readView(const QImage& picture, const SteadyViewPlace& place,
                    const CutSampling& sampling, ViewColours* colours)
{
    SteadyView view{place, ReadOutcome(), std::nullopt};
    const ImageBuffer prepared = sampling.width > 0 ? preparedView(picture, place, sampling)
                                                    : preparedViewByCopies(picture, place);
    if (isGrey(prepared)) {
        view.outcome.status = ReadOutcome::Status::NotColour;
        return view;
    }
    view.report.emplace();
    view.outcome = colours && sampling.width > 0
                       ? readFace(prepared, colours->ofView(place, sampling), &*view.report)
                       : readFace(prepared, &*view.report);
    return view;
}

// Keeping the colours of the views' area costs 17 bytes a pixel on each thread. A face cut of
// many megapixels is reduced to a few thousand pixels a view, so its views share few pixels; past
// a megapixel each view works out its own colours.
constexpr long long keptColoursLimit = 1 << 20;

bool sameCut(const SteadyViewPlace& a, const SteadyViewPlace& b)
{
    return a.mirrored == b.mirrored && a.box.x == b.box.x && a.box.y == b.box.y &&
           a.box.width == b.box.width && a.box.height == b.box.height;
}

}  // namespace

SteadyReading readSteadily(const QImage& picture, const FaceRect& box, int threads)
{
    SteadyReading reading;
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const std::vector<SteadyViewPlace> places = steadyViewPlaces(rgb.width(), rgb.height(), box);
    if (places.empty())
        return reading;

    // Views clamped against a border, or of a size that did not fit, can repeat an earlier one
    // exactly; each distinct cut is read once. The samplings are made here, since they use Qt's
    // scaling; the threads below only read the picture and the samplings.
    std::vector<std::size_t> firstOfCut(places.size());
    std::vector<std::size_t> distinct;
    std::vector<const CutSampling*> samplingOf(places.size(), nullptr);
    Samplings samplings;
    QRect area;
    for (std::size_t i = 0; i < places.size(); ++i) {
        std::size_t first = 0;
        while (!sameCut(places[first], places[i]))
            ++first;
        firstOfCut[i] = first;
        if (first == i) {
            distinct.push_back(i);
            const QRect cut = faceCutRect(rgb.height(), places[i].box);
            samplingOf[i] = &samplings.of(cut.size());
            area |= cut;
        }
    }

    reading.viewResults.resize(places.size());
    std::atomic<std::size_t> next{0};
    const bool keepColours =
        static_cast<long long>(area.width()) * area.height() <= keptColoursLimit;
    auto readViews = [&] {
        const SilencedDiagnostics silenced;
        std::optional<ViewColours> colours;
        if (keepColours)
            colours.emplace(rgb, area);
        for (std::size_t k = next++; k < distinct.size(); k = next++) {
            const std::size_t i = distinct[k];
            reading.viewResults[i] =
                readView(rgb, places[i], *samplingOf[i], colours ? &*colours : nullptr);
        }
    };
    const int helpers = std::clamp(threads, 1, int(distinct.size())) - 1;
    std::vector<std::thread> started;
    for (int t = 0; t < helpers; ++t)
        started.emplace_back(readViews);
    readViews();
    for (std::thread& thread : started)
        thread.join();

    FailureCounts reasons{};
    for (std::size_t i = 0; i < places.size(); ++i) {
        SteadyView& view = reading.viewResults[i];
        if (firstOfCut[i] != i) {
            view = reading.viewResults[firstOfCut[i]];
            view.place = places[i];
        }
        ++reading.votes[std::size_t(steadyOutcomeOf(view.outcome))];
        if (view.outcome.status == ReadOutcome::Status::Failed && view.report &&
            view.report->failure)
            ++reasons[std::size_t(*view.report->failure)];
    }
    reading.views = int(places.size());
    reading.outcome =
        steadyVote(reading.votes, steadyOutcomeOf(reading.viewResults[faithfulViewIndex].outcome));
    if (reading.outcome == SteadyOutcome::Failed)
        reading.reason = commonestReason(reasons);
    return reading;
}

std::string steadyAgreement(const SteadyReading& reading)
{
    std::string words = steadyOutcomeName(reading.outcome);
    if (reading.outcome <= SteadyOutcome::WATER)
        words += ' ' + std::to_string(reading.votesFor(reading.outcome)) + '/' +
                 std::to_string(reading.views);
    return words;
}

std::string steadyLabel(const SteadyReading& reading)
{
    std::string words = steadyAgreement(reading);
    if (reading.outcome == SteadyOutcome::Failed && reading.reason)
        words += std::string(" ") + readingFailureCode(*reading.reason);
    return words;
}

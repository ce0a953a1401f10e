#include "app/reading_words.h"

#include <QCoreApplication>

#include <cmath>

namespace {

QString translated(const char* text) { return QCoreApplication::translate("ReadingWords", text); }

// A reader that found no lower edge usually saw too little skin; the share tells the user so.
QString withSkinShare(QString words, ReadingFailure failure, const ReadingReport& report)
{
    if (failure != ReadingFailure::NoLowerEdge)
        return words;
    return translated("%1 (%2% of the face looked like skin)")
        .arg(words)
        .arg(std::lround(report.faceRegionShare() * 100));
}

}  // namespace

QString reasonWords(ReadingFailure failure)
{
    switch (failure) {
    case ReadingFailure::NotBgraPixels:
        return translated("the face was not given as colour pixels");
    case ReadingFailure::NoLowerEdge:
        return translated("the lower outline of the face was not found");
    case ReadingFailure::NoLeftSideEdge:
        return translated("the left side of the jaw was not found");
    case ReadingFailure::NoRightSideEdge:
        return translated("the right side of the jaw was not found");
    case ReadingFailure::NoSideEdges: return translated("neither side of the jaw was found");
    }
    return translated("the lower outline of the face was not found");
}

QString outcomeWords(const ReadOutcome& outcome, const ReadingReport* report)
{
    switch (outcome.status) {
    case ReadOutcome::Status::Read: return QString::fromLatin1(facePhaseName(outcome.phase));
    case ReadOutcome::Status::NotColour: return translated("Not in colour");
    case ReadOutcome::Status::Failed: break;
    }
    if (!report || !report->failure)
        return translated("Reading failed");
    return translated("Reading failed: %1")
        .arg(withSkinShare(reasonWords(*report->failure), *report->failure, *report));
}

QString drawingWords(const ReadOutcome& outcome, const ReadingReport* report)
{
    switch (outcome.status) {
    case ReadOutcome::Status::Read: return QString::fromLatin1(facePhaseName(outcome.phase));
    case ReadOutcome::Status::NotColour: return translated("not in colour");
    case ReadOutcome::Status::Failed: break;
    }
    if (!report || !report->failure)
        return translated("reading failed");
    return withSkinShare(reasonWords(*report->failure), *report->failure, *report);
}

QString faceCountWords(int index, int count)
{
    return translated("Face %1 of %2").arg(index + 1).arg(count);
}

QString faceWords(int index, int count, const QString& outcome)
{
    const QString counted = faceCountWords(index, count);
    return outcome.isEmpty() ? counted : counted + QStringLiteral(" - ") + outcome;
}

ReadOutcome steadyAsOutcome(const SteadyReading& steady)
{
    ReadOutcome outcome;
    switch (steady.outcome) {
    case SteadyOutcome::Failed: outcome.status = ReadOutcome::Status::Failed; break;
    case SteadyOutcome::NotColour: outcome.status = ReadOutcome::Status::NotColour; break;
    default:
        // The five types come in the order of FacePhase.
        outcome.status = ReadOutcome::Status::Read;
        outcome.phase = FacePhase(int(steady.outcome));
    }
    return outcome;
}

QString steadyOutcomeWords(const SteadyReading& steady)
{
    ReadingReport reasonOnly;
    reasonOnly.failure = steady.reason;
    return outcomeWords(steadyAsOutcome(steady), &reasonOnly);
}

QString steadyAgreementWords(const SteadyReading& steady)
{
    switch (steady.outcome) {
    case SteadyOutcome::Failed:
        return steady.reason
                   ? translated("Steady reading failed: %1").arg(reasonWords(*steady.reason))
                   : translated("Steady reading failed");
    case SteadyOutcome::NotColour: return translated("Not in colour");
    default:
        return translated("%1: %2 of %3 views agree")
            .arg(QString::fromLatin1(steadyOutcomeName(steady.outcome)))
            .arg(steady.votesFor(steady.outcome))
            .arg(steady.views);
    }
}

QString steadySuggestion() { return translated("Steady reading (Ctrl+T) may read this face"); }

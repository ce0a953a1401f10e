#include "app/face_drawings.h"

#include "app/reading_words.h"
#include "reading/annotation.h"

namespace {

QString drawnWords(const ReadOutcome& outcome, const ReadingReport* report,
                   const std::optional<SteadyReading>& steady)
{
    return steady ? steadyAgreementWords(*steady) : drawingWords(outcome, report);
}

}  // namespace

QString readingWordsOf(const FaceReadings& readings, int index)
{
    const auto reading = readings.find(index);
    if (reading == readings.end())
        return QString();
    const FaceReadingResult& read = reading->second;
    return read.steady ? steadyOutcomeWords(*read.steady)
                       : outcomeWords(read.outcome, &read.report);
}

QString steadyWordsOf(const FaceReadings& readings, int index)
{
    const auto reading = readings.find(index);
    if (reading == readings.end())
        return QString();
    const FaceReadingResult& read = reading->second;
    if (read.steady)
        return steadyAgreementWords(*read.steady);
    return read.outcome.status == ReadOutcome::Status::Failed ? steadySuggestion() : QString();
}

QImage drawWholePicture(const QImage& picture, const std::vector<FaceRect>& boxes,
                        const FaceReadings& readings, std::optional<int> current,
                        bool withMeasurements)
{
    const FaceCaption caption = [&readings](const FaceAnnotation& face) {
        QString text = QString::number(face.number + 1);
        if (face.outcome)
            text +=
                QLatin1Char(' ') + drawnWords(*face.outcome, face.report ? &*face.report : nullptr,
                                              readings.at(face.number).steady);
        return text;
    };
    std::vector<FaceAnnotation> drawn;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        FaceAnnotation face{boxes[i], int(i), std::nullopt, std::nullopt};
        const auto reading = readings.find(int(i));
        if (withMeasurements && reading != readings.end()) {
            face.outcome = reading->second.outcome;
            face.report = reading->second.report;
        }
        drawn.push_back(face);
    }
    return annotatePicture(picture, drawn, boxes.empty() ? std::nullopt : current, caption);
}

QImage drawReadFace(const QImage& face, const FaceReadingResult& reading, int magnification)
{
    return annotateFaceCut(face, reading.outcome, reading.report, magnification,
                           drawnWords(reading.outcome, &reading.report, reading.steady));
}

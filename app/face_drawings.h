#pragma once
// What the window draws of the readings, in its own words: faces counted from 1, reasons as
// short sentences (velmora-cli's drawings keep the numbers from 0 and the reason codes).

#include "reading/face_reader.h"
#include "reading/reading_report.h"
#include "reading/steady_reading.h"
#include "vision/face_rect.h"

#include <QImage>
#include <QString>

#include <map>
#include <optional>
#include <vector>

// What a Read Face measured, kept per face of the current picture: the reading of the face as cut
// and, with Steady reading on, the vote of its nearby views (without the views themselves).
struct FaceReadingResult {
    ReadOutcome outcome;
    ReadingReport report;
    std::optional<SteadyReading> steady;
};
using FaceReadings = std::map<int, FaceReadingResult>;

// The outcome Read Face showed for the face at index, in words (the steady one when it was read
// steadily), or an empty string when it was not read.
QString readingWordsOf(const FaceReadings& readings, int index);

// For the steady label: how sure the face's steady reading is; after a failed reading without
// the steady one, the suggestion to try it; else nothing.
QString steadyWordsOf(const FaceReadings& readings, int index);

// The reduced picture with every face's numbered box, the current face's stronger, and with the
// measurements, the outlines and words of the faces read.
QImage drawWholePicture(const QImage& picture, const std::vector<FaceRect>& boxes,
                        const FaceReadings& readings, std::optional<int> current,
                        bool withMeasurements);

// A read face enlarged magnification times, with its outline (always that of the face as cut) and
// its words (the steady type and agreement when it was read steadily).
QImage drawReadFace(const QImage& face, const FaceReadingResult& reading, int magnification);

#pragma once
// What the window draws of the readings, in its own words: faces counted from 1, reasons as
// short sentences (velmora-cli's drawings keep the numbers from 0 and the reason codes).

#include "reading/face_reader.h"
#include "reading/reading_report.h"
#include "vision/face_rect.h"

#include <QImage>
#include <QString>

#include <map>
#include <optional>
#include <vector>

// What a Read Face measured, kept per face of the current picture.
struct FaceReadingResult {
    ReadOutcome outcome;
    ReadingReport report;
};
using FaceReadings = std::map<int, FaceReadingResult>;

// The outcome of the face at index in words, or an empty string when it was not read.
QString readingWordsOf(const FaceReadings& readings, int index);

// The reduced picture with every face's numbered box, the current face's stronger, and with the
// measurements, the outlines and words of the faces read.
QImage drawWholePicture(const QImage& picture, const std::vector<FaceRect>& boxes,
                        const FaceReadings& readings, std::optional<int> current,
                        bool withMeasurements);

// A read face enlarged magnification times, with its outline and its words.
QImage drawReadFace(const QImage& face, const FaceReadingResult& reading, int magnification);

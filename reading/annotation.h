#pragma once
// Drawings of what was found and measured, for people who would rather look than read: each face's
// box with its number in the face list and, for a read face, the measured outline (the two lower
// half-parabolas from the lowest point, the two side curves from their vertices, the mouth point)
// with a label naming the face type or why the reading failed. velmora-cli --annotate and the
// window draw with these same functions.
//
// The reader measures the face cut from the picture (cropFace) and reduced by prepareFaceImage to
// at most 100 pixels; a measured pixel (u, v) is the one that scaling took from the cut at
// ((u + 0.5) / f, (v + 0.5) / f), f = preparedFaceScale of the cut. The drawing maps every
// measured point and every point of a curve that way, then adds the cut's top-left corner, so
// that the outline lies on the picture's pixels that were measured. Curves are drawn as the
// continuous parabolas; the pixel each one tested in a column is the one the line passes through.

#include "reading/face_reader.h"
#include "reading/reading_report.h"
#include "vision/face_rect.h"

#include <QPointF>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QImage;

// Where a prepared face lies in the picture it was cut from.
struct FacePlacement {
    double left = 0;   // the cut's left column in the picture
    double top = 0;    // the cut's top row in the picture
    double scale = 1;  // prepared pixels per picture pixel

    // A point given in prepared pixels (a whole number is a pixel's centre) in the picture.
    QPointF toPicture(double column, double row) const
    {
        return {left + (column + 0.5) / scale, top + (row + 0.5) / scale};
    }
};

// The placement of a detected face's prepared image in a picture of the given height.
FacePlacement placeFace(int pictureHeight, const FaceRect& face);

// One face of a drawing.
struct FaceAnnotation {
    FaceRect box;                                 // in pixels of the picture
    int number = 0;                               // position in the face list, counted from 0
    std::optional<ReadOutcome> outcome;           // for a face that was read
    std::optional<ReadingReport> report;          // its report, when one was made
    std::optional<QString> label = std::nullopt;  // words shown instead of the reading's label
};

// The type ("WOOD" .. "WATER"), "not_colour", or the failure's code ("failed" without a report);
// a failure for lack of any lower edge adds the share of the face taken as skin.
QString readingLabel(const ReadOutcome& outcome, const ReadingReport* report);

// What a face's label says. Without one, the label is the face's number and its label or, for a
// read face, readingLabel; the window passes its own words (faces counted from 1, no codes).
using FaceCaption = std::function<QString(const FaceAnnotation&)>;

// The picture (any format) as Format_RGB32 with every face's box and number, and for read faces
// their outline and label. The face numbered highlighted, if any, gets a stronger box in another
// colour. Without faces the picture comes back unchanged.
QImage annotatePicture(const QImage& picture, const std::vector<FaceAnnotation>& faces,
                       std::optional<int> highlighted = std::nullopt,
                       const FaceCaption& caption = {});

// A face as cut from the picture, enlarged magnification times (smoothly), with its measured
// outline and its label (readingLabel unless another caption is given); for showing one face
// large.
QImage annotateFaceCut(const QImage& cut, const ReadOutcome& outcome, const ReadingReport& report,
                       int magnification, const std::optional<QString>& caption = std::nullopt);

// The magnification that makes a cut of this size at least about 600 pixels on its longer side.
int faceCutMagnification(const QImage& cut);

#include "reading/annotation.h"

#include "reading/prepare_face.h"
#include "vision/picture.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRect>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <functional>
#include <tuple>

namespace {

// Light strokes on a dark rim stay visible on skin, on hair and on dark or light backgrounds.
const QColor rimColour(0, 0, 0, 200);
const QColor boxColour(255, 255, 255);
const QColor highlightColour(255, 159, 26);
const QColor lowerColour(255, 225, 77);
const QColor sideColour(77, 225, 255);
const QColor mouthColour(255, 77, 210);
const QColor missingColour(255, 59, 48);
const QColor textColour(255, 255, 255);

// What the strokes of one drawing look like: widths and sizes in pixels of the drawn image.
struct Pens {
    double line = 2;
    double dot = 3;
    int text = 12;
};

// Strokes in proportion to the drawn image: thin on a whole picture, where faces are small, bolder
// on a single enlarged face.
Pens pensFor(const QImage& image, double sidesPerLine)
{
    const double longerSide = std::max(image.width(), image.height());
    Pens pens;
    pens.line = std::max(1.5, longerSide / sidesPerLine);
    pens.dot = pens.line * 1.8;
    pens.text = std::max(11, int(pens.line * 8));
    return pens;
}

void strokeWithRim(QPainter& painter, const QPainterPath& path, const QColor& colour, double width)
{
    painter.strokePath(path,
                       QPen(rimColour, width + 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.strokePath(path, QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

void dot(QPainter& painter, QPointF at, double radius, const QColor& colour)
{
    painter.setPen(QPen(rimColour, 1.5));
    painter.setBrush(colour);
    painter.drawEllipse(at, radius, radius);
}

void ring(QPainter& painter, QPointF at, double radius, const QColor& colour, double width)
{
    QPainterPath circle;
    circle.addEllipse(at, radius, radius);
    strokeWithRim(painter, circle, colour, width);
}

// Text whose top-left corner is at the point, moved inside the image when it would leave it.
void label(QPainter& painter, QPointF at, const QString& text, int pixelSize)
{
    QFont font;
    font.setPixelSize(pixelSize);
    font.setBold(true);
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF bounds = path.boundingRect();
    const QRect image = painter.viewport();
    double x = std::clamp(at.x(), 2.0, std::max(2.0, image.width() - bounds.width() - 2));
    double y = std::clamp(at.y(), 2.0, std::max(2.0, image.height() - bounds.height() - 2));
    path.translate(x - bounds.left(), y - bounds.top());
    painter.strokePath(path, QPen(rimColour, std::max(2.0, pixelSize / 5.0), Qt::SolidLine,
                                  Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(path, textColour);
}

// A half-parabola row = vertexRow - a (column - vertexColumn)^2 over the columns from .. to, in
// prepared pixels, as a path in the drawn image.
QPainterPath curvePath(const std::function<QPointF(double, double)>& toImage, double vertexColumn,
                       double vertexRow, double a, double from, double to)
{
    QPainterPath path;
    const int steps = std::max(1, int(std::ceil((to - from) * 4)));
    for (int i = 0; i <= steps; ++i) {
        const double c = from + (to - from) * i / steps;
        const double d = c - vertexColumn;
        const QPointF p = toImage(c, vertexRow - a * d * d);
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    return path;
}

// How far a half-parabola with coefficient a reaches sideways before it climbs by rise rows.
double reach(double rise, double a) { return rise > 0 && a > 0 ? std::sqrt(rise / a) : 0; }

// The outline of one reading. toImage maps prepared pixels into the drawn image.
void drawMeasurement(QPainter& painter, const std::function<QPointF(double, double)>& toImage,
                     const ReadingReport& report, const Pens& pens)
{
    const FaceMeasures& m = report.measures;
    const double lastColumn = report.width - 1;
    if (m.x0 && m.y0 && m.a1 && m.a2 && report.mouth) {
        // The lower curves count edge pixels between the mouth row and the bottom.
        const double rise = *m.y0 - report.mouth->y;
        const double x0 = *m.x0, y0 = *m.y0;
        const double left = std::max(0.0, x0 - reach(rise, *m.a1));
        const double right = std::min(lastColumn, x0 + reach(rise, *m.a2));
        strokeWithRim(painter, curvePath(toImage, x0, y0, *m.a1, left, x0), lowerColour, pens.line);
        strokeWithRim(painter, curvePath(toImage, x0, y0, *m.a2, x0, right), lowerColour,
                      pens.line);
    }
    const OutlineTrace& t = report.outline;
    if (t.sidesSearched) {
        // Side curves count edge pixels below the top row; one that found none is shown by a red
        // ring at the vertex it started from.
        if (m.a3) {
            const double from = std::max(0.0, t.xl0 - reach(t.yl0 - t.topRow, *m.a3));
            strokeWithRim(painter, curvePath(toImage, t.xl0, t.yl0, *m.a3, from, t.xl0), sideColour,
                          pens.line);
        }
        if (m.a4) {
            const double to = std::min(lastColumn, t.xr0 + reach(t.yr0 - t.topRow, *m.a4));
            strokeWithRim(painter, curvePath(toImage, t.xr0, t.yr0, *m.a4, t.xr0, to), sideColour,
                          pens.line);
        }
        for (const auto& [column, row, found] :
             {std::tuple{t.xl0, t.yl0, bool(m.a3)}, std::tuple{t.xr0, t.yr0, bool(m.a4)}}) {
            if (found)
                dot(painter, toImage(column, row), pens.dot, sideColour);
            else
                ring(painter, toImage(column, row), pens.dot * 2, missingColour, pens.line);
        }
    }
    if (m.x0 && m.y0)
        dot(painter, toImage(*m.x0, *m.y0), pens.dot * 1.2, lowerColour);
    if (report.mouth)
        dot(painter, toImage(report.mouth->x, report.mouth->y), pens.dot * 1.2, mouthColour);
}

}  // namespace

FacePlacement placeFace(int pictureHeight, const FaceRect& face)
{
    const QRect cut = faceCutRect(pictureHeight, face);
    return {double(cut.left()), double(cut.top()), preparedFaceScale(cut.size())};
}

QString readingLabel(const ReadOutcome& outcome, const ReadingReport* report)
{
    switch (outcome.status) {
    case ReadOutcome::Status::NotColour: return QStringLiteral("not_colour");
    case ReadOutcome::Status::Read: return QString::fromLatin1(facePhaseName(outcome.phase));
    case ReadOutcome::Status::Failed: break;
    }
    if (!report || !report->failure)
        return QStringLiteral("failed");
    QString text = QString::fromLatin1(readingFailureCode(*report->failure));
    if (*report->failure == ReadingFailure::NoLowerEdge)
        text += QStringLiteral(" (skin %1%)").arg(std::lround(report->faceRegionShare() * 100));
    return text;
}

QImage annotatePicture(const QImage& picture, const std::vector<FaceAnnotation>& faces,
                       std::optional<int> highlighted, const FaceCaption& caption)
{
    QImage image = picture.convertToFormat(QImage::Format_RGB32);
    if (faces.empty() || image.isNull())
        return image;
    const Pens pens = pensFor(image, 400);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    for (const FaceAnnotation& face : faces) {
        const bool strong = highlighted && *highlighted == face.number;
        // Through the centres of the box's outer pixels.
        QPainterPath box;
        box.addRect(QRectF(face.box.x + 0.5, face.box.y + 0.5, face.box.width - 1.0,
                           face.box.height - 1.0));
        strokeWithRim(painter, box, strong ? highlightColour : boxColour,
                      strong ? pens.line * 2 : pens.line);
    }
    for (const FaceAnnotation& face : faces) {
        if (face.report) {
            const FacePlacement place = placeFace(image.height(), face.box);
            drawMeasurement(
                painter, [&](double c, double r) { return place.toPicture(c, r); }, *face.report,
                pens);
        }
    }
    // Labels last, so that no stroke crosses them: above the box, or inside it at the top edge.
    for (const FaceAnnotation& face : faces) {
        QString text;
        if (caption) {
            text = caption(face);
        } else {
            text = QString::number(face.number);
            if (face.label)
                text += QLatin1Char(' ') + *face.label;
            else if (face.outcome)
                text += QLatin1Char(' ') +
                        readingLabel(*face.outcome, face.report ? &*face.report : nullptr);
        }
        label(painter, QPointF(face.box.x, face.box.y - pens.text * 1.4 - pens.line), text,
              pens.text);
    }
    return image;
}

int faceCutMagnification(const QImage& cut)
{
    const int longer = std::max(cut.width(), cut.height());
    return longer > 0 ? std::max(1, (600 + longer - 1) / longer) : 1;
}

QImage annotateFaceCut(const QImage& cut, const ReadOutcome& outcome, const ReadingReport& report,
                       int magnification, const std::optional<QString>& caption)
{
    const int k = std::max(1, magnification);
    QImage image = cut.convertToFormat(QImage::Format_RGB32)
                       .scaled(cut.width() * k, cut.height() * k, Qt::IgnoreAspectRatio,
                               Qt::SmoothTransformation);
    if (image.isNull())
        return image;
    const Pens pens = pensFor(image, 160);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    FacePlacement place;
    place.scale = preparedFaceScale(cut.size());
    drawMeasurement(
        painter, [&](double c, double r) { return place.toPicture(c, r) * k; }, report, pens);
    label(painter, QPointF(pens.line * 2, pens.line * 2),
          caption ? *caption : readingLabel(outcome, &report), pens.text);
    return image;
}

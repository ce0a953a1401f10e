#include "reading/prepare_face.h"

#include "vision/qimage_buffer.h"

#include <QImage>

namespace {

// The reader's thresholds and search ranges are tuned for faces of about this size.
constexpr int workingSide = 100;

enum class Reduction { Keep, ToWidth, ToHeight };

Reduction reductionOf(QSize size)
{
    if (size.width() > size.height() && size.width() > workingSide)
        return Reduction::ToWidth;
    if (size.height() > workingSide)
        return Reduction::ToHeight;
    return Reduction::Keep;
}

}  // namespace

QImage prepareFaceImage(const QImage& face)
{
    const QImage image = face.convertToFormat(QImage::Format_RGB32);
    switch (reductionOf(image.size())) {
    case Reduction::ToWidth: return image.scaledToWidth(workingSide, Qt::FastTransformation);
    case Reduction::ToHeight: return image.scaledToHeight(workingSide, Qt::FastTransformation);
    case Reduction::Keep: break;
    }
    return image;
}

double preparedFaceScale(QSize faceSize)
{
    // The factor as scaledToWidth and scaledToHeight compute it.
    switch (reductionOf(faceSize)) {
    case Reduction::ToWidth: return qreal(workingSide) / faceSize.width();
    case Reduction::ToHeight: return qreal(workingSide) / faceSize.height();
    case Reduction::Keep: break;
    }
    return 1.0;
}

bool isColour(const QImage& prepared) { return !prepared.isGrayscale(); }

ReadOutcome readFace(const QImage& prepared, ReadingReport* report)
{
    return readFace(loadImageBuffer(prepared), report);
}

#include "reading/prepare_face.h"

#include "vision/qimage_buffer.h"

#include <QImage>

namespace {
// The reader's thresholds and search ranges are tuned for faces of about this size.
constexpr int workingSide = 100;
}  // namespace

QImage prepareFaceImage(const QImage& face)
{
    const QImage image = face.convertToFormat(QImage::Format_RGB32);
    if (image.width() > image.height() && image.width() > workingSide)
        return image.scaledToWidth(workingSide, Qt::FastTransformation);
    if (image.height() > workingSide)
        return image.scaledToHeight(workingSide, Qt::FastTransformation);
    return image;
}

bool isColour(const QImage& prepared) { return !prepared.isGrayscale(); }

ReadOutcome readFace(const QImage& prepared) { return readFace(loadImageBuffer(prepared)); }

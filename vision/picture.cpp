#include "vision/picture.h"

#include <QImage>

QImage reducePicture(const QImage& image)
{
    const QImage picture = image.convertToFormat(QImage::Format_RGB32);
    if (image.width() > image.height() && image.width() > maxPictureSide)
        return picture.scaledToWidth(maxPictureSide, Qt::FastTransformation);
    if (image.height() > maxPictureSide)
        return picture.scaledToHeight(maxPictureSide, Qt::FastTransformation);
    return picture;
}

QImage cropFace(const QImage& picture, const FaceRect& face)
{
    int top = static_cast<int>(face.y - face.height * 0.25);
    if (top < 0)
        top = 0;
    int bottom = static_cast<int>(face.y + face.height * 1.25);
    if (bottom > picture.height())
        bottom = picture.height();
    return picture.copy(face.x, top, face.width, bottom - top);
}

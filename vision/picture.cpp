#include "vision/picture.h"

#include <QImage>
#include <QRect>

QImage reducePicture(const QImage& image)
{
    const QImage picture = image.convertToFormat(QImage::Format_RGB32);
    if (image.width() > image.height() && image.width() > maxPictureSide)
        return picture.scaledToWidth(maxPictureSide, Qt::FastTransformation);
    if (image.height() > maxPictureSide)
        return picture.scaledToHeight(maxPictureSide, Qt::FastTransformation);
    return picture;
}

QRect faceCutRect(int pictureHeight, const FaceRect& face)
{
    int top = static_cast<int>(face.y - face.height * 0.25);
    if (top < 0)
        top = 0;
    int bottom = static_cast<int>(face.y + face.height * 1.25);
    if (bottom > pictureHeight)
        bottom = pictureHeight;
    return QRect(face.x, top, face.width, bottom - top);
}

QImage cropFace(const QImage& picture, const FaceRect& face)
{
    return picture.copy(faceCutRect(picture.height(), face));
}

#include "vision/qimage_buffer.h"

#include <QImage>
#include <cstring>

ImageBuffer loadImageBuffer(const QImage& image)
{
    if (image.isNull())
        return ImageBuffer(0, 0, 4, 1);
    if (image.format() != QImage::Format_RGB32)
        return loadImageBuffer(image.convertToFormat(QImage::Format_RGB32));
    ImageBuffer buffer(image.width(), image.height(), 4, 1);
    if (buffer.sizeInBytes() == 0)
        return buffer;
    // Rows of a Format_RGB32 image are 4 x width bytes, so the pixels are one block.
    const std::size_t rowBytes = std::size_t(image.width()) * 4;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(buffer.data + y * rowBytes, image.constScanLine(y), rowBytes);
    return buffer;
}

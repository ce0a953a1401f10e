#include "vision/png_output.h"

#include <QImage>
#include <QSaveFile>
#include <QString>

QString writePng(const QImage& image, const QString& path)
{
    if (image.isNull())
        return QStringLiteral("the picture has no pixels");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (!image.save(&file, "PNG")) {
        file.cancelWriting();
        return QStringLiteral("the PNG writer refused the picture");
    }
    if (!file.commit())
        return file.errorString();
    return QString();
}

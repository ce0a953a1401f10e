#include "vision/cascade_location.h"

#include "velmora_version.h"

#include <QDir>
#include <QFileInfo>

QString cascadeFileName() { return QStringLiteral("haarcascade_frontalface_alt.xml"); }

QStringList cascadeFolders(const QString& executableFolder)
{
    const QDir folder(executableFolder);
    return {folder.absolutePath(),
            QDir::cleanPath(folder.absoluteFilePath(QStringLiteral(VELMORA_DATA_FROM_BIN)))};
}

QString findCascade(const QString& executableFolder)
{
    const QDir folder(executableFolder);
    const QString beside = folder.filePath(cascadeFileName());
    if (QFileInfo(beside).isFile())
        return beside;
    const QString installed = QDir::cleanPath(
        folder.filePath(QStringLiteral(VELMORA_DATA_FROM_BIN "/") + cascadeFileName()));
    if (QFileInfo(installed).isFile())
        return installed;
    return beside;
}

#include "app/folder_walk.h"

#include "vision/picture_list.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

#include <string>
#include <vector>

QString neighbourPicture(const QString& picture, int step)
{
    const QFileInfo current(picture);
    const std::string folder = QFile::encodeName(current.absolutePath()).toStdString();
    const std::string name = QFile::encodeName(current.fileName()).toStdString();

    std::vector<std::string> names;
    for (const ListedEntry& entry : listPictures({folder}, false))
        if (entry.problem.empty())
            names.push_back(entry.path.substr(entry.path.rfind('/') + 1));

    // The names come in byte order; the neighbour is the first one after the current name or the
    // last one before it.
    std::string found;
    if (step > 0) {
        for (const std::string& other : names)
            if (other > name) {
                found = other;
                break;
            }
    } else {
        for (const std::string& other : names)
            if (other < name)
                found = other;
    }
    if (found.empty())
        return QString();
    return current.absoluteDir().filePath(QFile::decodeName(QByteArray::fromStdString(found)));
}

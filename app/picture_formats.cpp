#include "app/picture_formats.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QMimeDatabase>
#include <QMimeType>
#include <QRegularExpression>

#include <algorithm>

namespace {

QString translated(const char* text) { return QCoreApplication::translate("PictureFormats", text); }

// The readable formats by MIME type, each with its patterns and its filter ("PNG image (*.png)").
struct Format {
    QStringList patterns;
    QString filter;
};

QList<Format> readableFormats()
{
    const QMimeDatabase mimeTypes;
    QList<Format> formats;
    for (const QByteArray& name : QImageReader::supportedMimeTypes()) {
        const QMimeType type = mimeTypes.mimeTypeForName(QString::fromLatin1(name));
        if (type.isValid() && !type.globPatterns().isEmpty())
            formats.append({type.globPatterns(), type.filterString()});
    }
    // Formats whose MIME type the database does not know still open by their own suffix.
    for (const QByteArray& suffix : QImageReader::supportedImageFormats()) {
        const QString pattern = QStringLiteral("*.") + QString::fromLatin1(suffix);
        const bool known = std::any_of(formats.begin(), formats.end(), [&](const Format& f) {
            return f.patterns.contains(pattern, Qt::CaseInsensitive);
        });
        if (!known)
            formats.append(
                {{pattern},
                 QStringLiteral("%1 (%2)").arg(QString::fromLatin1(suffix).toUpper(), pattern)});
    }
    std::sort(formats.begin(), formats.end(), [](const Format& a, const Format& b) {
        return a.filter.compare(b.filter, Qt::CaseInsensitive) < 0;
    });
    return formats;
}

}  // namespace

QStringList readablePicturePatterns()
{
    QStringList patterns;
    for (const Format& format : readableFormats())
        for (const QString& pattern : format.patterns)
            if (!patterns.contains(pattern))
                patterns << pattern;
    return patterns;
}

QString pictureFileFilters(const QString& given)
{
    // The given filter's patterns stay in front, so that the usual formats are the ones a user
    // reads first.
    static const QRegularExpression inBrackets(QStringLiteral("\\(([^)]*)\\)"));
    QStringList patterns = inBrackets.match(given).captured(1).split(' ', Qt::SkipEmptyParts);
    const QList<Format> formats = readableFormats();
    for (const Format& format : formats)
        for (const QString& pattern : format.patterns)
            if (!patterns.contains(pattern, Qt::CaseInsensitive))
                patterns << pattern;

    QStringList filters{translated("Image files (%1)").arg(patterns.join(' '))};
    for (const Format& format : formats)
        filters << format.filter;
    filters << translated("All files (*)");
    return filters.join(QStringLiteral(";;"));
}

#include "app/start_picture.h"

#include <QCommandLineParser>

QString pictureFromArguments(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("picture"), QStringLiteral("picture to open"));
    // Unknown options are no reason to refuse the picture; "--" ends the options as usual.
    parser.parse(arguments);
    const QStringList pictures = parser.positionalArguments();
    return pictures.isEmpty() ? QString() : pictures.first();
}

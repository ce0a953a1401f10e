#include "app/command_line.h"

#include "velmora_version.h"

#include <QFile>

namespace {

constexpr int exitUsage = 2;

const char usage[] =
    "Usage: velmora [OPTION]... [PICTURE]\n"
    "Open the Velmora window: find the faces in a colour photograph and read the chosen one as\n"
    "one of five face types (WOOD, FIRE, EARTH, GOLD, WATER).\n"
    "\n"
    "  PICTURE        a picture to open at start, as Open Picture would\n"
    "  -h, --help     show this help and exit\n"
    "  --version      show the version and exit\n"
    "  --             every later argument is a picture\n"
    "\n"
    "Qt's own options, such as -platform NAME or -style NAME, are taken as well.\n"
    "velmora-cli reads faces without the window (velmora-cli --help).\n";

// The options among the program's arguments: those before "--", the program name left out.
QStringList options(const QStringList& arguments)
{
    QStringList found;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--"))
            break;
        if (argument.startsWith(QLatin1Char('-')) && argument != QLatin1String("-"))
            found << argument;
    }
    return found;
}

}  // namespace

std::optional<int> answerHelpOrVersion(const QStringList& arguments, std::ostream& out)
{
    for (const QString& option : options(arguments)) {
        if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
            out << usage;
            return 0;
        }
        if (option == QLatin1String("--version")) {
            out << "velmora " VELMORA_VERSION "\n";
            return 0;
        }
    }
    return std::nullopt;
}

std::optional<int> refuseUnknownOptions(const QStringList& arguments, std::ostream& err)
{
    const QStringList unknown = options(arguments);
    if (unknown.isEmpty())
        return std::nullopt;
    err << "velmora: unknown option '" << unknown.first().toLocal8Bit().constData() << "'\n\n"
        << usage;
    return exitUsage;
}

QStringList argumentList(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
    return arguments;
}

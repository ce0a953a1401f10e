// velmora-cli: the detector and the reader of the window, for scripts, batch jobs and servers.
// Results go to standard output, complaints and (with --verbose) diagnostic lines to standard
// error, so that standard output can be piped as it is.

#include "cli/annotated_pictures.h"
#include "cli/batch.h"
#include "cli/options.h"
#include "vision/picture_list.h"
#include "cli/progress.h"
#include "vision/cascade_location.h"
#include "vision/diagnostics.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>

#include <iostream>
#include <optional>
#include <thread>
#include <unistd.h>

namespace {

constexpr int exitUsage = 2;

// Qt's own warnings (a decoder grumbling about a colour profile, say) are diagnostics like the
// library's: on stderr with --verbose, else nowhere, so that a clean run leaves stderr empty.
// Going the same way, they are also collected with the picture whose decoding raised them.
void forwardQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtFatalMsg)
        std::cerr << message.toLocal8Bit().constData() << '\n';
    else
        diagnostics() << message.toLocal8Bit().constData() << '\n';
}

int defaultJobs() { return std::max(1, int(std::thread::hardware_concurrency())); }

QString cascadePath(const CliOptions& options)
{
    if (!options.cascade.empty())
        return QFile::decodeName(options.cascade.c_str());
    return findCascade(QCoreApplication::applicationDirPath());
}

}  // namespace

int main(int argc, char* argv[])
{
    // Until the options are known, diagnostics go nowhere: standard output is for results.
    setDiagnosticsStream(nullptr);
    qInstallMessageHandler(forwardQtMessage);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParsedArguments parsed = parseArguments(args);
    // Decoding pictures needs a core application only. Drawing the annotated pictures needs
    // fonts, which need a GUI application; it runs on the offscreen platform, so that the tool
    // still works on a server without a display.
    std::optional<QCoreApplication> coreApp;
    std::optional<QGuiApplication> guiApp;
    if (parsed.action == ParsedArguments::Action::Run && !parsed.options.annotate.empty()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        guiApp.emplace(argc, argv);
    } else {
        coreApp.emplace(argc, argv);
    }
    switch (parsed.action) {
    case ParsedArguments::Action::Help: std::cout << cliUsage; return 0;
    case ParsedArguments::Action::Version: std::cout << cliVersion << '\n'; return 0;
    case ParsedArguments::Action::Usage:
        std::cerr << "velmora-cli: " << parsed.error << "\n\n" << cliUsage;
        return exitUsage;
    case ParsedArguments::Action::Run: break;
    }
    const CliOptions& options = parsed.options;

    setDiagnosticsStream(options.verbose ? &std::cerr : nullptr);

    const QString cascade = cascadePath(options);
    FaceDetector detector;
    std::string refusal;  // a folder, pipe, device or oversized file, named for the user
    detector.cascade = loadHaarCascade(cascade.toStdWString(), &refusal);
    if (!detector.cascade) {
        std::cerr << "velmora-cli: cannot load the face cascade "
                  << QFile::encodeName(cascade).data() << (refusal.empty() ? "" : ": ") << refusal
                  << '\n';
        return exitUsage;
    }

    const std::vector<ListedEntry> entries = listPictures(options.images, options.recursive);
    BatchSettings settings;
    settings.request.read = options.command == CliCommand::Read;
    settings.request.face = options.face;
    settings.request.keepPicture = !options.annotate.empty();
    settings.request.keepNested = options.keepNested;
    settings.request.steady = options.steady;
    if (!options.annotate.empty())
        settings.annotatedPaths =
            annotatedPicturePaths(QFile::decodeName(options.annotate.c_str()), entryPaths(entries));
    settings.json = options.json;
    settings.verbose = options.verbose;
    settings.jobs = options.jobs.value_or(defaultJobs());
    settings.progress = showsProgress(isatty(STDERR_FILENO) == 1, options.quiet);
    settings.stdoutIsTerminal = isatty(STDOUT_FILENO) == 1;
    return runBatch(entries, detector, settings, std::cout, std::cerr);
}

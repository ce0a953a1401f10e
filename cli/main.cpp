// velmora-cli: the detector and the reader of the window, for scripts, batch jobs and servers.
// Results go to standard output, complaints and (with --verbose) diagnostic lines to standard
// error, so that standard output can be piped as it is.

#include "cli/examine_picture.h"
#include "cli/options.h"
#include "cli/report.h"
#include "vision/cascade_location.h"
#include "vision/diagnostics.h"

#include <QCoreApplication>
#include <QFile>

#include <iostream>

namespace {

constexpr int exitPictureFailed = 1;
constexpr int exitUsage = 2;

// Qt's own warnings (a decoder grumbling about a colour profile, say) are diagnostics like the
// library's: on stderr with --verbose, else nowhere, so that a clean run leaves stderr empty.
bool showQtMessages = false;

void forwardQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (showQtMessages || type == QtFatalMsg)
        std::cerr << message.toLocal8Bit().constData() << '\n';
}

QString cascadePath(const CliOptions& options)
{
    if (!options.cascade.empty())
        return QFile::decodeName(options.cascade.c_str());
    return findCascade(QCoreApplication::applicationDirPath());
}

}  // namespace

int main(int argc, char* argv[])
{
    // A core application only: decoding pictures needs no display, and this tool must run on a
    // server without one.
    qInstallMessageHandler(forwardQtMessage);
    QCoreApplication app(argc, argv);

    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParsedArguments parsed = parseArguments(args);
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
    showQtMessages = options.verbose;

    const QString cascade = cascadePath(options);
    FaceDetector detector(cascade.toStdWString());
    if (!detector.cascade) {
        std::cerr << "velmora-cli: cannot load the face cascade "
                  << QFile::encodeName(cascade).data() << '\n';
        return exitUsage;
    }

    const ExamineRequest request{options.command == CliCommand::Read, options.face};
    int status = 0;
    for (const std::string& path : options.images) {
        const PictureFindings findings = examinePicture(path, detector, request);
        if (!findings.error.empty())
            status = exitPictureFailed;
        if (options.json) {
            std::cout << findingsJson(findings) << '\n';
        } else {
            std::cout << findingsText(findings);
            std::cout.flush();
            std::cerr << findingsErrorText(findings);
        }
        // Each picture's result is out before the next one starts, for a reader on a pipe.
        std::cout.flush();
    }
    return status;
}

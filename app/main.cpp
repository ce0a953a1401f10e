#include "app/command_line.h"
#include "app/mainwindow.h"
#include "app/program_style.h"
#include "app/start_picture.h"

#include "velmora_version.h"

#include <QApplication>
#include <QTimer>

#include <iostream>

int main(int argc, char* argv[])
{
    // --help and --version answer without a display; other options once Qt has taken its own.
    if (const auto answered = answerHelpOrVersion(argumentList(argc, argv), std::cout))
        return *answered;
    QApplication application(argc, argv);
    if (const auto refused = refuseUnknownOptions(QCoreApplication::arguments(), std::cerr))
        return *refused;
    // The window's settings take their place from these two names, so they come first.
    QCoreApplication::setApplicationName("Velmora 1.0");
    QCoreApplication::setOrganizationName("Marrowby software");
    // Ties the window to its desktop entry, for the icon and name a Wayland session shows.
    QGuiApplication::setDesktopFileName(QStringLiteral(VELMORA_APP_ID));

    auto* window = new MainWindow;
    applyProgramStyle(window);

    window->show();
    // A picture given on the command line opens once the window is up, as Open Picture would.
    const QString picture = pictureFromArguments(QCoreApplication::arguments());
    if (!picture.isEmpty())
        QTimer::singleShot(0, window, [window, picture] { window->openPicture(picture); });
    const int result = application.exec();
    delete window;
    return result;
}

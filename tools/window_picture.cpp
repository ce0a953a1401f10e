// Makes the README's picture of the window: the program's window, dressed as at start-up, after
// reading one face of a photo with the measurements shown, grabbed on the offscreen platform.
//
//     window_picture PHOTO FACE OUT.png
//
// The settings go to a temporary folder, so the user's own are neither read nor changed.

#include "app/arthurstyle.h"
#include "app/mainwindow.h"
#include "vision/diagnostics.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>

#include <iostream>

namespace {

// The offscreen platform's remarks (no runtime folder, no window manager) are no concern here.
void keepOnlyErrors(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << message.toLocal8Bit().constData() << '\n';
}

}  // namespace

int main(int argc, char* argv[])
{
    qInstallMessageHandler(keepOnlyErrors);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 4) {
        std::cerr << "usage: window_picture PHOTO FACE OUT.png\n";
        return 2;
    }
    QCoreApplication::setApplicationName("Velmora 1.0");
    QCoreApplication::setOrganizationName("Marrowby software");
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    setDiagnosticsStream(nullptr);

    MainWindow window;
    auto* style = new ArthurStyle;
    window.setStyle(style);
    for (QWidget* widget : window.findChildren<QWidget*>())
        widget->setStyle(style);
    window.resize(860, 520);
    window.show();

    window.findChild<QAction*>("actionMeasurements")->setChecked(true);
    window.openPicture(QString::fromLocal8Bit(argv[1]));
    window.findChild<QScrollBar*>("horizontalScrollBar")->setValue(std::atoi(argv[2]));
    window.findChild<QPushButton*>("pushButton_2")->click();
    QApplication::processEvents();

    if (!window.grab().save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::cerr << "window_picture: cannot write " << argv[3] << '\n';
        return 1;
    }
    return 0;
}

#include "app/arthurstyle.h"
#include "app/mainwindow.h"

#include "velmora_version.h"

#include <QApplication>
#include <QList>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // The window's settings take their place from these two names, so they come first.
    QCoreApplication::setApplicationName("Velmora 1.0");
    QCoreApplication::setOrganizationName("Marrowby software");
    // Ties the window to its desktop entry, for the icon and name a Wayland session shows.
    QGuiApplication::setDesktopFileName(QStringLiteral(VELMORA_APP_ID));

    auto* window = new MainWindow;

    // One style for the window and every widget that exists now; it lives as long as the process.
    auto* style = new ArthurStyle;
    window->setStyle(style);
    const QList<QWidget*> widgets = window->findChildren<QWidget*>();
    for (QWidget* widget : widgets)
        widget->setStyle(style);

    window->show();
    const int result = application.exec();
    delete window;
    return result;
}

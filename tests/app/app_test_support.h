#pragma once
// Shared set-up of the window tests: settings kept in a throw-away folder, the window's widgets by
// object name, pictures written to disk, and the diagnostic lines caught.

#include "app/mainwindow.h"
#include "vision/diagnostics.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

#include <iostream>
#include <memory>
#include <sstream>
#include <vector>

inline QString testPhoto(const char* name)
{
    return QStringLiteral(VELMORA_TEST_DATA "/photos/") + QLatin1String(name);
}

// Gives the process the program's identity and sends every settings file into settingsDir, so
// that no test reads or writes the user's own settings. Call before any window exists.
inline void isolateSettings(const QTemporaryDir& settingsDir)
{
    QCoreApplication::setApplicationName("Velmora 1.0");
    QCoreApplication::setOrganizationName("Marrowby software");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    setDiagnosticsStream(nullptr);
}

// Catches the diagnostic lines written while it lives; outside it they are silenced, so that the
// test output stays readable.
class DiagnosticsCatcher {
public:
    DiagnosticsCatcher() { setDiagnosticsStream(&lines); }
    ~DiagnosticsCatcher() { setDiagnosticsStream(nullptr); }
    QStringList text() const
    {
        return QString::fromStdString(lines.str()).split('\n', Qt::SkipEmptyParts);
    }

private:
    std::ostringstream lines;
};

// The window and handles on its widgets.
struct WindowUnderTest {
    std::unique_ptr<MainWindow> window;
    QPushButton* open = nullptr;
    QPushButton* read = nullptr;
    QPushButton* share = nullptr;
    QScrollBar* selector = nullptr;
    QGraphicsView* view = nullptr;
    QTextBrowser* browser = nullptr;
    QLineEdit* lineEdit = nullptr;
    QStatusBar* statusBar = nullptr;

    explicit WindowUnderTest(std::unique_ptr<MainWindow> w) : window(std::move(w))
    {
        open = child<QPushButton>("pushButton");
        read = child<QPushButton>("pushButton_2");
        share = child<QPushButton>("pushButton_3");
        selector = child<QScrollBar>("horizontalScrollBar");
        view = child<QGraphicsView>("graphicsView");
        browser = child<QTextBrowser>("textBrowser");
        lineEdit = child<QLineEdit>("lineEdit");
        statusBar = child<QStatusBar>("statusBar");
    }
    WindowUnderTest() : WindowUnderTest(std::make_unique<MainWindow>()) {}

    template <typename T> T* child(const char* name) const
    {
        T* found = window->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("widget %s missing", name);
        return found;
    }

    QString status() const { return statusBar->currentMessage(); }

    // The image currently shown in the view, null when the scene is empty.
    QImage shown() const
    {
        if (!view->scene())
            return QImage();
        for (QGraphicsItem* item : view->scene()->items())
            if (auto* pixmapItem = qgraphicsitem_cast<QGraphicsPixmapItem*>(item))
                return pixmapItem->pixmap().toImage();
        return QImage();
    }
    int shownItemCount() const { return view->scene() ? view->scene()->items().size() : 0; }

    // Open Picture with the given file "chosen" in the dialog.
    void openPicture(const QString& name)
    {
        window->setFileChooser(
            [name](QWidget*, const QString&, const QString&, const QString&) { return name; });
        open->click();
    }

    // Open Picture with the detector replaced by a fixed list of faces.
    void openWithFaces(const QString& name, const std::vector<FaceRect>& rects)
    {
        window->setFaceFinder([rects](const ImageBuffer&, FaceDetector&) { return rects; });
        openPicture(name);
        window->setFaceFinder(nullptr);
    }
};

// A picture whose every pixel tells its own row and column: red = row % 256, green = row / 256,
// blue = column % 256. Cut-outs can then be traced back to where they came from.
inline QImage rowCodedPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(y % 256, y / 256, x % 256));
    return image;
}
inline int codedRow(const QImage& image, int x, int y)
{
    const QRgb pixel = image.pixel(x, y);
    return qRed(pixel) + 256 * qGreen(pixel);
}

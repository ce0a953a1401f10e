#pragma once
// The program's one window: the picture view with its face selector and the Open Picture and
// Read Face buttons on the left, the result browser with the Share line on the right.

#include "vision/face_rect.h"
#include "vision/haar_cascade.h"
#include "vision/image_buffer.h"
#include "reading/face_reader.h"

#include <QGraphicsScene>
#include <QImage>
#include <QList>
#include <QMainWindow>
#include <QPixmap>
#include <QSettings>
#include <QString>

#include <functional>
#include <vector>

class QAction;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // Asks the user for a picture: parent, caption, start folder, filter; empty when cancelled.
    using FileChooser =
        std::function<QString(QWidget*, const QString&, const QString&, const QString&)>;
    // Finds the faces of a grey picture with the window's detector.
    using FaceFinder = std::function<std::vector<FaceRect>(const ImageBuffer&, FaceDetector&)>;
    // Reads a prepared face image.
    using FaceReading = std::function<ReadOutcome(const QImage&)>;

    // Loads the cascade that lies beside the executable.
    explicit MainWindow(QWidget* parent = nullptr);
    // Loads the cascade from the given file instead.
    explicit MainWindow(const QString& cascadePath, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Replace the file dialog, the detector call or the reader call, so that the commands can be
    // driven without a user and with chosen faces and outcomes. An empty function restores the
    // real one.
    void setFileChooser(FileChooser chooser);
    void setFaceFinder(FaceFinder finder);
    void setFaceReading(FaceReading reading);

    // The built-in page that tells about a face type.
    static QString pageUrl(FacePhase phase);

    // Shows the About box; F1 in the window, and an entry for the picture's context menu.
    QAction* aboutAction() const { return about; }

private slots:
    void on_pushButton_3_clicked();
    void on_pushButton_2_clicked();
    void on_horizontalScrollBar_valueChanged(int value);
    void on_pushButton_clicked();

private:
    void showFace(int index);
    void status(const QString& text);

    Ui::MainWindow* ui;
    QGraphicsScene scene;
    QList<QImage> faces;
    QPixmap pixmap;
    FaceDetector* detector = nullptr;
    QSettings settings;
    QString welcomeHtml;

    FileChooser chooseFile;
    FaceFinder findFaces;
    FaceReading readFaceImage;
    QAction* about = nullptr;
};

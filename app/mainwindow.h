#pragma once
// The program's one window: the picture view with its face selector and the Open Picture and
// Read Face buttons on the left, the result browser with the Share line on the right.

#include "vision/face_rect.h"
#include "vision/haar_cascade.h"
#include "vision/image_buffer.h"
#include "reading/face_reader.h"
#include "reading/reading_report.h"

#include <QGraphicsScene>
#include <QImage>
#include <QList>
#include <QMainWindow>
#include <QPixmap>
#include <QSettings>
#include <QString>

#include <functional>
#include <map>
#include <optional>
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
    // Reads a prepared face image, filling the report.
    using FaceReading = std::function<ReadOutcome(const QImage&, ReadingReport*)>;

    // Loads the cascade that lies beside the executable.
    explicit MainWindow(QWidget* parent = nullptr);
    // Loads the cascade from the given file instead.
    explicit MainWindow(const QString& cascadePath, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Replace the file dialogs (open and save), the detector call or the reader call, so that the
    // commands can be driven without a user and with chosen faces and outcomes. An empty
    // function restores the real one.
    void setFileChooser(FileChooser chooser);
    void setSaveFileChooser(FileChooser chooser);
    void setFaceFinder(FaceFinder finder);
    void setFaceReading(FaceReading reading);

    // Opens a picture as Open Picture does once the dialog has given a name: a file given on the
    // command line or dropped on the window.
    void openPicture(const QString& name);

    // The built-in page that tells about a face type.
    static QString pageUrl(FacePhase phase);

    // Shows the About box; F1 in the window, and an entry for the picture's context menu.
    QAction* aboutAction() const { return about; }

private slots:
    void on_pushButton_3_clicked();
    void on_pushButton_2_clicked();
    void on_horizontalScrollBar_valueChanged(int value);
    void on_pushButton_clicked();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // What a Read Face measured, kept per face of the current picture for the drawings.
    struct FaceReadingResult {
        ReadOutcome outcome;
        ReadingReport report;
    };

    void showFace(int index);
    void putFaceInScene(int index);
    void status(const QString& text);
    void forgetPicture();
    void clearFaceList();

    void addShortcuts();
    void buildPictureMenu();
    QAction* addPictureAction(const QString& text, const QKeySequence& keys, const char* name);
    bool measurementsShown() const;
    void setMeasurementsShown(bool shown);
    void stepFace(int step);
    void selectFace(int index);
    void showWholePicture();
    void saveAnnotatedPicture();
    QImage annotatedPicture(bool withMeasurements) const;

    Ui::MainWindow* ui;
    QGraphicsScene scene;
    QList<QImage> faces;
    QPixmap pixmap;
    FaceDetector* detector = nullptr;
    QSettings settings;
    QString welcomeHtml;

    FileChooser chooseFile;
    FileChooser chooseSaveFile;
    FaceFinder findFaces;
    FaceReading readFaceImage;

    // The current picture (reduced, as detected), its file and its faces' boxes; null and empty
    // when no picture is loaded.
    QImage picture;
    QString pictureName;
    std::vector<FaceRect> boxes;
    std::map<int, FaceReadingResult> readings;
    // What the view shows: a face of the list, the whole picture, or neither.
    std::optional<int> shownFace;
    bool wholePictureShown = false;

    QAction* showMeasurementsAction = nullptr;
    QAction* wholePictureAction = nullptr;
    QAction* saveAnnotatedAction = nullptr;
    QAction* about = nullptr;
};

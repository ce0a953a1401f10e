#pragma once
// The program's one window: the picture view with its face selector and the Open Picture and
// Read Face buttons on the left, the result browser with the Share line on the right, the menu
// bar above and the status bar below. The slots and what they show live here; the menus, the
// status line, the recent pictures, the zoom and the window's placement have files of their own.

#include "app/face_drawings.h"
#include "app/window_menus.h"
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
#include <QStringList>

#include <functional>
#include <map>
#include <optional>
#include <vector>

class QAction;
class RecentPictures;
class StatusLine;
class ViewZoom;

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
    // Reads the face in a box of the (reduced) picture steadily.
    using SteadyFaceReading = std::function<SteadyReading(const QImage&, const FaceRect&)>;

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
    void setSteadyReading(SteadyFaceReading reading);

    // Opens a picture as Open Picture does once the dialog has given a name: a file given on the
    // command line or dropped on the window, a recent picture, the next one in the folder. Unlike
    // a choice in the dialog, a picture that cannot be read leaves the remembered folder alone.
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
    // Whether the remembered folder follows a picture before it is read (a choice in the dialog)
    // or only once it has been read (a name from anywhere else).
    enum class FolderMemory { WhenChosen, WhenRead };

    MainWindow(const QString& cascadePath, const QStringList& searchedFolders, QWidget* parent);

    void loadPicture(const QString& name, FolderMemory folderMemory);
    void showFace(int index);
    void putFaceInScene(int index);
    void status(const QString& text);
    void forgetPicture();
    void clearFaceList();
    int currentFace() const;
    void updateFaceStatus();

    void connectMenus();
    void buildPictureMenu();
    bool measurementsShown() const;
    void setMeasurementsShown(bool shown);
    void setKeepProportions(bool keep);
    void goToFace(int index);
    void selectFace(int index);
    void showWholePicture();
    void leaveWholePicture();
    void walkFolder(int step);
    void saveAnnotatedPicture();
    QImage annotatedPicture(bool withMeasurements) const;
    void updatePictureActions();

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
    SteadyFaceReading readFaceSteadily;

    // The current picture (reduced, as detected), its file and its faces' boxes; null and empty
    // when no picture is loaded.
    QImage picture;
    QString pictureName;
    std::vector<FaceRect> boxes;
    FaceReadings readings;
    // What the view shows: a face of the list, the whole picture, or neither.
    std::optional<int> shownFace;
    bool wholePictureShown = false;
    // The last picture asked for, read or not: the folder walk goes on from there.
    QString walkFrom;

    QAction* about = nullptr;
    WindowMenus menus;
    StatusLine* statusLine = nullptr;
    RecentPictures* recent = nullptr;
    ViewZoom* zoom = nullptr;
};

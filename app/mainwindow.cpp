#include "app/mainwindow.h"

#include "ui_mainwindow.h"

#include "app/about_box.h"
#include "app/accessible_texts.h"
#include "app/face_box_item.h"
#include "app/failure_help.h"
#include "app/folder_walk.h"
#include "app/picture_formats.h"
#include "app/reading_words.h"
#include "app/recent_pictures.h"
#include "app/shortcut_priority.h"
#include "app/status_line.h"
#include "app/view_zoom.h"
#include "app/window_placement.h"
#include "detect/find_faces.h"
#include "reading/annotation.h"
#include "reading/prepare_face.h"
#include "vision/cascade_location.h"
#include "vision/diagnostics.h"
#include "vision/picture.h"
#include "vision/png_output.h"
#include "vision/qimage_buffer.h"
#include "vision/regular_file.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGraphicsPixmapItem>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <ostream>
#include <thread>

namespace {

const char currentFolderKey[] = "CurrDir";
const char showMeasurementsKey[] = "ShowMeasurements";
const char keepProportionsKey[] = "KeepProportions";
const char steadyReadingKey[] = "SteadyReading";

// Shown as plain text, so the run of blanks stays as it is.
const char readingFailedText[] =
    "Face could not be read. Please try a different image - maybe this one has bad lighting or "
    "blured              or not frontal or partially eclipsed";

// The dialog offers every format Qt reads here, the given filter's first.
QString askForFile(QWidget* parent, const QString& caption, const QString& folder,
                   const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, folder, pictureFileFilters(filter));
}

QString askForNewFile(QWidget* parent, const QString& caption, const QString& suggested,
                      const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

std::vector<FaceRect> detectWithCascade(const ImageBuffer& grey, FaceDetector& detector)
{
    // Every core on the one picture in view.
    return findFaces(grey, detector, {int(std::max(1u, std::thread::hardware_concurrency()))});
}

ReadOutcome readPreparedFace(const QImage& prepared, ReadingReport* report)
{
    return readFace(prepared, report);
}

// The vote is kept; its 54 views, each with a report, are not needed once counted.
SteadyReading readFaceSteadilyOnEveryCore(const QImage& picture, const FaceRect& box)
{
    SteadyReading reading =
        readSteadily(picture, box, int(std::max(1u, std::thread::hardware_concurrency())));
    reading.viewResults.clear();
    return reading;
}

// The local files of a drag, in the order given.
QStringList draggedFiles(const QMimeData* data)
{
    QStringList files;
    if (!data)
        return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    return files;
}

QString withShortcut(const QString& text, const QKeySequence& keys)
{
    return text + QStringLiteral(" (") + keys.toString(QKeySequence::NativeText) + QLatin1Char(')');
}

// Without a cascade the detector finds nothing in any picture; the user is told why.
QString detectorMissingText()
{
    return MainWindow::tr("Face detector not available: cascade file not loaded");
}

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : MainWindow(findCascade(QCoreApplication::applicationDirPath()),
                 cascadeFolders(QCoreApplication::applicationDirPath()), parent)
{
}

MainWindow::MainWindow(const QString& cascadePath, QWidget* parent)
    : MainWindow(cascadePath, QStringList{QFileInfo(cascadePath).absolutePath()}, parent)
{
}

MainWindow::MainWindow(const QString& cascadePath, const QStringList& searchedFolders,
                       QWidget* parent)
    : QMainWindow(parent, Qt::WindowFlags()), ui(new Ui::MainWindow), chooseFile(askForFile),
      chooseSaveFile(askForNewFile), findFaces(detectWithCascade), readFaceImage(readPreparedFace),
      readFaceSteadily(readFaceSteadilyOnEveryCore)
{
    ui->setupUi(this);
    statusLine = new StatusLine(this, ui->statusBar, ui->horizontalScrollBar);

    const std::wstring widePath = cascadePath.toStdWString();
    diagnostics() << toUtf8(widePath) << std::endl;
    // A missing or broken cascade leaves the detector empty; detection then finds no faces, and
    // the status bar tells why from the start, and where the file was looked for.
    detector = new FaceDetector(widePath);
    if (!detector->cascade) {
        status(detectorMissingText());
        statusLine->showCascadeMissing(QFileInfo(cascadePath).fileName(), searchedFolders);
    }
    about = addAboutAction(this);

    // The form's menus and tool bar hold only actions that do nothing; the window's own menu bar
    // takes their place.
    ui->menuBar->setVisible(false);
    ui->mainToolBar->setVisible(false);
    menus = buildWindowMenus(this, about);

    welcomeHtml = ui->textBrowser->toHtml();

    // Pictures dropped anywhere on the window open as with Open Picture; the view would take the
    // drops for its scene otherwise.
    setAcceptDrops(true);
    ui->graphicsView->setAcceptDrops(false);
    zoom = new ViewZoom(ui->graphicsView);
    recent = new RecentPictures(settings, menus.recent, this);
    connectMenus();
    buildPictureMenu();
    describeControls(this);
    updatePictureActions();
    new ShortcutPriority(this);
    new WindowPlacement(this, settings, ui->line, ui->horizontalLayout_2);
}

MainWindow::~MainWindow()
{
    delete ui;
    delete detector;
}

void MainWindow::setFileChooser(FileChooser chooser)
{
    chooseFile = chooser ? std::move(chooser) : FileChooser(askForFile);
}

void MainWindow::setSaveFileChooser(FileChooser chooser)
{
    chooseSaveFile = chooser ? std::move(chooser) : FileChooser(askForNewFile);
}

void MainWindow::setFaceFinder(FaceFinder finder)
{
    findFaces = finder ? std::move(finder) : FaceFinder(detectWithCascade);
}

void MainWindow::setFaceReading(FaceReading reading)
{
    readFaceImage = reading ? std::move(reading) : FaceReading(readPreparedFace);
}

void MainWindow::setSteadyReading(SteadyFaceReading reading)
{
    readFaceSteadily =
        reading ? std::move(reading) : SteadyFaceReading(readFaceSteadilyOnEveryCore);
}

QString MainWindow::pageUrl(FacePhase phase)
{
    switch (phase) {
    case FacePhase::WATER: return QStringLiteral("qrc:/html/WATER.html");
    case FacePhase::EARTH: return QStringLiteral("qrc:/html/EARTH.html");
    case FacePhase::GOLD: return QStringLiteral("qrc:/html/GOLD.html");
    case FacePhase::FIRE: return QStringLiteral("qrc:/html/FIRE.html");
    case FacePhase::WOOD: return QStringLiteral("qrc:/html/WOOD.html");
    }
    return QString();
}

void MainWindow::status(const QString& text) { ui->statusBar->showMessage(text); }

// Share: the shown document's HTML source, for pasting into a blog post or a social page.
void MainWindow::on_pushButton_3_clicked()
{
    const QString html = ui->textBrowser->toHtml();
    ui->lineEdit->setText(html);
    // The plain text is the HTML source, for a blog's HTML field; a rich editor takes the same
    // HTML as text/html and pastes the formatted page.
    auto* data = new QMimeData;
    data->setText(html);
    data->setHtml(html);
    QApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
}

// Read Face.
void MainWindow::on_pushButton_2_clicked()
{
    const int index = currentFace();
    if (index < 0 || index >= faces.size())
        return;
    const QImage& face = faces.at(index);

    const QImage prepared = prepareFaceImage(face);
    if (!isColour(prepared)) {
        status(tr("Image should be color. Please load another one"));
        ReadOutcome grey;
        grey.status = ReadOutcome::Status::NotColour;
        statusLine->showFace(index, int(faces.size()), outcomeWords(grey, nullptr));
        statusLine->showSteady(QString());
        return;
    }
    status(tr("Reading is in progress"));

    // Show the face being read at full size; the view keeps its last fit until the next resize.
    readings.erase(index);
    ui->graphicsView->updateSceneRect(scene.sceneRect());
    putFaceInScene(index);

    FaceReadingResult result;
    result.outcome = readFaceImage(prepared, &result.report);
    // Steady reading shows the vote of the face's nearby views; the face as cut is still read
    // above, for its diagnostic trail and the drawn outline.
    if (menus.steadyReading->isChecked() && index < int(boxes.size()))
        result.steady = readFaceSteadily(picture, boxes[std::size_t(index)]);
    const ReadOutcome outcome = result.steady ? steadyAsOutcome(*result.steady) : result.outcome;
    readings[index] = std::move(result);
    if (measurementsShown())
        putFaceInScene(index);
    updateFaceStatus();
    switch (outcome.status) {
    case ReadOutcome::Status::NotColour:
        status(tr("Image should be color. Please load another one"));
        return;
    case ReadOutcome::Status::Failed:
        status(tr("Reading failed"));
        ui->textBrowser->setPlainText(QString::fromLatin1(readingFailedText));
        return;
    case ReadOutcome::Status::Read:
        status(tr("Reading is done"));
        ui->textBrowser->setSource(QUrl(pageUrl(outcome.phase)));
        ui->pushButton_3->setEnabled(true);
        return;
    }
}

// The face selector.
void MainWindow::on_horizontalScrollBar_valueChanged(int value)
{
    // Open Picture sets the range before it refills the list, so an index may belong to the
    // previous picture's list; such an index is not a face.
    if (value < 0 || value >= faces.size())
        return;
    putFaceInScene(value);
    diagnostics() << scene.sceneRect().width() << " " << scene.sceneRect().height() << std::endl;
    zoom->fit();
    ui->graphicsView->show();
    updateFaceStatus();
    updatePictureActions();
}

// Open Picture.
void MainWindow::on_pushButton_clicked()
{
    status(tr(""));
    const QString startFolder = settings.value(currentFolderKey, QString()).toString();
    const QString name = chooseFile(this, tr("Open Image"), startFolder,
                                    tr("Image Files (*.png *.jpg *.jpeg *.bmp)"));
    if (name.isEmpty()) {
        status(tr("No file selected"));
        return;
    }
    loadPicture(name, FolderMemory::WhenChosen);
}

void MainWindow::openPicture(const QString& name) { loadPicture(name, FolderMemory::WhenRead); }

void MainWindow::loadPicture(const QString& name, FolderMemory folderMemory)
{
    // A pipe or device would keep the reader (and the window) waiting for ever. A folder is no
    // such danger; the reader refuses it as any file that is no picture.
    if (existsButIsNotRegularFile(QFile::encodeName(name).toStdString()) &&
        !QFileInfo(name).isDir()) {
        status(tr("%1: not a regular file, not read").arg(QDir::toNativeSeparators(name)));
        return;
    }
    // The folder of a mistyped start picture must not become the next dialog's folder.
    if (folderMemory == FolderMemory::WhenChosen)
        settings.setValue(currentFolderKey, QFileInfo(name).canonicalPath());
    walkFrom = name;

    ui->pushButton_3->setEnabled(false);
    ui->lineEdit->setText(QString());
    ui->pushButton_2->setEnabled(false);
    ui->textBrowser->setHtml(welcomeHtml);
    scene.clear();
    forgetPicture();

    // The faces of the previous picture go when this one has none to show: the selector must not
    // step through faces of a picture that is no longer loaded.
    const QImage loaded(name);
    if (loaded.isNull()) {
        status(tr("Failed to read image"));
        clearFaceList();
        setWindowTitle(tr("Velmora"));
        updatePictureActions();
        return;
    }
    if (folderMemory == FolderMemory::WhenRead)
        settings.setValue(currentFolderKey, QFileInfo(name).canonicalPath());
    recent->add(name);
    setWindowTitle(tr("%1 - Velmora").arg(QFileInfo(name).fileName()));
    picture = reducePicture(loaded);
    pictureName = name;
    const ImageBuffer grey = toGray(loadImageBuffer(picture));
    const std::vector<FaceRect> found = findFaces(grey, *detector);
    const int count = static_cast<int>(found.size());
    if (count == 0) {
        status(detector->cascade ? tr("No faces found") : detectorMissingText());
        clearFaceList();
        // Without a detector no picture has faces, but the picture itself is worth seeing.
        if (!detector->cascade)
            showWholePicture();
        updatePictureActions();
        return;
    }
    boxes = found;

    ui->pushButton_2->setEnabled(true);
    status(tr("%1 faces found").arg(count));

    QScrollBar* selector = ui->horizontalScrollBar;
    if (count > 1) {
        selector->setEnabled(true);
        selector->setMinimum(0);
        selector->setMaximum(count - 1);
        selector->setPageStep(1);
        selector->setSingleStep(1);
        selector->setValue(0);
    } else {
        selector->setEnabled(false);
    }

    faces.clear();
    for (const FaceRect& face : found)
        faces.append(cropFace(picture, face));

    showFace(0);
    updateFaceStatus();
    updatePictureActions();
}

void MainWindow::forgetPicture()
{
    picture = QImage();
    pictureName.clear();
    boxes.clear();
    readings.clear();
    shownFace.reset();
    wholePictureShown = false;
}

void MainWindow::clearFaceList()
{
    faces.clear();
    ui->horizontalScrollBar->setEnabled(false);
    updateFaceStatus();
}

// The face the selector points at, or the only one.
int MainWindow::currentFace() const
{
    return ui->horizontalScrollBar->isEnabled() ? ui->horizontalScrollBar->value() : 0;
}

void MainWindow::updateFaceStatus()
{
    statusLine->showFace(currentFace(), int(faces.size()), readingWordsOf(readings, currentFace()));
    statusLine->showSteady(steadyWordsOf(readings, currentFace()));
}

// What can be done with the picture in view.
void MainWindow::updatePictureActions()
{
    const bool loaded = !picture.isNull();
    for (QAction* action : {menus.wholePicture, menus.saveAnnotated, menus.zoomIn, menus.zoomOut,
                            menus.fit, menus.actualSize})
        action->setEnabled(loaded);
    menus.leaveWholePicture->setEnabled(wholePictureShown && !faces.isEmpty());
    menus.nextPicture->setEnabled(!walkFrom.isEmpty());
    menus.previousPicture->setEnabled(!walkFrom.isEmpty());
}

void MainWindow::showFace(int index)
{
    // The selector's range change above may already have put an earlier face into the scene.
    putFaceInScene(index);
    ui->graphicsView->setScene(&scene);
    zoom->fit();
    diagnostics() << scene.sceneRect().width() << " " << scene.sceneRect().height() << std::endl;
    ui->graphicsView->show();
}

// The face in the scene at the size it was cut, so that the scene's rectangle is the face's. With
// the measurements shown and the face read, the picture is the enlarged drawing, scaled back to
// that size, so that the drawing stays sharp in the view.
void MainWindow::putFaceInScene(int index)
{
    scene.clear();
    wholePictureShown = false;
    shownFace = index;
    const QImage& face = faces.at(index);
    const auto reading = readings.find(index);
    if (!measurementsShown() || reading == readings.end()) {
        pixmap = QPixmap::fromImage(face);
        scene.addPixmap(pixmap);
    } else {
        const FaceReadingResult& read = reading->second;
        const int magnification = faceCutMagnification(face);
        pixmap = QPixmap::fromImage(drawReadFace(face, read, magnification));
        QGraphicsPixmapItem* item = scene.addPixmap(pixmap);
        item->setTransformationMode(Qt::SmoothTransformation);
        item->setScale(1.0 / magnification);
        if (read.report.failure)
            item->setToolTip(QString::fromLatin1(readingFailureSentence(*read.report.failure)));
    }
    scene.setSceneRect(0, 0, face.width(), face.height());
    updatePictureActions();
}

// The menus' actions, wired to the buttons, the selector and the window's own commands. A disabled
// button ignores click(), and the actions follow the buttons' states besides.
void MainWindow::connectMenus()
{
    const auto on = [this](QAction* action, std::function<void()> act) {
        connect(action, &QAction::triggered, this, std::move(act));
    };
    on(menus.openPicture, [this] { ui->pushButton->click(); });
    on(menus.readFace, [this] { ui->pushButton_2->click(); });
    menus.steadyReading->setChecked(settings.value(steadyReadingKey, false).toBool());
    connect(menus.steadyReading, &QAction::toggled, this,
            [this](bool on) { settings.setValue(steadyReadingKey, on); });
    on(menus.share, [this] { ui->pushButton_3->click(); });
    followEnabled(ui->pushButton, menus.openPicture);
    followEnabled(ui->pushButton_2, menus.readFace);
    followEnabled(ui->pushButton_3, menus.share);
    ui->pushButton->setToolTip(
        withShortcut(tr("Open a picture and find its faces"), menus.openPicture->shortcut()));
    ui->pushButton_2->setToolTip(
        withShortcut(tr("Read the face shown"), menus.readFace->shortcut()));
    ui->pushButton_3->setToolTip(
        withShortcut(tr("Copy the result page to the clipboard"), menus.share->shortcut()));

    on(menus.nextPicture, [this] { walkFolder(1); });
    on(menus.previousPicture, [this] { walkFolder(-1); });
    connect(recent, &RecentPictures::chosen, this, [this](const QString& name) {
        status(tr(""));
        openPicture(name);
    });
    on(menus.saveAnnotated, [this] { saveAnnotatedPicture(); });
    on(menus.quit, [this] { close(); });

    menus.showMeasurements->setChecked(settings.value(showMeasurementsKey, false).toBool());
    connect(menus.showMeasurements, &QAction::toggled, this,
            [this](bool shown) { setMeasurementsShown(shown); });
    on(menus.wholePicture, [this] { showWholePicture(); });
    on(menus.leaveWholePicture, [this] { leaveWholePicture(); });
    menus.keepProportions->setChecked(settings.value(keepProportionsKey, false).toBool());
    zoom->setKeepProportions(menus.keepProportions->isChecked());
    connect(menus.keepProportions, &QAction::toggled, this,
            [this](bool keep) { setKeepProportions(keep); });
    on(menus.zoomIn, [this] { zoom->zoomIn(); });
    on(menus.zoomOut, [this] { zoom->zoomOut(); });
    on(menus.fit, [this] { zoom->fit(); });
    on(menus.actualSize, [this] { zoom->actualSize(); });

    for (QAction* step : {menus.nextFace, menus.previousFace, menus.firstFace, menus.lastFace})
        followEnabled(ui->horizontalScrollBar, step);
    on(menus.nextFace, [this] { goToFace(ui->horizontalScrollBar->value() + 1); });
    on(menus.previousFace, [this] { goToFace(ui->horizontalScrollBar->value() - 1); });
    on(menus.firstFace, [this] { goToFace(0); });
    on(menus.lastFace, [this] { goToFace(ui->horizontalScrollBar->maximum()); });

    on(menus.failuresExplained, [this] { showFailureHelp(this); });
}

// The picture view's context menu: the View menu's picture actions and Save, then About.
void MainWindow::buildPictureMenu()
{
    ui->graphicsView->setContextMenuPolicy(Qt::ActionsContextMenu);
    ui->graphicsView->setToolTip(
        tr("Left and Right step through the faces. Right click to show the measurements, the "
           "whole picture, or to save the annotated picture."));
    ui->graphicsView->addActions({menus.showMeasurements, menus.wholePicture, menus.saveAnnotated});
    // The About box comes last, apart from the picture's own actions; F1 belongs to the window.
    auto* separator = new QAction(ui->graphicsView);
    separator->setSeparator(true);
    ui->graphicsView->addAction(separator);
    ui->graphicsView->addAction(about);
}

bool MainWindow::measurementsShown() const
{
    return menus.showMeasurements && menus.showMeasurements->isChecked();
}

void MainWindow::setMeasurementsShown(bool shown)
{
    settings.setValue(showMeasurementsKey, shown);
    if (wholePictureShown)
        showWholePicture();
    else if (shownFace && *shownFace < faces.size())
        putFaceInScene(*shownFace);
}

void MainWindow::setKeepProportions(bool keep)
{
    settings.setValue(keepProportionsKey, keep);
    zoom->setKeepProportions(keep);
}

void MainWindow::goToFace(int index)
{
    if (ui->horizontalScrollBar->isEnabled())
        ui->horizontalScrollBar->setValue(index);
}

// A click on a face's box in the whole picture: that face, as if chosen with the selector.
void MainWindow::selectFace(int index)
{
    QScrollBar* selector = ui->horizontalScrollBar;
    if (selector->isEnabled() && selector->value() != index)
        selector->setValue(index);
    else
        on_horizontalScrollBar_valueChanged(index);
}

QImage MainWindow::annotatedPicture(bool withMeasurements) const
{
    return drawWholePicture(picture, boxes, readings, currentFace(), withMeasurements);
}

// The reduced picture with the numbered boxes, the current face's stronger; a click on a box
// shows that face.
void MainWindow::showWholePicture()
{
    if (picture.isNull())
        return;
    scene.clear();
    pixmap = QPixmap::fromImage(annotatedPicture(measurementsShown()));
    scene.addPixmap(pixmap);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const FaceRect& box = boxes[i];
        const int index = int(i);
        auto* item = new FaceBoxItem(QRectF(box.x, box.y, box.width, box.height), [this, index] {
            QMetaObject::invokeMethod(
                this, [this, index] { selectFace(index); }, Qt::QueuedConnection);
        });
        item->setToolTip(faceWords(index, int(boxes.size()), readingWordsOf(readings, index)));
        scene.addItem(item);
    }
    scene.setSceneRect(0, 0, pixmap.width(), pixmap.height());
    shownFace.reset();
    wholePictureShown = true;
    ui->graphicsView->setScene(&scene);
    zoom->fit();
    updatePictureActions();
}

// Escape: back from the whole picture to the face the selector points at.
void MainWindow::leaveWholePicture()
{
    if (wholePictureShown && !faces.isEmpty())
        selectFace(currentFace());
}

void MainWindow::walkFolder(int step)
{
    if (walkFrom.isEmpty())
        return;
    const QString neighbour = neighbourPicture(walkFrom, step);
    if (neighbour.isEmpty()) {
        status(step > 0 ? tr("This is the last picture in the folder")
                        : tr("This is the first picture in the folder"));
        return;
    }
    status(tr(""));
    openPicture(neighbour);
}

void MainWindow::saveAnnotatedPicture()
{
    if (picture.isNull())
        return;
    const QFileInfo opened(pictureName);
    const QString suggested = opened.dir().filePath(opened.completeBaseName() + "-annotated.png");
    QString name =
        chooseSaveFile(this, tr("Save Annotated Picture"), suggested, tr("PNG Images (*.png)"));
    if (name.isEmpty())
        return;
    if (QFileInfo(name).suffix().compare(QLatin1String("png"), Qt::CaseInsensitive) != 0)
        name += QStringLiteral(".png");
    const QString target = QFileInfo(name).canonicalFilePath();
    if (!target.isEmpty() && target == opened.canonicalFilePath()) {
        status(tr("The opened picture is never overwritten; choose another name"));
        return;
    }
    const QString error = writePng(annotatedPicture(true), name);
    if (error.isEmpty())
        status(tr("Annotated picture saved as %1").arg(QDir::toNativeSeparators(name)));
    else
        status(tr("Cannot save %1: %2").arg(QDir::toNativeSeparators(name), error));
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!draggedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

// One dropped file opens as with Open Picture. Several are refused rather than guessed at: the
// order in which a file manager lists them says nothing about which one was meant.
void MainWindow::dropEvent(QDropEvent* event)
{
    const QStringList files = draggedFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    if (files.size() > 1) {
        status(tr("Please drop one picture at a time"));
        return;
    }
    if (QFileInfo(files.first()).isDir()) {
        status(tr("A folder is not a picture: please drop a picture file"));
        return;
    }
    status(tr(""));
    openPicture(files.first());
}

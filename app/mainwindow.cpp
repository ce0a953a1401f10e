#include "app/mainwindow.h"

#include "ui_mainwindow.h"

#include "app/about_box.h"
#include "app/face_box_item.h"
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
#include <QMimeData>
#include <QShortcut>
#include <QUrl>

#include <algorithm>
#include <ostream>
#include <thread>

namespace {

const char currentFolderKey[] = "CurrDir";
const char showMeasurementsKey[] = "ShowMeasurements";

// Shown as plain text, so the run of blanks stays as it is.
const char readingFailedText[] =
    "Face could not be read. Please try a different image - maybe this one has bad lighting or "
    "blured              or not frontal or partially eclipsed";

QString askForFile(QWidget* parent, const QString& caption, const QString& folder,
                   const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
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
    : MainWindow(findCascade(QCoreApplication::applicationDirPath()), parent)
{
}

MainWindow::MainWindow(const QString& cascadePath, QWidget* parent)
    : QMainWindow(parent, Qt::WindowFlags()), ui(new Ui::MainWindow), chooseFile(askForFile),
      chooseSaveFile(askForNewFile), findFaces(detectWithCascade), readFaceImage(readPreparedFace)
{
    ui->setupUi(this);

    const std::wstring widePath = cascadePath.toStdWString();
    diagnostics() << toUtf8(widePath) << std::endl;
    // A missing or broken cascade leaves the detector empty; detection then finds no faces, and
    // the status bar tells why from the start.
    detector = new FaceDetector(widePath);
    if (!detector->cascade)
        status(detectorMissingText());
    about = addAboutAction(this);

    // The menus and the tool bar hold only actions that do nothing yet.
    ui->menuBar->setVisible(false);
    ui->mainToolBar->setVisible(false);

    welcomeHtml = ui->textBrowser->toHtml();

    // Pictures dropped anywhere on the window open as with Open Picture; the view would take the
    // drops for its scene otherwise.
    setAcceptDrops(true);
    ui->graphicsView->setAcceptDrops(false);
    addShortcuts();
    buildPictureMenu();
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
    QApplication::clipboard()->setText(html, QClipboard::Clipboard);
}

// Read Face.
void MainWindow::on_pushButton_2_clicked()
{
    const int index = ui->horizontalScrollBar->isEnabled() ? ui->horizontalScrollBar->value() : 0;
    if (index < 0 || index >= faces.size())
        return;
    const QImage& face = faces.at(index);

    const QImage prepared = prepareFaceImage(face);
    if (!isColour(prepared)) {
        status(tr("Image should be color. Please load another one"));
        return;
    }
    status(tr("Reading is in progress"));

    // Show the face being read at full size; the view keeps its last fit until the next resize.
    readings.erase(index);
    ui->graphicsView->updateSceneRect(scene.sceneRect());
    putFaceInScene(index);

    FaceReadingResult result;
    result.outcome = readFaceImage(prepared, &result.report);
    const ReadOutcome outcome = result.outcome;
    readings[index] = std::move(result);
    if (measurementsShown())
        putFaceInScene(index);
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
    ui->graphicsView->fitInView(scene.sceneRect(), Qt::IgnoreAspectRatio);
    ui->graphicsView->show();
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
    openPicture(name);
}

void MainWindow::openPicture(const QString& name)
{
    // A pipe or device would keep the reader (and the window) waiting for ever. A folder is no
    // such danger; the reader refuses it as any file that is no picture.
    if (existsButIsNotRegularFile(QFile::encodeName(name).toStdString()) &&
        !QFileInfo(name).isDir()) {
        status(tr("%1: not a regular file, not read").arg(QDir::toNativeSeparators(name)));
        return;
    }
    settings.setValue(currentFolderKey, QFileInfo(name).canonicalPath());

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
        return;
    }
    picture = reducePicture(loaded);
    pictureName = name;
    wholePictureAction->setEnabled(true);
    saveAnnotatedAction->setEnabled(true);
    const ImageBuffer grey = toGray(loadImageBuffer(picture));
    const std::vector<FaceRect> found = findFaces(grey, *detector);
    const int count = static_cast<int>(found.size());
    if (count == 0) {
        status(detector->cascade ? tr("No faces found") : detectorMissingText());
        clearFaceList();
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
}

void MainWindow::forgetPicture()
{
    picture = QImage();
    pictureName.clear();
    boxes.clear();
    readings.clear();
    shownFace.reset();
    wholePictureShown = false;
    wholePictureAction->setEnabled(false);
    saveAnnotatedAction->setEnabled(false);
}

void MainWindow::clearFaceList()
{
    faces.clear();
    ui->horizontalScrollBar->setEnabled(false);
}

void MainWindow::showFace(int index)
{
    // The selector's range change above may already have put an earlier face into the scene.
    putFaceInScene(index);
    ui->graphicsView->setScene(&scene);
    ui->graphicsView->fitInView(scene.sceneRect(), Qt::IgnoreAspectRatio);
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
        pixmap =
            QPixmap::fromImage(annotateFaceCut(face, read.outcome, read.report, magnification));
        QGraphicsPixmapItem* item = scene.addPixmap(pixmap);
        item->setTransformationMode(Qt::SmoothTransformation);
        item->setScale(1.0 / magnification);
        if (read.report.failure)
            item->setToolTip(QString::fromLatin1(readingFailureSentence(*read.report.failure)));
    }
    scene.setSceneRect(0, 0, face.width(), face.height());
}

void MainWindow::addShortcuts()
{
    const auto add = [this](const QKeySequence& keys, std::function<void()> act) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, std::move(act));
    };
    // A disabled button ignores click(), so the shortcuts follow the buttons' states.
    const QKeySequence open(tr("Ctrl+O")), read(tr("Ctrl+R")), share(tr("Ctrl+Shift+C"));
    add(open, [this] { ui->pushButton->click(); });
    add(read, [this] { ui->pushButton_2->click(); });
    add(share, [this] { ui->pushButton_3->click(); });
    for (const QKeySequence& back : {QKeySequence(Qt::Key_Left), QKeySequence(Qt::Key_PageUp)})
        add(back, [this] { stepFace(-1); });
    for (const QKeySequence& next : {QKeySequence(Qt::Key_Right), QKeySequence(Qt::Key_PageDown)})
        add(next, [this] { stepFace(1); });

    ui->pushButton->setToolTip(withShortcut(tr("Open a picture and find its faces"), open));
    ui->pushButton_2->setToolTip(withShortcut(tr("Read the face shown"), read));
    ui->pushButton_3->setToolTip(withShortcut(tr("Copy the result page to the clipboard"), share));
}

QAction* MainWindow::addPictureAction(const QString& text, const QKeySequence& keys,
                                      const char* name)
{
    auto* action = new QAction(text, ui->graphicsView);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(keys);
    ui->graphicsView->addAction(action);
    return action;
}

// The picture view's context menu: its actions, in menu order. Their shortcuts work in the whole
// window.
void MainWindow::buildPictureMenu()
{
    ui->graphicsView->setContextMenuPolicy(Qt::ActionsContextMenu);
    ui->graphicsView->setToolTip(
        tr("Left and Right step through the faces. Right click to show the measurements, the "
           "whole picture, or to save the annotated picture."));

    showMeasurementsAction =
        addPictureAction(tr("Show measurements"), QKeySequence(tr("Ctrl+M")), "actionMeasurements");
    showMeasurementsAction->setCheckable(true);
    showMeasurementsAction->setChecked(settings.value(showMeasurementsKey, false).toBool());
    connect(showMeasurementsAction, &QAction::toggled, this,
            [this](bool shown) { setMeasurementsShown(shown); });

    wholePictureAction = addPictureAction(tr("Show whole picture"), QKeySequence(tr("Ctrl+E")),
                                          "actionWholePicture");
    connect(wholePictureAction, &QAction::triggered, this, [this] { showWholePicture(); });

    saveAnnotatedAction = addPictureAction(tr("Save annotated picture..."),
                                           QKeySequence(tr("Ctrl+S")), "actionSaveAnnotated");
    connect(saveAnnotatedAction, &QAction::triggered, this, [this] { saveAnnotatedPicture(); });

    wholePictureAction->setEnabled(false);
    saveAnnotatedAction->setEnabled(false);

    // The About box comes last, apart from the picture's own actions; F1 belongs to the window.
    auto* separator = new QAction(ui->graphicsView);
    separator->setSeparator(true);
    ui->graphicsView->addAction(separator);
    ui->graphicsView->addAction(about);
}

bool MainWindow::measurementsShown() const
{
    return showMeasurementsAction && showMeasurementsAction->isChecked();
}

void MainWindow::setMeasurementsShown(bool shown)
{
    settings.setValue(showMeasurementsKey, shown);
    if (wholePictureShown)
        showWholePicture();
    else if (shownFace && *shownFace < faces.size())
        putFaceInScene(*shownFace);
}

void MainWindow::stepFace(int step)
{
    QScrollBar* selector = ui->horizontalScrollBar;
    if (selector->isEnabled())
        selector->setValue(selector->value() + step);
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
    std::vector<FaceAnnotation> drawn;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        FaceAnnotation face{boxes[i], int(i), std::nullopt, std::nullopt};
        const auto reading = readings.find(int(i));
        if (withMeasurements && reading != readings.end()) {
            face.outcome = reading->second.outcome;
            face.report = reading->second.report;
        }
        drawn.push_back(face);
    }
    const int current = ui->horizontalScrollBar->isEnabled() ? ui->horizontalScrollBar->value() : 0;
    return annotatePicture(picture, drawn,
                           boxes.empty() ? std::nullopt : std::optional<int>(current));
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
        item->setToolTip(tr("Face %1").arg(index));
        scene.addItem(item);
    }
    scene.setSceneRect(0, 0, pixmap.width(), pixmap.height());
    shownFace.reset();
    wholePictureShown = true;
    ui->graphicsView->setScene(&scene);
    ui->graphicsView->fitInView(scene.sceneRect(), Qt::IgnoreAspectRatio);
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

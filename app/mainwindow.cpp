#include "app/mainwindow.h"

#include "ui_mainwindow.h"

#include "app/about_box.h"

#include "detect/detect_faces.h"
#include "reading/prepare_face.h"
#include "vision/cascade_location.h"
#include "vision/diagnostics.h"
#include "vision/picture.h"
#include "vision/qimage_buffer.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>

#include <ostream>

namespace {

const char currentFolderKey[] = "CurrDir";

// Shown as plain text, so the run of blanks stays as it is.
const char readingFailedText[] =
    "Face could not be read. Please try a different image - maybe this one has bad lighting or "
    "blured              or not frontal or partially eclipsed";

QString askForFile(QWidget* parent, const QString& caption, const QString& folder,
                   const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

std::vector<FaceRect> detectWithCascade(const ImageBuffer& grey, FaceDetector& detector)
{
    return detectFaces(grey, detector);
}

ReadOutcome readPreparedFace(const QImage& prepared) { return readFace(prepared); }

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
      findFaces(detectWithCascade), readFaceImage(readPreparedFace)
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
    scene.clear();
    ui->graphicsView->updateSceneRect(scene.sceneRect());
    pixmap = QPixmap::fromImage(face);
    scene.addPixmap(pixmap);
    scene.setSceneRect(0, 0, pixmap.width(), pixmap.height());

    const ReadOutcome outcome = readFaceImage(prepared);
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
    scene.clear();
    pixmap = QPixmap::fromImage(faces.at(value));
    scene.addPixmap(pixmap);
    scene.setSceneRect(0, 0, pixmap.width(), pixmap.height());
    diagnostics() << scene.sceneRect().width() << " " << scene.sceneRect().height() << std::endl;
    ui->graphicsView->fitInView(scene.sceneRect(), Qt::IgnoreAspectRatio);
    ui->graphicsView->show();
}

// Open Picture.
void MainWindow::on_pushButton_clicked()
{
    status(tr(""));
    const QString startFolder = settings.value(currentFolderKey, QString()).toString();
    const QString name =
        chooseFile(this, tr("Open Image"), startFolder, tr("Image Files (*.png *.jpg *.bmp)"));
    if (name.isEmpty()) {
        status(tr("No file selected"));
        return;
    }
    settings.setValue(currentFolderKey, QFileInfo(name).canonicalPath());

    ui->pushButton_3->setEnabled(false);
    ui->lineEdit->setText(QString());
    ui->pushButton_2->setEnabled(false);
    ui->textBrowser->setHtml(welcomeHtml);
    scene.clear();

    const QImage loaded(name);
    if (loaded.isNull()) {
        status(tr("Failed to read image"));
        return;
    }
    const QImage picture = reducePicture(loaded);
    const ImageBuffer grey = toGray(loadImageBuffer(picture));
    const std::vector<FaceRect> found = findFaces(grey, *detector);
    const int count = static_cast<int>(found.size());
    if (count == 0) {
        status(detector->cascade ? tr("No faces found") : detectorMissingText());
        return;
    }

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

void MainWindow::showFace(int index)
{
    // The selector's range change above may already have put an earlier face into the scene.
    scene.clear();
    pixmap = QPixmap::fromImage(faces.at(index));
    scene.addPixmap(pixmap);
    scene.setSceneRect(0, 0, pixmap.width(), pixmap.height());
    ui->graphicsView->setScene(&scene);
    ui->graphicsView->fitInView(scene.sceneRect(), Qt::IgnoreAspectRatio);
    diagnostics() << scene.sceneRect().width() << " " << scene.sceneRect().height() << std::endl;
    ui->graphicsView->show();
}

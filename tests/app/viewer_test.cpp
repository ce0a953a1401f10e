// The habits of an image viewer: recent pictures, the next and previous picture of the folder,
// zoom and fit with or without the proportions, the window's place, and the formats the open
// dialog offers.

#include "app_test_support.h"

#include "vision/picture_list.h"

#include <QAction>
#include <QBoxLayout>
#include <QFileDialog>
#include <QImageReader>
#include <QMenu>
#include <QTimer>
#include <QWheelEvent>

namespace {

QAction* action(WindowUnderTest& w, const char* name)
{
    return w.window->findChild<QAction*>(QLatin1String(name));
}

// The recent entries as the menu shows them when it opens.
QStringList recentEntries(WindowUnderTest& w)
{
    auto* menu = w.child<QMenu>("menuRecent");
    emit menu->aboutToShow();
    QStringList texts;
    for (QAction* a : menu->actions().mid(0, 10))
        if (a->isVisible())
            texts << a->text();
    return texts;
}

}  // namespace

class ViewerTest : public QObject {
    Q_OBJECT

    QTemporaryDir settingsDir;

private slots:
    void initTestCase()
    {
        QVERIFY(settingsDir.isValid());
        isolateSettings(settingsDir);
    }
    void init() { QSettings().clear(); }

    void recentPicturesNewestFirstAtMostTenAndOnlyThoseStillThere()
    {
        QTemporaryDir dir;
        const auto path = [&dir](int i) { return dir.filePath(QString("p%1.png").arg(i)); };
        for (int i = 1; i <= 12; ++i)
            QVERIFY(QImage(20, 20, QImage::Format_RGB32).save(path(i)));
        {
            WindowUnderTest w;
            QVERIFY(!w.child<QMenu>("menuRecent")->menuAction()->isEnabled());
            for (int i : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 5, 10})
                w.openPicture(path(i));
            w.openPicture(dir.filePath("missing.png"));  // never read: not listed
            QCOMPARE(
                recentEntries(w),
                (QStringList{"&1 p10.png", "&2 p5.png", "&3 p12.png", "&4 p11.png", "&5 p9.png",
                             "&6 p8.png", "&7 p7.png", "&8 p6.png", "&9 p4.png", "1&0 p3.png"}));
        }
        // Kept for the next start; a picture that has gone leaves the list.
        QVERIFY(QFile::remove(path(12)));
        WindowUnderTest w;
        QCOMPARE(recentEntries(w).mid(1, 2), (QStringList{"&2 p5.png", "&3 p11.png"}));
        QCOMPARE(QSettings().value("RecentPictures").toStringList().size(), 9);
        w.child<QMenu>("menuRecent")->actions().at(1)->trigger();
        QCOMPARE(w.window->windowTitle(), QString("p5.png - Velmora"));
        QCOMPARE(recentEntries(w).first(), QString("&1 p5.png"));
        action(w, "actionClearRecent")->trigger();
        QCOMPARE(recentEntries(w), QStringList());
        QVERIFY(!w.child<QMenu>("menuRecent")->menuAction()->isEnabled());
    }

    // The folder as velmora-cli takes it: its pictures by extension, in the byte order of their
    // names, whatever else lies there.
    void nextAndPreviousPictureWalkTheFolderAsVelmoraCliListsIt()
    {
        QTemporaryDir dir;
        for (const char* name : {"a.png", "B.jpg", "d.PNG", "e.bmp", "g.gif", "h.jpeg"})
            QVERIFY(rowCodedPicture(40, 30).save(dir.filePath(name), "PNG"));
        for (const char* name : {"c.txt", "f.png"}) {  // f.png is named like a picture, but is none
            QFile text(dir.filePath(name));
            QVERIFY(text.open(QIODevice::WriteOnly) && text.write("text") == 4);
        }
        QVERIFY(QDir(dir.path()).mkdir("folder.png"));
        QStringList listed;
        for (const std::string& path : entryPaths(listPictures({dir.path().toStdString()}, false)))
            listed << QFileInfo(QString::fromStdString(path)).fileName();
        QCOMPARE(listed, (QStringList{"B.jpg", "a.png", "d.PNG", "e.bmp", "f.png", "h.jpeg"}));

        WindowUnderTest w;
        w.window->setFaceFinder([](const ImageBuffer&, FaceDetector&) {
            return std::vector<FaceRect>{FaceRect{5, 5, 20, 20, 2}};
        });
        QVERIFY(!action(w, "actionNextPicture")->isEnabled());
        const auto step = [&w](const char* name) {
            action(w, name)->trigger();
            return w.window->windowTitle().section(" - ", 0, 0) + ": " + w.status();
        };
        w.openPicture(dir.filePath("B.jpg"));
        QStringList walked;
        for (int i = 0; i < 6; ++i)
            walked << step("actionNextPicture");
        QCOMPARE(walked, (QStringList{"a.png: 1 faces found", "d.PNG: 1 faces found",
                                      "e.bmp: 1 faces found", "Velmora: Failed to read image",
                                      "h.jpeg: 1 faces found",
                                      "h.jpeg: This is the last picture in the folder"}));
        // Back past the unreadable one; from a picture outside the list, on from its name.
        QCOMPARE(step("actionPreviousPicture"), QString("Velmora: Failed to read image"));
        QCOMPARE(step("actionPreviousPicture"), QString("e.bmp: 1 faces found"));
        w.openPicture(dir.filePath("g.gif"));
        QCOMPARE(step("actionNextPicture"), QString("h.jpeg: 1 faces found"));
        w.openPicture(dir.filePath("B.jpg"));
        QCOMPARE(step("actionPreviousPicture"),
                 QString("B.jpg: This is the first picture in the folder"));
    }

    void zoomAndFitWithOrWithoutTheProportions()
    {
        const QString path = QDir(settingsDir.path()).filePath("coded.png");
        QVERIFY(rowCodedPicture(400, 300).save(path));
        WindowUnderTest w;
        w.window->resize(700, 500);
        w.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        w.openWithFaces(path, {FaceRect{10, 100, 60, 60, 2}, FaceRect{150, 100, 60, 60, 2}});
        const auto scale = [&w] { return w.view->transform().m11(); };
        const auto proportional = [&w] {
            const QRect mapped = w.view->mapFromScene(w.view->sceneRect()).boundingRect();
            return qFuzzyCompare(w.view->transform().m11(), w.view->transform().m22()) &&
                   w.view->viewport()->rect().adjusted(-2, -2, 2, 2).contains(mapped);
        };
        QVERIFY(!proportional());  // stretched, as ever
        action(w, "actionKeepProportions")->trigger();
        QVERIFY(proportional());
        w.window->resize(800, 450);
        QVERIFY(proportional());

        action(w, "actionActualSize")->trigger();
        QCOMPARE(scale(), 1.0);
        for (const char* zoom : {"actionZoomIn", "actionZoomIn", "actionZoomOut"})
            action(w, zoom)->trigger();
        QCOMPARE(w.view->transform(), QTransform::fromScale(1.25, 1.25));
        w.window->resize(760, 520);
        QCOMPARE(w.view->transform(), QTransform::fromScale(1.25, 1.25));
        // Ctrl with the wheel zooms too; the wheel alone does not.
        const QPointF at = w.view->viewport()->rect().center();
        for (Qt::KeyboardModifiers keys : {Qt::ControlModifier, Qt::NoModifier}) {
            QWheelEvent wheel(at, w.view->viewport()->mapToGlobal(at), {}, QPoint(0, 120),
                              Qt::NoButton, keys, Qt::NoScrollPhase, false);
            QApplication::sendEvent(w.view->viewport(), &wheel);
        }
        QCOMPARE(scale(), 1.25 * 1.25);

        // Fit, or another face, goes back to the fit mode; the whole picture zooms as well.
        action(w, "actionFit")->trigger();
        QVERIFY(proportional());
        action(w, "actionZoomIn")->trigger();
        w.selector->setValue(1);
        QVERIFY(proportional());
        action(w, "actionWholePicture")->trigger();
        action(w, "actionActualSize")->trigger();
        QCOMPARE(w.view->mapFromScene(QRectF(0, 0, 400, 300)).boundingRect().width(), 401);

        // Remembered; off again, the stretched fit comes back.
        WindowUnderTest again;
        QVERIFY(action(again, "actionKeepProportions")->isChecked());
        action(w, "actionKeepProportions")->trigger();
        QVERIFY(!proportional());
        QCOMPARE(QSettings().value("KeepProportions").toBool(), false);
    }

    void sizePositionAndDividerAreRememberedWhenTheWindowCloses()
    {
        {
            WindowUnderTest w;
            w.window->show();
            QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
            w.window->resize(720, 480);
            // The divider between the columns dragged to a quarter of the width.
            QWidget* divider = w.child<QWidget>("line");
            auto* columns = w.window->findChild<QBoxLayout*>("horizontalLayout_2");
            const QRect area = columns->contentsRect();
            const QPoint quarter =
                divider->mapFromParent(QPoint(area.left() + area.width() / 4, divider->y()));
            QTest::mousePress(divider, Qt::LeftButton, {}, QPoint(1, 5));
            QTest::mouseMove(divider, quarter);
            QTest::mouseRelease(divider, Qt::LeftButton, {}, quarter);
            QCOMPARE(columns->stretch(0) + columns->stretch(2), 1000);
            QVERIFY2(qAbs(columns->stretch(0) - 250) < 30,
                     qPrintable(QString::number(columns->stretch(0))));
            QTRY_VERIFY(w.view->width() < w.browser->width());
            w.window->close();
        }
        WindowUnderTest w;
        QCOMPARE(w.window->size(), QSize(720, 480));
        QVERIFY(qAbs(w.window->findChild<QBoxLayout*>("horizontalLayout_2")->stretch(0) - 250) <
                30);
    }

    void theOpenDialogOffersEveryReadableFormatTheUsualOnesFirst()
    {
        WindowUnderTest w;
        w.window->setFileChooser(nullptr);  // the real dialog
        QStringList filters;
        QTimer::singleShot(0, [&filters] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                filters = dialog->nameFilters();
                dialog->reject();
            }
        });
        w.open->click();
        QCOMPARE(w.status(), QString("No file selected"));
        QVERIFY(filters.size() >= 3);
        QVERIFY2(filters.first().startsWith("Image files (*.png *.jpg *.jpeg *.bmp "),
                 qPrintable(filters.first()));
        QCOMPARE(filters.last(), QString("All files (*)"));
        for (const QByteArray& format : QImageReader::supportedImageFormats())
            QVERIFY2(filters.first().contains("*." + format), format.constData());
    }
};

QTEST_MAIN(ViewerTest)
#include "viewer_test.moc"

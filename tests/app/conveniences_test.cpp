// The window's everyday conveniences: the picture's context menu (Show measurements, Show whole
// picture, Save annotated picture), dropped files, a picture named on the command line, and the
// keyboard shortcuts.

#include "app_test_support.h"

#include "app/start_picture.h"
#include "reading/reading_failure.h"
#include "tests/bad_paths.h"
#include "tests/watchdog.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QImageReader>
#include <QMimeData>

namespace {

// A drag of the given URLs, entered and then dropped on a widget (Qt hands a drag that a widget
// does not take on to its parents). Whether the drag was accepted is returned.
bool dropOn(QWidget* widget, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = widget->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &drop);
    return true;
}

QList<QUrl> files(const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    return urls;
}

QAction* action(WindowUnderTest& w, const char* name)
{
    QAction* found = w.window->findChild<QAction*>(QLatin1String(name));
    if (!found)
        qFatal("action %s missing", name);
    return found;
}

}  // namespace

class ConveniencesTest : public QObject {
    Q_OBJECT

    QTemporaryDir settingsDir;
    QTemporaryDir folder;

    static void showActive(WindowUnderTest& w)
    {
        w.window->show();
        w.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(settingsDir.isValid());
        QVERIFY(folder.isValid());
        isolateSettings(settingsDir);
    }
    void init() { QSettings().clear(); }

    void thePicturesContextMenuOffersItsActions()
    {
        WindowUnderTest w;
        QCOMPARE(w.view->contextMenuPolicy(), Qt::ActionsContextMenu);
        const auto menuTexts = [&w] {
            QStringList texts;
            for (QAction* a : w.view->actions())
                texts << a->text();
            return texts;
        };
        const QStringList menu{"Show measurements", "Show whole picture",
                               "Save annotated picture...", "", "About Velmora"};
        QCOMPARE(menuTexts(), menu);
        QCOMPARE(w.view->actions().last(), w.window->aboutAction());
        QVERIFY(w.view->toolTip().contains("Right click"));
        // Nothing to show or save before a picture is open; measurements are off at first.
        QVERIFY(!action(w, "actionWholePicture")->isEnabled());
        QVERIFY(!action(w, "actionSaveAnnotated")->isEnabled());
        QVERIFY(action(w, "actionMeasurements")->isCheckable());
        QVERIFY(!action(w, "actionMeasurements")->isChecked());
        w.openPicture(testPhoto("coffee.png"));
        QVERIFY(action(w, "actionWholePicture")->isEnabled());
        w.openPicture(folder.filePath("missing.png"));
        QVERIFY(!action(w, "actionSaveAnnotated")->isEnabled());
        // Opening pictures leaves the menu as it was.
        QCOMPARE(menuTexts(), menu);
        // The actions are connected without new slots: the window still has its four.
        QCOMPARE(MainWindow::staticMetaObject.methodCount() -
                     MainWindow::staticMetaObject.methodOffset(),
                 4);
    }

    void showMeasurementsIsRememberedBesideTheFolder()
    {
        {
            WindowUnderTest w;
            action(w, "actionMeasurements")->trigger();
            QCOMPARE(QSettings().value("ShowMeasurements").toBool(), true);
        }
        WindowUnderTest again;
        QVERIFY(action(again, "actionMeasurements")->isChecked());
        action(again, "actionMeasurements")->trigger();
        QCOMPARE(QSettings("Marrowby software", "Velmora 1.0").value("ShowMeasurements"),
                 QVariant(false));
    }

    void aReadFaceCarriesTheDrawingWhenMeasurementsAreShown()
    {
        WindowUnderTest w;
        w.openPicture(testPhoto("astronaut.png"));
        action(w, "actionMeasurements")->setChecked(true);
        w.read->click();
        // The texts stay as they are; the view shows the face drawn at five times its size and
        // scaled back, so the scene keeps the face's rectangle.
        QCOMPARE(w.status(), QString("Reading failed"));
        QVERIFY(w.browser->toPlainText().startsWith("Face could not be read."));
        const QSizeF face = w.view->scene()->sceneRect().size();
        QCOMPARE(face, QSizeF(97, 146));
        const QImage drawn = w.shown();
        QCOMPARE(drawn.size(), QSize(97 * 5, 146 * 5));
        auto* item = qgraphicsitem_cast<QGraphicsPixmapItem*>(w.view->scene()->items().first());
        QCOMPARE(item->scale(), 1.0 / 5);
        QCOMPARE(item->toolTip(), QString(readingFailureSentence(ReadingFailure::NoLeftSideEdge)));

        // Switched off, the plain face comes back; switched on, the drawing again.
        action(w, "actionMeasurements")->setChecked(false);
        QCOMPARE(w.shown().size(), QSize(97, 146));
        action(w, "actionMeasurements")->setChecked(true);
        QCOMPARE(w.shown(), drawn);

        // A new picture has no readings yet: its face is shown plain.
        w.openPicture(testPhoto("grace_hopper.jpg"));
        QCOMPARE(w.shown().size(), QSize(212, 318));
    }

    void theWholePictureShowsTheBoxesAndAClickChoosesAFace()
    {
        const QString path = folder.filePath("coded.png");
        QVERIFY(rowCodedPicture(400, 300).save(path));
        WindowUnderTest w;
        w.window->resize(600, 500);
        w.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        w.openWithFaces(path, {FaceRect{10, 100, 60, 60, 2}, FaceRect{150, 100, 60, 60, 2},
                               FaceRect{300, 100, 60, 60, 2}});
        w.selector->setValue(1);

        action(w, "actionWholePicture")->trigger();
        QCOMPARE(w.shown().size(), QSize(400, 300));
        QCOMPARE(w.view->scene()->sceneRect(), QRectF(0, 0, 400, 300));
        // The current face's box is the orange one.
        const QRgb current = w.shown().pixel(150, 130), other = w.shown().pixel(10, 130);
        QVERIFY(qRed(current) > 200 && qGreen(current) < 200 && qBlue(current) < 100);
        QVERIFY(qRed(other) > 200 && qGreen(other) > 200 && qBlue(other) > 200);

        QTest::mouseClick(w.view->viewport(), Qt::LeftButton, {},
                          w.view->mapFromScene(QPointF(330, 130)));
        QCoreApplication::processEvents();
        QCOMPARE(w.selector->value(), 2);
        QCOMPARE(w.shown().size(), QSize(60, 90));
        QCOMPARE(qBlue(w.shown().pixel(0, 0)), 300 % 256);

        // With a single face the selector is off; its box shows that face all the same.
        w.openWithFaces(path, {FaceRect{150, 100, 60, 60, 2}});
        action(w, "actionWholePicture")->trigger();
        QTest::mouseClick(w.view->viewport(), Qt::LeftButton, {},
                          w.view->mapFromScene(QPointF(180, 130)));
        QCoreApplication::processEvents();
        QCOMPARE(w.shown().size(), QSize(60, 90));
    }

    void saveAnnotatedPictureWritesAPngAndNeverOverTheOpenedPicture()
    {
        const QString opened = folder.filePath("people.png");
        QVERIFY(QFile::copy(testPhoto("two_people.jpg"), folder.filePath("people.jpg")));
        QVERIFY(QImage(folder.filePath("people.jpg")).save(opened));
        const QByteArray before = [&] {
            QFile f(opened);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();

        WindowUnderTest w;
        w.openPicture(opened);
        QCOMPARE(w.status(), QString("2 faces found"));
        w.read->click();
        QStringList asked;
        QString answer = folder.filePath("drawn");
        w.window->setSaveFileChooser(
            [&](QWidget*, const QString& caption, const QString& suggested, const QString& filter) {
                asked << caption << suggested << filter;
                return answer;
            });
        action(w, "actionSaveAnnotated")->trigger();
        QCOMPARE(asked,
                 (QStringList{"Save Annotated Picture", folder.filePath("people-annotated.png"),
                              "PNG Images (*.png)"}));
        QImageReader reader(folder.filePath("drawn.png"));
        QCOMPARE(reader.format(), QByteArray("png"));
        QCOMPARE(reader.size(), QSize(1000, 586));
        QVERIFY(w.status().startsWith("Annotated picture saved as "));

        answer = opened;
        action(w, "actionSaveAnnotated")->trigger();
        QVERIFY(w.status().contains("never overwritten"));
        QFile after(opened);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), before);

        answer = folder.filePath("no/such/folder/x.png");
        action(w, "actionSaveAnnotated")->trigger();
        QVERIFY(w.status().startsWith("Cannot save "));
    }

    void oneDroppedPictureOpensAsWithOpenPicture()
    {
        WindowUnderTest w;
        w.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        QVERIFY(dropOn(w.window.get(), files({testPhoto("two_people.jpg")})));
        QCOMPARE(w.status(), QString("2 faces found"));
        QVERIFY(w.read->isEnabled());
        QVERIFY(w.selector->isEnabled());
        QCOMPARE(QSettings().value("CurrDir").toString(),
                 QFileInfo(testPhoto("two_people.jpg")).canonicalPath());

        // Dropped on the picture, the result page or the share line, it reaches the window too.
        for (QWidget* target :
             {w.view->viewport(), w.browser->viewport(), static_cast<QWidget*>(w.lineEdit)}) {
            w.openPicture(testPhoto("coffee.png"));
            QVERIFY(dropOn(target, files({testPhoto("astronaut.png")})));
            QCOMPARE(w.status(), QString("1 faces found"));
        }
    }

    void droppedThingsThatAreNotOnePicture_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("opened");
        const QString text = folder.filePath("notes.png");
        QFile file(text);
        file.open(QIODevice::WriteOnly);
        file.write("not a picture");
        QTest::newRow("several pictures")
            << QStringList{testPhoto("astronaut.png"), testPhoto("coffee.png")}
            << "Please drop one picture at a time" << false;
        QTest::newRow("a folder") << QStringList{folder.path()}
                                  << "A folder is not a picture: please drop a picture file"
                                  << false;
        QTest::newRow("a file that is no picture")
            << QStringList{text} << "Failed to read image" << true;
    }
    void droppedThingsThatAreNotOnePicture()
    {
        QFETCH(QStringList, paths);
        QFETCH(QString, status);
        QFETCH(bool, opened);
        WindowUnderTest w;
        w.openPicture(testPhoto("two_people.jpg"));
        QVERIFY(dropOn(w.window.get(), files(paths)));
        QCOMPARE(w.status(), status);
        // A refused drop leaves the open picture as it was; an opened one replaces it.
        QCOMPARE(w.read->isEnabled(), !opened);
        QCOMPARE(w.selector->isEnabled(), !opened);
    }

    // A pipe or a device, dropped, named at start or chosen, would keep the picture reader and
    // the whole window waiting; it is refused at once and the open picture stays.
    void picturesThatAreNoRegularFilesAreRefusedAtOnce_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("path");
        const std::vector<BadPath> kinds =
            badPaths(QFile::encodeName(folder.path()).toStdString(), 1);
        for (const QString how : {"dropped", "started with", "chosen"})
            for (const BadPath& kind : {kinds[0], kinds[1], kinds[2]})
                QTest::addRow("%s %s", qPrintable(how), kind.name)
                    << how << QFile::decodeName(kind.path.c_str());
    }
    void picturesThatAreNoRegularFilesAreRefusedAtOnce()
    {
        QFETCH(QString, how);
        QFETCH(QString, path);
        const Watchdog watchdog(QString("opening %1 %2").arg(how, path).toStdString());
        WindowUnderTest w;
        w.openPicture(testPhoto("two_people.jpg"));
        const QString folderBefore = QSettings().value("CurrDir").toString();
        if (how == "dropped")
            QVERIFY(dropOn(w.window.get(), files({path})));
        else if (how == "started with")
            w.window->openPicture(path);
        else
            w.openPicture(path);
        QCOMPARE(w.status(), path + ": not a regular file, not read");
        QVERIFY(w.read->isEnabled());
        QVERIFY(w.selector->isEnabled());
        QCOMPARE(QSettings().value("CurrDir").toString(), folderBefore);
    }

    void aDragWithoutLocalFilesIsNotAccepted()
    {
        WindowUnderTest w;
        QVERIFY(!dropOn(w.window.get(), {QUrl("https://example.org/face.png")}));
        QVERIFY(!dropOn(w.window.get(), {}));
        QVERIFY(w.status().isEmpty());
    }

    void thePictureNamedOnTheCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("picture");
        QTest::newRow("none") << QStringList{"velmora"} << "";
        QTest::newRow("one") << QStringList{"velmora", "/p/a.png"} << "/p/a.png";
        QTest::newRow("the first of two") << QStringList{"velmora", "a.png", "b.png"} << "a.png";
        QTest::newRow("after an unknown option")
            << QStringList{"velmora", "--fullscreen", "a.png"} << "a.png";
        QTest::newRow("after --") << QStringList{"velmora", "--", "-odd.png"} << "-odd.png";
    }
    void thePictureNamedOnTheCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, picture);
        QCOMPARE(pictureFromArguments(arguments), picture);
    }

    void aPictureFromOutsideOpensAsWithOpenPicture()
    {
        WindowUnderTest w;
        DiagnosticsCatcher caught;
        w.window->openPicture(testPhoto("astronaut.png"));
        QCOMPARE(w.status(), QString("1 faces found"));
        QCOMPARE(caught.text().last(), QString("97 146"));
        QCOMPARE(w.shown().size(), QSize(97, 146));
        w.window->openPicture(folder.filePath("no such picture.png"));
        QCOMPARE(w.status(), QString("Failed to read image"));
        QVERIFY(!w.read->isEnabled());
        QVERIFY(w.open->isEnabled());
    }

    void shortcutsWorkTheButtonsAndTheSelector()
    {
        WindowUnderTest w;
        showActive(w);
        int chooserCalls = 0, readerCalls = 0;
        w.window->setFileChooser([&](QWidget*, const QString&, const QString&, const QString&) {
            ++chooserCalls;
            return QString();
        });
        w.window->setFaceReading([&](const QImage&, ReadingReport*) {
            ++readerCalls;
            ReadOutcome outcome;
            outcome.status = ReadOutcome::Status::Read;
            return outcome;
        });
        QTest::keySequence(w.window.get(), QKeySequence("Ctrl+O"));
        QCOMPARE(chooserCalls, 1);
        QCOMPARE(w.status(), QString("No file selected"));
        // Read Face and Share are off: their shortcuts do nothing.
        QTest::keySequence(w.window.get(), QKeySequence("Ctrl+R"));
        QTest::keySequence(w.window.get(), QKeySequence("Ctrl+Shift+C"));
        QCOMPARE(readerCalls, 0);
        QVERIFY(w.lineEdit->text().isEmpty());

        const QString path = folder.filePath("coded.png");
        QVERIFY(rowCodedPicture(400, 300).save(path));
        w.openWithFaces(path, {FaceRect{0, 100, 10, 40, 2}, FaceRect{0, 100, 20, 40, 2},
                               FaceRect{0, 100, 30, 40, 2}});
        const struct {
            Qt::Key key;
            int value;
        } steps[] = {{Qt::Key_Right, 1}, {Qt::Key_PageDown, 2}, {Qt::Key_Right, 2},
                     {Qt::Key_Left, 1},  {Qt::Key_PageUp, 0},   {Qt::Key_Left, 0}};
        for (const auto& step : steps) {
            QTest::keyClick(w.window.get(), step.key);
            QCOMPARE(w.selector->value(), step.value);
        }
        QCOMPARE(w.shown().width(), 10);

        QTest::keySequence(w.window.get(), QKeySequence("Ctrl+R"));
        QCOMPARE(readerCalls, 1);
        QTest::keySequence(w.window.get(), QKeySequence("Ctrl+Shift+C"));
        QCOMPARE(w.lineEdit->text(), w.browser->toHtml());
        QTest::keySequence(w.window.get(), QKeySequence("Ctrl+M"));
        QVERIFY(action(w, "actionMeasurements")->isChecked());
    }

    void theButtonsNameTheirShortcuts()
    {
        WindowUnderTest w;
        QVERIFY(w.open->toolTip().endsWith("(Ctrl+O)"));
        QVERIFY(w.read->toolTip().endsWith("(Ctrl+R)"));
        QVERIFY(w.share->toolTip().endsWith("(Ctrl+Shift+C)"));
    }
};

QTEST_MAIN(ConveniencesTest)
#include "conveniences_test.moc"

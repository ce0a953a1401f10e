// Open Picture and the face selector: the outcomes of a chosen file, the picture reduction, the
// face cuts, the scroll bar across pictures and the remembered folder.

#include "app_test_support.h"

#include <QFile>

Q_DECLARE_METATYPE(FaceRect)

class OpenPictureTest : public QObject {
    Q_OBJECT

    QTemporaryDir settingsDir;
    QTemporaryDir files;

    QString writePicture(const QString& name, const QImage& image)
    {
        const QString path = files.filePath(name);
        if (!image.save(path))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    // Puts the window into "two faces found, the second one read" so that the next command's
    // effect on every widget shows.
    static void bringIntoReadState(WindowUnderTest& w, const QString& picture)
    {
        w.openWithFaces(picture, {FaceRect{0, 20, 30, 30, 2}, FaceRect{40, 20, 20, 20, 2}});
        w.selector->setValue(1);
        w.window->setFaceReading([](const QImage&, ReadingReport*) {
            ReadOutcome outcome;
            outcome.status = ReadOutcome::Status::Read;
            outcome.phase = FacePhase::EARTH;
            return outcome;
        });
        w.read->click();
        w.share->click();
        QCOMPARE(w.status(), QString("Reading is done"));
    }

    // After a picture without faces to show, the faces of the picture before it are gone: the
    // selector is off and, moved all the same, shows nothing.
    static void expectEarlierFacesGone(WindowUnderTest& w)
    {
        QVERIFY(!w.selector->isEnabled());
        w.selector->setValue(0);
        w.selector->setValue(1);
        QCOMPARE(w.shownItemCount(), 0);
        QVERIFY(!w.read->isEnabled());
        w.read->click();
        QVERIFY(w.browser->toPlainText().startsWith("Welcome to Velmora!"));
    }

    QString colourPicture()
    {
        QImage image(100, 100, QImage::Format_RGB32);
        image.fill(qRgb(200, 120, 90));
        return writePicture("colour.png", image);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(settingsDir.isValid());
        QVERIFY(files.isValid());
        isolateSettings(settingsDir);
    }
    void init() { QSettings().clear(); }

    void cancellingChangesNothing()
    {
        WindowUnderTest w;
        bringIntoReadState(w, colourPicture());
        const QVariant folder = QSettings().value("CurrDir");
        const QString html = w.browser->toHtml();
        const QString shared = w.lineEdit->text();
        const QImage shown = w.shown();

        w.openPicture(QString());
        QCOMPARE(w.status(), QString("No file selected"));
        QVERIFY(w.read->isEnabled());
        QVERIFY(w.share->isEnabled());
        QVERIFY(w.selector->isEnabled());
        QCOMPARE(w.selector->value(), 1);
        QCOMPARE(w.browser->toHtml(), html);
        QCOMPARE(w.lineEdit->text(), shared);
        QCOMPARE(w.shown(), shown);
        QCOMPARE(QSettings().value("CurrDir"), folder);
    }

    void asksInTheRememberedFolderWithTheImageFilter()
    {
        QDir(files.path()).mkpath("real");
        QVERIFY(QFile::link(files.filePath("real"), files.filePath("alias")));
        QImage image(50, 50, QImage::Format_RGB32);
        image.fill(Qt::white);
        QVERIFY(image.save(files.filePath("real/white.png")));

        WindowUnderTest w;
        QStringList asked;
        QString answer = files.filePath("alias/white.png");
        w.window->setFileChooser([&](QWidget* parent, const QString& caption, const QString& folder,
                                     const QString& filter) -> QString {
            asked << caption << folder << filter << (parent == w.window.get() ? "parent" : "");
            return answer;
        });
        w.window->setFaceFinder(
            [](const ImageBuffer&, FaceDetector&) { return std::vector<FaceRect>(); });
        w.open->click();
        QCOMPARE(asked, (QStringList{"Open Image", "", "Image Files (*.png *.jpg *.jpeg *.bmp)",
                                     "parent"}));
        // The link is resolved: the folder is stored in its canonical form.
        const QString canonical = QFileInfo(files.filePath("real")).canonicalFilePath();
        QCOMPARE(QSettings().value("CurrDir").toString(), canonical);

        // The next dialog starts there, also when that picture could not be read.
        asked.clear();
        QFile text(files.filePath("real/notes.png"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a picture\n");
        text.close();
        answer = text.fileName();
        w.open->click();
        QCOMPARE(asked.value(1), canonical);
        QCOMPARE(w.status(), QString("Failed to read image"));

        // A later cancel keeps the folder.
        answer.clear();
        w.open->click();
        QCOMPARE(QSettings().value("CurrDir").toString(), canonical);
    }

    void unreadableFilesFailCleanly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QFile png(testPhoto("coffee.png"));
        png.open(QIODevice::ReadOnly);
        const QByteArray full = png.readAll();
        QTest::newRow("zero bytes") << "empty.png" << QByteArray();
        QTest::newRow("text named png") << "text.png" << QByteArray("hello, I am not a picture\n");
        QTest::newRow("truncated png") << "cut.png" << full.left(60);
        QTest::newRow("png header only") << "header.png" << full.left(8);
        QTest::newRow("folder") << "folder.png" << QByteArray("<dir>");
        QTest::newRow("missing file") << "gone.png" << QByteArray("<none>");
    }
    void unreadableFilesFailCleanly()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        const QString path = files.filePath(name);
        if (content == "<dir>") {
            QVERIFY(QDir(files.path()).mkpath(name));
        } else if (content != "<none>") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(content);
        }

        WindowUnderTest w;
        bringIntoReadState(w, colourPicture());
        w.openPicture(path);
        QCOMPARE(w.status(), QString("Failed to read image"));
        QVERIFY(!w.read->isEnabled());
        QVERIFY(!w.share->isEnabled());
        QVERIFY(w.lineEdit->text().isEmpty());
        QVERIFY(w.browser->toPlainText().startsWith("Welcome to Velmora!"));
        QCOMPARE(w.shownItemCount(), 0);
        expectEarlierFacesGone(w);
    }

    void oneFaceFromAPhoto()
    {
        WindowUnderTest w;
        bringIntoReadState(w, colourPicture());
        const QString welcome = WindowUnderTest().browser->toHtml();
        DiagnosticsCatcher caught;
        w.openPicture(testPhoto("astronaut.png"));
        QCOMPARE(w.status(), QString("1 faces found"));
        QVERIFY(w.read->isEnabled());
        QVERIFY(!w.share->isEnabled());
        QVERIFY(!w.selector->isEnabled());
        QVERIFY(w.lineEdit->text().isEmpty());
        QCOMPARE(w.browser->toHtml(), welcome);
        const QImage face = w.shown();
        QVERIFY(!face.isNull());
        QCOMPARE(w.shownItemCount(), 1);
        QCOMPARE(w.view->sceneRect(), QRectF(QPointF(0, 0), face.size()));
        // The face is cut with room above and below: taller than wide, within the photo.
        QVERIFY(face.height() > face.width());
        QVERIFY(face.height() <= 512);
        const QString sizeLine = QString("%1 %2").arg(face.width()).arg(face.height());
        QCOMPARE(caught.text().last(), sizeLine);
    }

    void twoFacesFromAPhoto()
    {
        WindowUnderTest w;
        w.openPicture(testPhoto("two_people.jpg"));
        QCOMPARE(w.status(), QString("2 faces found"));
        QVERIFY(w.read->isEnabled());
        QVERIFY(w.selector->isEnabled());
        QCOMPARE(w.selector->minimum(), 0);
        QCOMPARE(w.selector->maximum(), 1);
        QCOMPARE(w.selector->pageStep(), 1);
        QCOMPARE(w.selector->singleStep(), 1);
        QCOMPARE(w.selector->value(), 0);
        const QImage first = w.shown();
        w.selector->setValue(1);
        const QImage second = w.shown();
        QVERIFY(!second.isNull());
        QVERIFY(first != second);
        w.selector->setValue(0);
        QCOMPARE(w.shown(), first);
    }

    // The grouping boxes these faces twice, one box inside a larger one; the window lists the
    // inner box alone and reads it.
    void aFaceBoxedTwiceIsListedAndReadOnce_data()
    {
        QTest::addColumn<QString>("photo");
        QTest::addColumn<QSize>("faceSize");
        QTest::addColumn<QString>("readingStatus");
        QTest::addColumn<QString>("page");
        QTest::newRow("astronaut at 70%")
            << testPhoto("astronaut_70.png") << QSize(57, 86) << "Reading failed"
            << "";
        QTest::newRow("Grace Hopper at 90%")
            << testPhoto("grace_hopper_90.png") << QSize(163, 244) << "Reading is done"
            << "qrc:/html/EARTH.html";
    }
    void aFaceBoxedTwiceIsListedAndReadOnce()
    {
        QFETCH(QString, photo);
        QFETCH(QSize, faceSize);
        QFETCH(QString, readingStatus);
        QFETCH(QString, page);
        WindowUnderTest w;
        w.openPicture(photo);
        QCOMPARE(w.status(), QString("1 faces found"));
        QVERIFY(!w.selector->isEnabled());
        QCOMPARE(w.shown().size(), faceSize);
        w.read->click();
        QCOMPARE(w.status(), readingStatus);
        if (!page.isEmpty())
            QCOMPARE(w.browser->source(), QUrl(page));
    }

    void aPhotoWithoutFacesClearsTheEarlierFaces()
    {
        WindowUnderTest w;
        bringIntoReadState(w, colourPicture());
        w.openPicture(testPhoto("coffee.png"));
        QCOMPARE(w.status(), QString("No faces found"));
        QVERIFY(!w.read->isEnabled());
        QVERIFY(!w.share->isEnabled());
        QVERIFY(w.lineEdit->text().isEmpty());
        QVERIFY(w.browser->toPlainText().startsWith("Welcome to Velmora!"));
        QCOMPARE(w.shownItemCount(), 0);
        expectEarlierFacesGone(w);

        // The next picture with faces sets the selector up afresh.
        w.openWithFaces(colourPicture(), {FaceRect{0, 20, 30, 30, 2}, FaceRect{40, 20, 20, 20, 2}});
        QVERIFY(w.selector->isEnabled());
        QCOMPARE(w.selector->value(), 0);
        QCOMPARE(w.shown().size(), QSize(30, 45));
        w.selector->setValue(1);
        QCOMPARE(w.shown().size(), QSize(20, 30));
    }

    void largePicturesAreReducedBeforeDetection_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QSize>("reduced");
        QTest::newRow("landscape")
            << QSize(1200, 800)
            << QSize(1000, QImage(1200, 800, QImage::Format_RGB32).scaledToWidth(1000).height());
        QTest::newRow("portrait")
            << QSize(800, 1200)
            << QSize(QImage(800, 1200, QImage::Format_RGB32).scaledToHeight(1000).width(), 1000);
        QTest::newRow("square at the limit") << QSize(1000, 1000) << QSize(1000, 1000);
        QTest::newRow("square above") << QSize(1001, 1001) << QSize(1000, 1000);
        QTest::newRow("small") << QSize(300, 200) << QSize(300, 200);
        QTest::newRow("wide but short")
            << QSize(1500, 100)
            << QSize(1000, QImage(1500, 100, QImage::Format_RGB32).scaledToWidth(1000).height());
    }
    void largePicturesAreReducedBeforeDetection()
    {
        QFETCH(QSize, size);
        QFETCH(QSize, reduced);
        const QString path = writePicture("big.png", rowCodedPicture(size.width(), size.height()));
        WindowUnderTest w;
        QSize seen;
        int channels = 0;
        w.window->setFaceFinder([&](const ImageBuffer& grey, FaceDetector&) {
            seen = QSize(grey.width, grey.height);
            channels = grey.channels;
            return std::vector<FaceRect>{FaceRect{0, 0, 20, reduced.height(), 2}};
        });
        w.openPicture(path);
        QCOMPARE(seen, reduced);
        QCOMPARE(channels, 1);
        // The face is cut from the reduced picture: its last row is the reduced picture's last.
        const QImage face = w.shown();
        QCOMPARE(face.size(), QSize(20, reduced.height()));
        const int lastRow = codedRow(face, 0, face.height() - 1);
        if (size == reduced)
            QCOMPARE(lastRow, size.height() - 1);
        else
            QVERIFY(lastRow < size.height() &&
                    lastRow > size.height() - 3 - size.height() / reduced.height());
    }

    void facesAreCutWithAQuarterAboveAndBelowClippedToThePicture_data()
    {
        QTest::addColumn<FaceRect>("rect");
        QTest::addColumn<int>("firstRow");
        QTest::addColumn<int>("height");
        QTest::newRow("inside") << FaceRect{50, 100, 40, 40, 2} << 90 << 60;
        QTest::newRow("near the top") << FaceRect{50, 10, 80, 80, 2} << 0 << 110;
        QTest::newRow("top at a fraction") << FaceRect{5, 3, 10, 10, 2} << 0 << 15;
        QTest::newRow("negative fraction") << FaceRect{5, 1, 10, 10, 2} << 0 << 13;
        QTest::newRow("near the bottom") << FaceRect{50, 250, 80, 80, 2} << 230 << 70;
        QTest::newRow("whole height") << FaceRect{0, 0, 400, 300, 2} << 0 << 300;
    }
    void facesAreCutWithAQuarterAboveAndBelowClippedToThePicture()
    {
        QFETCH(FaceRect, rect);
        QFETCH(int, firstRow);
        QFETCH(int, height);
        const QString path = writePicture("coded.png", rowCodedPicture(400, 300));
        WindowUnderTest w;
        w.openWithFaces(path, {rect});
        const QImage face = w.shown();
        QCOMPARE(face.size(), QSize(rect.width, height));
        QCOMPARE(codedRow(face, 0, 0), firstRow);
        QCOMPARE(codedRow(face, 0, height - 1), firstRow + height - 1);
        QCOMPARE(qBlue(face.pixel(0, 0)), rect.x % 256);
    }

    void theSelectorWalksTheFacesInDetectorOrder()
    {
        const QString path = writePicture("coded.png", rowCodedPicture(400, 300));
        WindowUnderTest w;
        DiagnosticsCatcher caught;
        w.openWithFaces(path, {FaceRect{0, 100, 10, 40, 2}, FaceRect{0, 100, 20, 40, 2},
                               FaceRect{0, 100, 30, 40, 2}});
        QCOMPARE(w.status(), QString("3 faces found"));
        QCOMPARE(w.selector->maximum(), 2);
        QCOMPARE(w.shown().width(), 10);
        w.selector->setValue(2);
        QCOMPARE(w.shown().width(), 30);
        QCOMPARE(w.shownItemCount(), 1);
        w.selector->setValue(1);
        QCOMPARE(w.shown().width(), 20);
        QCOMPARE(caught.text().mid(caught.text().size() - 3),
                 (QStringList{"10 60", "30 60", "20 60"}));
    }

    void theSelectorIsSetUpAfreshForEveryPicture()
    {
        const QString path = writePicture("coded.png", rowCodedPicture(400, 300));
        WindowUnderTest w;
        auto faces = [](int count, int width) {
            std::vector<FaceRect> list;
            for (int i = 0; i < count; ++i)
                list.push_back(FaceRect{i, 100, width, 40, 2});
            return list;
        };

        // From the fifth of five faces to a picture of two: the range change lands on an index
        // the old list has, then on 0, before the new faces are cut.
        w.openWithFaces(path, faces(5, 10));
        w.selector->setValue(4);
        w.openWithFaces(path, faces(2, 20));
        QCOMPARE(w.selector->maximum(), 1);
        QCOMPARE(w.selector->value(), 0);
        QCOMPARE(w.shown().width(), 20);
        QCOMPARE(w.shownItemCount(), 1);
        w.selector->setValue(1);
        QCOMPARE(codedRow(w.shown(), 0, 0), 90);
        QCOMPARE(qBlue(w.shown().pixel(0, 0)), 1);

        // From two faces to six: the old list is shorter than the new range.
        w.openWithFaces(path, faces(6, 30));
        QCOMPARE(w.selector->maximum(), 5);
        QCOMPARE(w.selector->value(), 0);
        QCOMPARE(w.shown().width(), 30);
        w.selector->setValue(5);
        QCOMPARE(qBlue(w.shown().pixel(0, 0)), 5);

        // One face: the selector is switched off and keeps its old range and value.
        w.openWithFaces(path, faces(1, 40));
        QCOMPARE(w.status(), QString("1 faces found"));
        QVERIFY(!w.selector->isEnabled());
        QCOMPARE(w.selector->maximum(), 5);
        QCOMPARE(w.selector->value(), 5);
        QCOMPARE(w.shown().width(), 40);

        // Back to several faces: on again, at 0. The old range still ends at 5 with the value
        // there, so narrowing it announces index 2 while the list holds a single face.
        w.openWithFaces(path, faces(3, 50));
        QVERIFY(w.selector->isEnabled());
        QCOMPARE(w.selector->maximum(), 2);
        QCOMPARE(w.selector->value(), 0);
        QCOMPARE(w.shown().width(), 50);
    }
};

QTEST_MAIN(OpenPictureTest)
#include "open_picture_test.moc"

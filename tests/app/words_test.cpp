// What the window says: "Face 2 of 15" and the reading in words at the right of the status bar,
// sentences instead of reason codes in the drawings and tool tips, the missing cascade named with
// where it was sought; and the two mends (the WATER page's colour cell, the remembered folder
// after a bad start picture) and Share's rich text.

#include "app_test_support.h"

#include "app/face_drawings.h"
#include "app/reading_words.h"
#include "reading/annotation.h"
#include "vision/picture.h"

#include <QAction>
#include <QClipboard>
#include <QGraphicsRectItem>
#include <QLabel>
#include <QMimeData>

namespace {

ReadOutcome outcomeOf(ReadOutcome::Status status, FacePhase phase = FacePhase::WOOD)
{
    ReadOutcome outcome;
    outcome.status = status;
    outcome.phase = phase;
    return outcome;
}

}  // namespace

Q_DECLARE_METATYPE(ReadOutcome)
Q_DECLARE_METATYPE(std::optional<ReadingFailure>)

class WordsTest : public QObject {
    Q_OBJECT

    QTemporaryDir settingsDir;
    QTemporaryDir folder;
    QString picture;

private slots:
    void initTestCase()
    {
        QVERIFY(settingsDir.isValid());
        isolateSettings(settingsDir);
        picture = folder.filePath("coded.png");
        QVERIFY(rowCodedPicture(400, 300).save(picture));
    }
    void init() { QSettings().clear(); }

    void theStatusBarCountsTheFacesFromOneAndTellsTheReading_data()
    {
        QTest::addColumn<ReadOutcome>("outcome");
        QTest::addColumn<std::optional<ReadingFailure>>("reason");
        QTest::addColumn<QString>("words");
        const ReadOutcome failed = outcomeOf(ReadOutcome::Status::Failed);
        const auto row = [](const char* name, ReadOutcome outcome,
                            std::optional<ReadingFailure> reason, const char* words) {
            QTest::newRow(name) << outcome << reason << QString("Face 2 of 3 - ") + words;
        };
        row("type", outcomeOf(ReadOutcome::Status::Read, FacePhase::FIRE), {}, "FIRE");
        row("left", failed, ReadingFailure::NoLeftSideEdge,
            "Reading failed: the left side of the jaw was not found");
        row("right", failed, ReadingFailure::NoRightSideEdge,
            "Reading failed: the right side of the jaw was not found");
        row("sides", failed, ReadingFailure::NoSideEdges,
            "Reading failed: neither side of the jaw was found");
        row("lower", failed, ReadingFailure::NoLowerEdge,
            "Reading failed: the lower outline of the face was not found (25% of the face looked "
            "like skin)");
        row("no reason", failed, {}, "Reading failed");
        row("grey", outcomeOf(ReadOutcome::Status::NotColour), {}, "Not in colour");
    }
    void theStatusBarCountsTheFacesFromOneAndTellsTheReading()
    {
        QFETCH(ReadOutcome, outcome);
        QFETCH(std::optional<ReadingFailure>, reason);
        QFETCH(QString, words);
        WindowUnderTest w;
        auto* label = w.child<QLabel>("faceStatus");
        QVERIFY(label->text().isEmpty());
        w.openWithFaces(picture, {FaceRect{10, 100, 60, 60, 2}, FaceRect{150, 100, 60, 60, 2},
                                  FaceRect{300, 100, 60, 60, 2}});
        QCOMPARE(label->text(), QString("Face 1 of 3"));
        w.selector->setValue(1);
        QCOMPARE(label->text(), QString("Face 2 of 3"));
        QCOMPARE(w.selector->accessibleName(), QString("Face 2 of 3"));

        w.window->setFaceReading([&](const QImage&, ReadingReport* report) {
            report->failure = reason;
            report->width = report->height = 10;
            report->faceRegionPixels = 25;
            return outcome;
        });
        w.read->click();
        QCOMPARE(label->text(), words);
        // The status bar's own message stays the one it always was.
        QVERIFY(!w.status().contains(" - "));
        // Another face has not been read; back on this one, its words come back.
        w.selector->setValue(2);
        QCOMPARE(label->text(), QString("Face 3 of 3"));
        w.selector->setValue(1);
        QCOMPARE(label->text(), words);

        // The drawings and tool tips use the same words, faces counted from 1, and no code.
        action(w, "actionMeasurements")->setChecked(true);
        action(w, "actionWholePicture")->trigger();
        QStringList tips;
        for (QGraphicsItem* item : w.view->scene()->items())
            if (item->type() == QGraphicsRectItem::Type)
                tips.prepend(item->toolTip());
        QCOMPARE(tips, (QStringList{"Face 1 of 3", words, "Face 3 of 3"}));
    }

    void aGreyFaceIsCalledSoAtOnce()
    {
        const QString grey = folder.filePath("grey.png");
        QVERIFY(rowCodedPicture(100, 100).convertToFormat(QImage::Format_Grayscale8).save(grey));
        WindowUnderTest w;
        w.openWithFaces(grey, {FaceRect{10, 10, 50, 50, 2}});
        w.read->click();
        QCOMPARE(w.child<QLabel>("faceStatus")->text(), QString("Face 1 of 1 - Not in colour"));
    }

    void theDrawnFaceCarriesWordsNotTheCode()
    {
        WindowUnderTest w;
        ReadingReport given;
        given.failure = ReadingFailure::NoLeftSideEdge;
        w.window->setFaceReading([&given](const QImage&, ReadingReport* report) {
            *report = given;
            return outcomeOf(ReadOutcome::Status::Failed);
        });
        const FaceRect box{150, 100, 60, 60, 2};
        w.openWithFaces(picture, {box});
        action(w, "actionMeasurements")->setChecked(true);
        w.read->click();

        const QImage face = cropFace(rowCodedPicture(400, 300), box);
        const int magnification = faceCutMagnification(face);
        const ReadOutcome failed = outcomeOf(ReadOutcome::Status::Failed);
        const QImage worded = annotateFaceCut(face, failed, given, magnification,
                                              QString("the left side of the jaw was not found"));
        QCOMPARE(w.shown(), worded);
        QVERIFY(w.shown() != annotateFaceCut(face, failed, given, magnification));
    }

    void shareGivesThePageAsRichTextBesideItsSource()
    {
        WindowUnderTest w;
        w.window->setFaceReading([](const QImage&, ReadingReport*) {
            return outcomeOf(ReadOutcome::Status::Read, FacePhase::WATER);
        });
        w.openWithFaces(picture, {FaceRect{10, 100, 60, 60, 2}});
        w.read->click();
        w.share->click();
        const QString html = w.browser->toHtml();
        const QMimeData* data = QApplication::clipboard()->mimeData(QClipboard::Clipboard);
        QCOMPARE(data->text(), html);
        QVERIFY(data->hasHtml());
        QCOMPARE(data->html(), html);
    }

    // Black on the WATER page's black cell could not be read; the other cells keep their text.
    void theColourCellOfEachPageCanBeRead()
    {
        const struct {
            const char* page;
            const char* word;
            bool light;
        } cells[] = {{"WATER", "Black", true}, {"GOLD", "White", false}, {"FIRE", "Red", false}};
        for (const auto& cell : cells) {
            QTextBrowser browser;
            browser.setSource(QUrl(QString("qrc:/html/%1.html").arg(cell.page)));
            const QTextCursor found = browser.document()->find(cell.word);
            QVERIFY(!found.isNull());
            QCOMPARE(qGray(found.charFormat().foreground().color().rgb()) > 200, cell.light);
        }
    }

    void aStartPictureThatCannotBeReadLeavesTheRememberedFolder()
    {
        QSettings().setValue("CurrDir", folder.path());
        WindowUnderTest w;
        for (const QString& bad :
             {QString("/no/such/file.jpg"), QString("no-such-file.jpg"), testPhoto("README.md")}) {
            w.window->openPicture(bad);
            QCOMPARE(w.status(), QString("Failed to read image"));
            QCOMPARE(QSettings().value("CurrDir").toString(), folder.path());
        }
        w.window->openPicture(testPhoto("coffee.png"));
        QCOMPARE(QSettings().value("CurrDir").toString(),
                 QFileInfo(testPhoto("coffee.png")).canonicalPath());
    }

    void aMissingCascadeIsNamedWithTheFolderSearchedAndPicturesStillShow()
    {
        QTemporaryDir nowhere;
        WindowUnderTest w(
            std::make_unique<MainWindow>(nowhere.filePath("haarcascade_frontalface_alt.xml")));
        const QString where = w.child<QLabel>("cascadeStatus")->text();
        QVERIFY2(where.startsWith("haarcascade_frontalface_alt.xml ") &&
                     where.endsWith(QDir::toNativeSeparators(nowhere.path())),
                 qPrintable(where));
        w.window->openPicture(picture);
        QCOMPARE(w.status(), QString("Face detector not available: cascade file not loaded"));
        QCOMPARE(w.shown().size(), QSize(400, 300));
        // With the cascade there, no such label.
        WindowUnderTest found;
        QVERIFY(!found.window->findChild<QLabel*>("cascadeStatus"));
    }

private:
    static QAction* action(WindowUnderTest& w, const char* name)
    {
        return w.window->findChild<QAction*>(QLatin1String(name));
    }
};

QTEST_MAIN(WordsTest)
#include "words_test.moc"

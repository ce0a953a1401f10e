// Read Face and Share: the outcomes of a reading, the page per face type, the order of the
// visible steps, and what Share copies.

#include "app_test_support.h"

#include <QClipboard>

namespace {

ReadOutcome readAs(FacePhase phase)
{
    ReadOutcome outcome;
    outcome.status = ReadOutcome::Status::Read;
    outcome.phase = phase;
    return outcome;
}

ReadOutcome failedReading()
{
    ReadOutcome outcome;
    outcome.status = ReadOutcome::Status::Failed;
    return outcome;
}

const QString failureText =
    "Face could not be read. Please try a different image - maybe this one has bad lighting or "
    "blured              or not frontal or partially eclipsed";

}  // namespace

Q_DECLARE_METATYPE(FacePhase)

class ReadFaceTest : public QObject {
    Q_OBJECT

    QTemporaryDir settingsDir;
    QTemporaryDir files;
    QString twoFaces;  // a colour picture whose two "faces" differ in size and colour

    // The reader is replaced by a script of outcomes; every call records the status text shown
    // at that moment and the size of the image it was given.
    struct ScriptedReader {
        QList<ReadOutcome> outcomes;
        QStringList statusAtCall;
        QList<QSize> sizes;
    };
    static void useScript(WindowUnderTest& w, ScriptedReader& script)
    {
        w.window->setFaceReading([&w, &script](const QImage& prepared, ReadingReport*) {
            script.statusAtCall << w.status();
            script.sizes << prepared.size();
            return script.outcomes.takeFirst();
        });
    }
    void openTwoFaces(WindowUnderTest& w)
    {
        w.openWithFaces(twoFaces, {FaceRect{0, 40, 160, 160, 2}, FaceRect{200, 40, 60, 60, 2}});
        QCOMPARE(w.status(), QString("2 faces found"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(settingsDir.isValid());
        QVERIFY(files.isValid());
        isolateSettings(settingsDir);
        QImage image(300, 300, QImage::Format_RGB32);
        image.fill(qRgb(210, 150, 120));
        for (int y = 0; y < 300; ++y)
            for (int x = 200; x < 300; ++x)
                image.setPixel(x, y, qRgb(120, 160, 200));
        twoFaces = files.filePath("two.png");
        QVERIFY(image.save(twoFaces));
    }

    void eachFaceTypeOpensItsOwnPage_data()
    {
        QTest::addColumn<FacePhase>("phase");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("headline");
        // clang-format off
        QTest::newRow("WOOD") << FacePhase::WOOD << "qrc:/html/WOOD.html" << "WOOD";
        QTest::newRow("FIRE") << FacePhase::FIRE << "qrc:/html/FIRE.html" << "FIRE";
        QTest::newRow("EARTH") << FacePhase::EARTH << "qrc:/html/EARTH.html" << "EARTH";
        QTest::newRow("GOLD") << FacePhase::GOLD << "qrc:/html/GOLD.html" << "GOLD";
        QTest::newRow("WATER") << FacePhase::WATER << "qrc:/html/WATER.html" << "Water";
        // clang-format on
    }
    void eachFaceTypeOpensItsOwnPage()
    {
        QFETCH(FacePhase, phase);
        QFETCH(QString, url);
        QFETCH(QString, headline);
        WindowUnderTest w;
        ScriptedReader script;
        script.outcomes = {readAs(phase)};
        useScript(w, script);
        openTwoFaces(w);
        w.read->click();
        QCOMPARE(script.statusAtCall, QStringList{"Reading is in progress"});
        QCOMPARE(w.status(), QString("Reading is done"));
        QCOMPARE(w.browser->source(), QUrl(url));
        QVERIFY(w.browser->toPlainText().simplified().startsWith("Your face type is " + headline +
                                                                 " There are 5 phases"));
        QVERIFY(w.share->isEnabled());
        QVERIFY(w.read->isEnabled());
    }

    void readsTheSelectedFacePreparedToAtMostAHundredPixels()
    {
        WindowUnderTest w;
        ScriptedReader script;
        script.outcomes = {readAs(FacePhase::FIRE), readAs(FacePhase::GOLD)};
        useScript(w, script);
        openTwoFaces(w);
        w.read->click();
        w.selector->setValue(1);
        // Moving to another face keeps the page of the last reading.
        QCOMPARE(w.browser->source(), QUrl("qrc:/html/FIRE.html"));
        w.read->click();
        // 160 x 240 and 60 x 90 faces, reduced to 100 on the longer side or kept.
        QCOMPARE(script.sizes, (QList<QSize>{QSize(67, 100), QSize(60, 90)}));
        QCOMPARE(w.browser->source(), QUrl("qrc:/html/GOLD.html"));

        // With one face the selector is off and the only face is read.
        w.openWithFaces(twoFaces, {FaceRect{210, 40, 50, 50, 2}});
        QVERIFY(!w.selector->isEnabled());
        script.outcomes = {readAs(FacePhase::WOOD)};
        w.read->click();
        QCOMPARE(script.sizes.last(), QSize(50, 75));
    }

    void showsTheFaceBeingReadWithoutRefittingTheView()
    {
        WindowUnderTest w;
        w.window->resize(500, 400);
        w.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        ScriptedReader script;
        script.outcomes = {readAs(FacePhase::EARTH)};
        useScript(w, script);
        openTwoFaces(w);
        const QTransform fitted = w.view->transform();
        w.read->click();
        QCOMPARE(w.shown().size(), QSize(160, 240));  // as cut, not the reduced copy
        QCOMPARE(w.shownItemCount(), 1);
        QCOMPARE(w.view->scene()->sceneRect(), QRectF(0, 0, 160, 240));
        QCOMPARE(w.view->transform(), fitted);
        w.window->resize(520, 420);
        QTest::qWait(20);
        QVERIFY(w.view->transform() != fitted);
    }

    void aFailedReadingExplainsItselfAndLeavesShareAsItWas()
    {
        WindowUnderTest w;
        ScriptedReader script;
        script.outcomes = {failedReading(), readAs(FacePhase::WATER), failedReading()};
        useScript(w, script);
        openTwoFaces(w);

        w.read->click();
        QCOMPARE(w.status(), QString("Reading failed"));
        QCOMPARE(w.browser->toPlainText(), failureText);
        QVERIFY(!w.share->isEnabled());
        QVERIFY(w.read->isEnabled());

        w.read->click();
        QCOMPARE(w.status(), QString("Reading is done"));
        QVERIFY(w.share->isEnabled());

        w.selector->setValue(1);
        w.read->click();
        QCOMPARE(w.status(), QString("Reading failed"));
        QCOMPARE(w.browser->toPlainText(), failureText);
        QVERIFY(w.share->isEnabled());

        // Share now copies the explanation.
        w.share->click();
        const QString html = w.browser->toHtml();
        QCOMPARE(w.lineEdit->text(), html);
        QCOMPARE(QApplication::clipboard()->text(QClipboard::Clipboard), html);
        QVERIFY(html.contains("blured              or not frontal"));
        QVERIFY(!html.contains("Your face type is"));
    }

    void theSamePageComesBackAfterAnythingElseWasShown()
    {
        WindowUnderTest w;
        ScriptedReader script;
        script.outcomes = {readAs(FacePhase::WOOD), failedReading(), readAs(FacePhase::WOOD),
                           readAs(FacePhase::WOOD), readAs(FacePhase::WOOD)};
        useScript(w, script);
        openTwoFaces(w);
        w.read->click();
        w.read->click();
        w.read->click();  // after the explanation
        QCOMPARE(w.status(), QString("Reading is done"));
        QVERIFY(w.browser->toPlainText().startsWith("Your face type is WOOD"));
        w.read->click();  // twice in a row
        QVERIFY(w.browser->toPlainText().startsWith("Your face type is WOOD"));

        // Open Picture brings the welcome text back and switches Share off.
        w.share->click();
        openTwoFaces(w);
        QVERIFY(!w.share->isEnabled());
        QVERIFY(w.lineEdit->text().isEmpty());
        QVERIFY(w.browser->toPlainText().startsWith("Welcome to Velmora!"));
        w.read->click();  // after the welcome text
        QVERIFY(w.browser->toPlainText().startsWith("Your face type is WOOD"));
    }

    void aGreyFaceIsRefusedBeforeAnyMeasurement()
    {
        // A colour face on the left, a grey one on the right.
        QImage picture(300, 200, QImage::Format_RGB32);
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 300; ++x)
                picture.setPixel(x, y,
                                 x < 150 ? qRgb(200, 140, 110) : qRgb(x % 256, x % 256, x % 256));
        const QString path = files.filePath("half_grey.png");
        QVERIFY(picture.save(path));

        WindowUnderTest w;
        ScriptedReader script;
        script.outcomes = {readAs(FacePhase::FIRE)};
        useScript(w, script);
        w.openWithFaces(path, {FaceRect{10, 60, 80, 80, 2}, FaceRect{180, 60, 80, 80, 2}});
        w.read->click();
        w.share->click();
        const QString page = w.browser->toHtml();
        const QString shared = w.lineEdit->text();

        w.selector->setValue(1);
        const QImage shown = w.shown();
        w.read->click();
        QCOMPARE(w.status(), QString("Image should be color. Please load another one"));
        QCOMPARE(script.statusAtCall.size(), 1);  // the reader was not asked
        QVERIFY(w.read->isEnabled());
        QVERIFY(w.share->isEnabled());
        QCOMPARE(w.browser->toHtml(), page);
        QCOMPARE(w.lineEdit->text(), shared);
        QCOMPARE(w.shown(), shown);
    }

    void aGreyPhotoListsItsFaceButCannotBeRead()
    {
        WindowUnderTest w;
        w.openPicture(testPhoto("astronaut_grey.png"));
        QCOMPARE(w.status(), QString("1 faces found"));
        QVERIFY(w.read->isEnabled());
        w.read->click();
        QCOMPARE(w.status(), QString("Image should be color. Please load another one"));
        QVERIFY(w.browser->toPlainText().startsWith("Welcome to Velmora!"));
        QVERIFY(!w.share->isEnabled());
    }

    void shareCopiesTheShownPage()
    {
        WindowUnderTest w;
        ScriptedReader script;
        script.outcomes = {readAs(FacePhase::GOLD)};
        useScript(w, script);
        openTwoFaces(w);
        w.read->click();
        QApplication::clipboard()->setText("before", QClipboard::Clipboard);
        w.share->click();
        const QString html = w.browser->toHtml();
        QCOMPARE(QApplication::clipboard()->text(QClipboard::Clipboard), html);
        QCOMPARE(w.lineEdit->text(), html);
        QVERIFY(html.startsWith("<!DOCTYPE HTML"));
        QVERIFY(html.contains("Your face type is "));
        QVERIFY(html.contains(">GOLD<"));
        QCOMPARE(w.status(), QString("Reading is done"));
        // Pressed again, the same text once more.
        w.share->click();
        QCOMPARE(QApplication::clipboard()->text(QClipboard::Clipboard), html);
    }

    void realFacesReadConsistently()
    {
        WindowUnderTest w;
        w.openPicture(testPhoto("two_people.jpg"));
        QCOMPARE(w.status(), QString("2 faces found"));
        bool anySuccess = false;
        for (int face : {0, 1, 0}) {
            w.selector->setValue(face);
            DiagnosticsCatcher first;
            w.read->click();
            const QString status = w.status();
            const QString text = w.browser->toPlainText();
            if (status == "Reading is done") {
                anySuccess = true;
                const QString url = w.browser->source().toString();
                QVERIFY2(url.startsWith("qrc:/html/") && url.endsWith(".html"), qPrintable(url));
                const QString type = w.browser->source().fileName().section('.', 0, 0);
                const QString word = type == "WATER" ? QString("Water") : type;
                QVERIFY2(text.startsWith("Your face type is " + word), qPrintable(text));
            } else {
                QCOMPARE(status, QString("Reading failed"));
                QCOMPARE(text, failureText);
            }
            // Share follows the first success and stays on after a later failure.
            QCOMPARE(w.share->isEnabled(), anySuccess);
            const QStringList trail = first.text();

            // The same face read again: the same outcome and the same trail.
            DiagnosticsCatcher second;
            w.read->click();
            QCOMPARE(w.status(), status);
            QCOMPARE(w.browser->toPlainText(), text);
            QCOMPARE(second.text(), trail);
        }
    }
};

QTEST_MAIN(ReadFaceTest)
#include "read_face_test.moc"

// Steady reading in the window: the action (off at first, remembered), the page and words of the
// vote, the agreement beside the face count, and the suggestion after a failed reading.

#include "app_test_support.h"

#include "app/face_drawings.h"
#include "reading/annotation.h"
#include "vision/picture.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

class SteadyTest : public QObject {
    Q_OBJECT

    QTemporaryDir settingsDir;

    static QAction* steadyAction(WindowUnderTest& w)
    {
        return w.window->findChild<QAction*>("actionSteadyReading");
    }
    static QString steadyLabel(WindowUnderTest& w)
    {
        return w.child<QLabel>("steadyStatus")->text();
    }
    static QString faceLabel(WindowUnderTest& w) { return w.child<QLabel>("faceStatus")->text(); }

private slots:
    void initTestCase()
    {
        QVERIFY(settingsDir.isValid());
        isolateSettings(settingsDir);
    }
    void init() { QSettings().clear(); }

    void theActionIsOffAtFirstBesideReadFaceAndRemembered()
    {
        {
            WindowUnderTest w;
            QAction* steady = steadyAction(w);
            QVERIFY(steady->isCheckable() && !steady->isChecked());
            QCOMPARE(steady->shortcut(), QKeySequence("Ctrl+T"));
            const QList<QAction*> face = w.child<QMenu>("windowMenuFace")->actions();
            QCOMPARE(face.indexOf(steady),
                     face.indexOf(w.window->findChild<QAction*>("actionReadFace")) + 1);
            steady->trigger();
        }
        WindowUnderTest w;
        QVERIFY(steadyAction(w)->isChecked());
        QCOMPARE(QSettings().value("SteadyReading").toBool(), true);
    }

    // The shared photos' votes, as an independent count of the rules gives them.
    void aSteadyReadingShowsThePageOfTheVoteAndHowManyViewsAgree()
    {
        WindowUnderTest w;
        steadyAction(w)->setChecked(true);
        w.openPicture(testPhoto("grace_hopper.jpg"));
        DiagnosticsCatcher trail;
        w.read->click();
        QCOMPARE(w.status(), QString("Reading is done"));
        QCOMPARE(w.browser->source(), QUrl("qrc:/html/WATER.html"));  // the face as cut: WOOD
        QVERIFY(w.share->isEnabled());
        QCOMPARE(faceLabel(w), QString("Face 1 of 1 - WATER"));
        QCOMPARE(steadyLabel(w), QString("WATER: 20 of 54 views agree"));
        // Only the face as cut leaves its trail, as without the steady reading.
        const QStringList lines = trail.text();
        steadyAction(w)->setChecked(false);
        DiagnosticsCatcher plain;
        w.read->click();
        QCOMPARE(plain.text(), lines);
        QCOMPARE(w.browser->source(), QUrl("qrc:/html/WOOD.html"));
        QCOMPARE(steadyLabel(w), QString());
    }

    void aFailedReadingSuggestsTheSteadyOneWhichMayReadTheFace()
    {
        WindowUnderTest w;
        w.window->show();
        w.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        w.openPicture(testPhoto("two_people.jpg"));
        w.read->click();
        QCOMPARE(w.status(), QString("Reading failed"));
        QCOMPARE(steadyLabel(w), QString("Steady reading (Ctrl+T) may read this face"));
        w.selector->setValue(1);
        QCOMPARE(steadyLabel(w), QString());  // not read yet

        w.selector->setValue(0);
        QTest::keySequence(w.window.get(), QKeySequence("Ctrl+T"));
        QVERIFY(steadyAction(w)->isChecked());
        w.read->click();
        QCOMPARE(w.status(), QString("Reading is done"));
        QCOMPARE(steadyLabel(w), QString("WATER: 14 of 54 views agree"));
    }

    void aFailedSteadyReadingShowsTheFailureTextAndItsReason()
    {
        WindowUnderTest w;
        steadyAction(w)->setChecked(true);
        QList<FaceRect> asked;
        w.window->setSteadyReading([&asked](const QImage&, const FaceRect& box) {
            asked << box;
            SteadyReading failed;
            failed.outcome = SteadyOutcome::Failed;
            failed.views = 54;
            failed.reason = ReadingFailure::NoRightSideEdge;
            return failed;
        });
        w.window->setFaceReading([](const QImage&, ReadingReport*) {
            ReadOutcome read;
            read.status = ReadOutcome::Status::Read;
            return read;
        });
        const FaceRect box{10, 10, 40, 40, 2};
        const QString path = QDir(settingsDir.path()).filePath("coded.png");
        QVERIFY(rowCodedPicture(100, 80).save(path));
        w.openWithFaces(path, {box});
        w.window->findChild<QAction*>("actionMeasurements")->setChecked(true);
        w.read->click();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().x, box.x);
        QCOMPARE(w.status(), QString("Reading failed"));
        QVERIFY(w.browser->toPlainText().startsWith("Face could not be read."));
        QVERIFY(!w.share->isEnabled());
        QCOMPARE(steadyLabel(w),
                 QString("Steady reading failed: the right side of the jaw was not found"));
        QCOMPARE(faceLabel(w),
                 QString("Face 1 of 1 - Reading failed: the right side of the jaw was not found"));
        // The drawn face: the outline of the face as cut, labelled with the steady words.
        const QImage face = cropFace(rowCodedPicture(100, 80), box);
        FaceReadingResult drawn;
        drawn.outcome.status = ReadOutcome::Status::Read;
        drawn.steady = SteadyReading{};
        drawn.steady->outcome = SteadyOutcome::Failed;
        drawn.steady->reason = ReadingFailure::NoRightSideEdge;
        QCOMPARE(w.shown(), drawReadFace(face, drawn, faceCutMagnification(face)));
    }
};

QTEST_MAIN(SteadyTest)
#include "steady_test.moc"

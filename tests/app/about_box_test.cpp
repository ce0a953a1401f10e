// The About box: F1 in the window and the action offered to the picture's context menu.

#include "app_test_support.h"

#include "app/about_box.h"
#include "velmora_version.h"

#include <QAction>
#include <QMessageBox>

class AboutBoxTest : public QObject {
    Q_OBJECT

    QTemporaryDir settingsDir;

    static QList<QMessageBox*> openBoxes(const WindowUnderTest& w)
    {
        return w.window->findChildren<QMessageBox*>(QString(), Qt::FindDirectChildrenOnly);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(settingsDir.isValid());
        isolateSettings(settingsDir);
    }

    void tellsNameVersionPurposeLicenceAndTheCascadesOrigin()
    {
        QTextDocument text;
        text.setHtml(aboutText());
        const QString plain = text.toPlainText();
        QVERIFY2(plain.startsWith(QStringLiteral("Velmora " VELMORA_VERSION "\n")),
                 qPrintable(plain));
        QVERIFY(plain.contains("five face types"));
        QVERIFY(plain.contains("MIT licence"));
        QVERIFY(plain.contains("Rainer Lienhart"));
        QVERIFY(plain.contains("Intel License Agreement"));
    }

    void f1OpensOneBoxWithoutBlockingTheWindow()
    {
        WindowUnderTest w;
        w.window->show();
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        QVERIFY(openBoxes(w).isEmpty());

        QTest::keyClick(w.browser, Qt::Key_F1);
        QList<QMessageBox*> boxes = openBoxes(w);
        QCOMPARE(boxes.size(), 1);
        QMessageBox* box = boxes.first();
        QVERIFY(box->isVisible());
        QVERIFY(!box->isModal());
        QCOMPARE(box->windowTitle(), QString("About Velmora"));
        QCOMPARE(box->text(), aboutText());

        // A second F1, from another widget, raises the same box.
        w.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        QTest::keyClick(w.open, Qt::Key_F1);
        QCOMPARE(openBoxes(w), boxes);

        // Closing it frees it; the window's state is untouched.
        QPointer<QMessageBox> closed(box);
        box->button(QMessageBox::Close)->click();
        QTRY_VERIFY(closed.isNull());
        QVERIFY(w.status().isEmpty());
        QVERIFY(w.open->isEnabled());
    }

    void theActionForTheContextMenuIsTheF1Action()
    {
        WindowUnderTest w;
        QAction* about = w.window->aboutAction();
        QVERIFY(about);
        QCOMPARE(about->text(), QString("About Velmora"));
        QCOMPARE(about->shortcut(), QKeySequence(Qt::Key_F1));
        QVERIFY(w.window->actions().contains(about));
        about->trigger();
        QCOMPARE(openBoxes(w).size(), 1);
    }
};

QTEST_MAIN(AboutBoxTest)
#include "about_box_test.moc"

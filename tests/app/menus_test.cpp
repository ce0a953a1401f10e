// The menu bar and its keys: the shortcuts whichever widget has the focus, entries that follow the
// buttons, Help > Reading failures explained, and the names assistive technology reads.

#include "app_test_support.h"

#include "app/reading_words.h"

#include <QAccessible>
#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QStatusTipEvent>

class MenusTest : public QObject {
    Q_OBJECT

    QTemporaryDir settingsDir;
    QTemporaryDir folder;

    static QAction* action(WindowUnderTest& w, const char* name)
    {
        return w.window->findChild<QAction*>(QLatin1String(name));
    }

    // Shown and active, with three faces found in a.png (b.png is its neighbour in the folder).
    void openThreeFaces(WindowUnderTest& w)
    {
        w.window->show();
        w.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
        w.window->setFaceFinder([](const ImageBuffer&, FaceDetector&) {
            return std::vector<FaceRect>{FaceRect{10, 100, 60, 60, 2},
                                         FaceRect{150, 100, 60, 60, 2},
                                         FaceRect{300, 100, 60, 60, 2}};
        });
        w.openPicture(folder.filePath("a.png"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(settingsDir.isValid());
        isolateSettings(settingsDir);
        for (const char* name : {"a.png", "b.png"})
            QVERIFY(rowCodedPicture(400, 300).save(folder.filePath(name)));
    }
    void init() { QSettings().clear(); }

    void theMenuBarStandsBesideTheFormsHiddenOneAndFollowsTheButtons()
    {
        WindowUnderTest w;
        QVERIFY(!action(w, "actionReadFace")->isEnabled());
        QVERIFY(!action(w, "actionLastFace")->isEnabled());
        QVERIFY(!action(w, "actionNextPicture")->isEnabled());
        openThreeFaces(w);
        QCOMPARE(w.window->menuBar(), w.child<QMenuBar>("windowMenuBar"));
        QVERIFY(w.window->menuBar()->isVisible());
        QVERIFY(!w.child<QMenuBar>("menuBar")->isVisible());
        QVERIFY(action(w, "actionReadFace")->isEnabled());
        QVERIFY(action(w, "actionLastFace")->isEnabled());
        QVERIFY(!action(w, "actionShare")->isEnabled());
        // The View menu and the picture's context menu share their actions.
        QVERIFY(w.child<QMenu>("windowMenuView")->actions().contains(w.view->actions().first()));
        // Hovering a menu entry leaves the window's message alone.
        QStatusTipEvent hover("");
        QApplication::sendEvent(w.window->menuBar(), &hover);
        QCOMPARE(w.status(), QString("3 faces found"));
    }

    void shortcutsWorkWhicheverWidgetHasTheFocus_data()
    {
        QTest::addColumn<QString>("focus");
        for (const char* name :
             {"graphicsView", "pushButton", "pushButton_2", "textBrowser", "lineEdit"})
            QTest::newRow(name) << QString(name);
    }
    void shortcutsWorkWhicheverWidgetHasTheFocus()
    {
        QFETCH(QString, focus);
        WindowUnderTest w;
        openThreeFaces(w);
        QWidget* target = w.child<QWidget>(qPrintable(focus));
        target->setFocus();
        QTRY_VERIFY(target->hasFocus());
        const auto press = [target](const char* keys) {
            QTest::keySequence(target, QKeySequence(QString(keys)));
        };
        const struct {
            const char* keys;
            int face;
        } steps[] = {{"End", 2}, {"Home", 0}, {"Right", 1}, {"Left", 0}};
        for (const auto& step : steps) {
            press(step.keys);
            QCOMPARE(w.selector->value(), step.face);
        }
        press("Ctrl+E");
        QCOMPARE(w.shown().size(), QSize(400, 300));
        press("Esc");
        QCOMPARE(w.shown().size(), QSize(60, 90));
        press("Ctrl+1");
        press("Ctrl++");
        QCOMPARE(w.view->transform().m11(), 1.25);
        press("Ctrl+0");
        QVERIFY(w.view->transform().m11() != 1.25);
        press("Ctrl+M");
        QVERIFY(action(w, "actionMeasurements")->isChecked());
        press("Space");
        QCOMPARE(w.window->windowTitle(), QString("b.png - Velmora"));
        press("Backspace");
        QCOMPARE(w.window->windowTitle(), QString("a.png - Velmora"));
        w.window->setFaceReading([](const QImage&, ReadingReport*) {
            ReadOutcome outcome;
            outcome.status = ReadOutcome::Status::Read;
            return outcome;
        });
        target->setFocus();
        press("Ctrl+R");
        QCOMPARE(w.status(), QString("Reading is done"));
        press("Ctrl+Shift+C");
        QCOMPARE(w.lineEdit->text(), w.browser->toHtml());
    }

    void readingFailuresExplainedGivesEveryReasonInWords()
    {
        WindowUnderTest w;
        action(w, "actionFailuresExplained")->trigger();
        action(w, "actionFailuresExplained")->trigger();
        const QList<QDialog*> pages = w.window->findChildren<QDialog*>("failureHelp");
        QCOMPARE(pages.size(), 1);
        QVERIFY(pages.first()->isVisible() && !pages.first()->isModal());
        const QString text = pages.first()->findChild<QTextBrowser*>()->toPlainText();
        for (ReadingFailure reason :
             {ReadingFailure::NotBgraPixels, ReadingFailure::NoLowerEdge,
              ReadingFailure::NoLeftSideEdge, ReadingFailure::NoRightSideEdge,
              ReadingFailure::NoSideEdges}) {
            QVERIFY(text.contains(reasonWords(reason), Qt::CaseInsensitive));
            QVERIFY(!text.contains(readingFailureCode(reason)));
        }
    }

    // Every control within reach has a name and a description; the selector says which face.
    void assistiveTechnologyFindsANameForEveryControl()
    {
        WindowUnderTest w;
        openThreeFaces(w);
        w.selector->setValue(1);
        QStringList unnamed, menus;
        std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
            if (node->state().invisible)
                return;
            const QString name = node->text(QAccessible::Name);
            if (node->role() == QAccessible::MenuItem)
                menus << name;
            else if (node->state().focusable || node->role() == QAccessible::ScrollBar ||
                     node->role() == QAccessible::StatusBar || node->role() == QAccessible::MenuBar)
                if (name.isEmpty() || node->text(QAccessible::Description).isEmpty())
                    unnamed << node->object()->objectName() + " " + name;
            for (int i = 0; i < node->childCount(); ++i)
                walk(node->child(i));
        };
        walk(QAccessible::queryAccessibleInterface(w.window.get()));
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
        QCOMPARE(menus, (QStringList{"File", "View", "Face", "Help"}));
        QCOMPARE(QAccessible::queryAccessibleInterface(w.selector)->text(QAccessible::Name),
                 QString("Face 2 of 3"));

        // Menu entries are named by their texts; their descriptions are their tool tips.
        std::function<void(QAction*)> check = [&](QAction* a) {
            if (a->isSeparator() || !a->isVisible())
                return;
            QVERIFY2(a->toolTip() != QString(a->text()).remove('&'), qPrintable(a->text()));
            if (a->menu())
                for (QAction* entry : a->menu()->actions())
                    check(entry);
        };
        for (QAction* title : w.window->menuBar()->actions())
            check(title);
    }
};

QTEST_MAIN(MenusTest)
#include "menus_test.moc"

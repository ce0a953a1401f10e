// The window as it stands after start-up: widgets, texts, resources, the picture view, the
// settings identity and the cascade loading trail.

#include "app_test_support.h"

#include "app/arthurstyle.h"
#include "app/program_style.h"
#include "app/qgraphicsviewfr.h"

#include <QAction>
#include <QFile>
#include <QFrame>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QToolBar>
#include <QVBoxLayout>

class WindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir settingsDir;

private slots:
    void initTestCase()
    {
        QVERIFY(settingsDir.isValid());
        isolateSettings(settingsDir);
    }

    void startsInTheWelcomeState()
    {
        WindowUnderTest w;
        QCOMPARE(w.window->size(), QSize(484, 400));
        QCOMPARE(w.window->minimumSize(), QSize(401, 0));  // the layout raises it once shown
        w.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));

        QCOMPARE(w.window->objectName(), QString("MainWindow"));
        QCOMPARE(w.window->windowTitle(), QString("Velmora"));
        QCOMPARE(w.open->text(), QString("Open Picture"));
        QCOMPARE(w.read->text(), QString("Read Face"));
        QCOMPARE(w.share->text(), QString("Share"));
        QVERIFY(w.open->isEnabled());
        QVERIFY(!w.read->isEnabled());
        QVERIFY(!w.share->isEnabled());
        QVERIFY(!w.selector->isEnabled());
        QCOMPARE(w.selector->orientation(), Qt::Horizontal);
        QVERIFY(w.lineEdit->isReadOnly());
        QVERIFY(w.lineEdit->text().isEmpty());
        QVERIFY(w.status().isEmpty());
        QVERIFY(w.browser->openExternalLinks());
        QVERIFY(w.shown().isNull());
        QVERIFY(dynamic_cast<QGraphicsViewFR*>(w.view) != nullptr);

        const QString welcome = w.browser->toPlainText();
        QVERIFY(welcome.startsWith("Welcome to Velmora!\nTo start reading your face press \"Open "
                                   "Picture\" and load a color picture with a human face(or "
                                   "several faces). Then select a face and press \"Read Face\" "));
        QVERIFY(welcome.contains("Use \"Share\" to copy you face reading session so you can paste "
                                 "it in your blog post or facebook page. "));
        QTextCursor cursor(w.browser->document());
        QVERIFY(cursor.charFormat().fontWeight() != QFont::Bold);
        cursor.movePosition(QTextCursor::NextCharacter);
        QCOMPARE(cursor.charFormat().foreground().color(), QColor("#0000ff"));
        QVERIFY(cursor.charFormat().fontWeight() > QFont::Normal);
    }

    void everyNamedWidgetExistsWhereItBelongs()
    {
        WindowUnderTest w;
        const QStringList frames{"line", "line_2", "line_3"};
        for (const QString& name : frames)
            QVERIFY2(w.window->findChild<QFrame*>(name), qPrintable(name));
        QCOMPARE(w.child<QFrame>("line")->frameShape(), QFrame::VLine);
        QCOMPARE(w.child<QFrame>("line_2")->frameShape(), QFrame::HLine);
        QCOMPARE(w.child<QFrame>("line_3")->frameShape(), QFrame::HLine);

        QWidget* central = w.child<QWidget>("centralWidget");
        QCOMPARE(w.window->centralWidget(), central);
        QCOMPARE(central->sizePolicy().horizontalStretch(), 1);
        QCOMPARE(central->sizePolicy().verticalStretch(), 1);
        for (QWidget* widget : {static_cast<QWidget*>(w.view), static_cast<QWidget*>(w.selector),
                                static_cast<QWidget*>(w.open), static_cast<QWidget*>(w.browser),
                                static_cast<QWidget*>(w.lineEdit), static_cast<QWidget*>(w.share)})
            QCOMPARE(widget->parentWidget(), central);

        // Left column top to bottom, then the right column.
        auto* left = w.window->findChild<QVBoxLayout*>("verticalLayout");
        auto* right = w.window->findChild<QVBoxLayout*>("verticalLayout_2");
        QVERIFY(left && right);
        QCOMPARE(left->count(), 5);
        QCOMPARE(left->itemAt(0)->widget(), static_cast<QWidget*>(w.view));
        QCOMPARE(left->itemAt(1)->widget(), static_cast<QWidget*>(w.selector));
        QCOMPARE(left->itemAt(3)->widget(), static_cast<QWidget*>(w.open));
        QCOMPARE(left->itemAt(4)->widget(), static_cast<QWidget*>(w.read));
        QCOMPARE(right->count(), 4);
        QCOMPARE(right->itemAt(0)->widget(), static_cast<QWidget*>(w.browser));
        QCOMPARE(right->itemAt(2)->widget(), static_cast<QWidget*>(w.lineEdit));
        QCOMPARE(right->itemAt(3)->widget(), static_cast<QWidget*>(w.share));
        QCOMPARE(right->contentsMargins().right(), 14);
    }

    void menusAndToolBarAreNeverShownAndTheActionsDoNothing()
    {
        WindowUnderTest w;
        w.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        auto* menuBar = w.child<QMenuBar>("menuBar");
        auto* toolBar = w.child<QToolBar>("mainToolBar");
        QVERIFY(!menuBar->isVisible());
        QVERIFY(!toolBar->isVisible());
        QVERIFY(!menuBar->isEnabled());
        QVERIFY(!toolBar->isEnabled());
        QVERIFY(toolBar->actions().isEmpty());

        const QList<QAction*> entries = menuBar->actions();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries[0]->menu()->objectName(), QString("menuFile"));
        QCOMPARE(entries[0]->text(), QString("File"));
        QCOMPARE(entries[1]->text(), QString("Help"));
        const QList<QAction*> file = entries[0]->menu()->actions();
        QCOMPARE(file.size(), 4);
        QVERIFY(file[0]->isSeparator());
        QCOMPARE(file[1]->text(), QString("Open"));
        QCOMPARE(file[2]->text(), QString("Read"));
        QCOMPARE(file[3]->text(), QString("Copy"));
        const QList<QAction*> help = entries[1]->menu()->actions();
        QCOMPARE(help.size(), 2);
        QCOMPARE(help[0]->objectName(), QString("actionRead_Documentation_online"));
        QCOMPARE(help[0]->text(), QString("Online Help"));
        QCOMPARE(help[1]->text(), QString("About"));

        // Triggering the actions changes nothing and shows no menu, dialog or message.
        bool chooserCalled = false;
        w.window->setFileChooser([&](QWidget*, const QString&, const QString&, const QString&) {
            chooserCalled = true;
            return QString();
        });
        const QString html = w.browser->toHtml();
        for (QAction* action : file + help)
            action->trigger();
        QVERIFY(!chooserCalled);
        QVERIFY(w.status().isEmpty());
        QCOMPARE(w.browser->toHtml(), html);
        QVERIFY(!menuBar->isVisible());
        QVERIFY(!toolBar->isVisible());
    }

    void hasExactlyTheFourSlotsInOrder()
    {
        const QMetaObject& meta = MainWindow::staticMetaObject;
        QCOMPARE(QString(meta.className()), QString("MainWindow"));
        QCOMPARE(meta.methodCount() - meta.methodOffset(), 4);
        const char* expected[] = {"on_pushButton_3_clicked()", "on_pushButton_2_clicked()",
                                  "on_horizontalScrollBar_valueChanged(int)",
                                  "on_pushButton_clicked()"};
        for (int i = 0; i < 4; ++i) {
            const QMetaMethod method = meta.method(meta.methodOffset() + i);
            QCOMPARE(method.methodSignature(), QByteArray(expected[i]));
            QCOMPARE(method.methodType(), QMetaMethod::Slot);
            QCOMPARE(method.access(), QMetaMethod::Private);
        }
        QCOMPARE(meta.method(meta.methodOffset() + 2).parameterNames(), QList<QByteArray>{"value"});
        QCOMPARE(meta.propertyCount(), meta.propertyOffset());
    }

    void windowIconIsTheBuiltInHaloedFace()
    {
        const QImage icon(":/new/prefix1/face-angel.png");
        QCOMPARE(icon.size(), QSize(32, 32));
        QVERIFY(icon.hasAlphaChannel());
        QCOMPARE(qAlpha(icon.pixel(0, 31)), 0);  // transparent ground
        const QRgb centre = icon.pixel(16, 22);  // yellow face
        QVERIFY(qRed(centre) > 200 && qGreen(centre) > 150 && qBlue(centre) < 120);

        WindowUnderTest w;
        QVERIFY(!w.window->windowIcon().isNull());
        QVERIFY(w.window->windowIcon().availableSizes().contains(QSize(32, 32)));
    }

    void resultPagesFollowTheCommonLayout_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("headline");
        QTest::addColumn<QString>("colour");
        QTest::addColumn<QString>("colourWord");
        // clang-format off
        QTest::newRow("WOOD") << "WOOD" << "WOOD" << "#00ae00" << "Green";
        QTest::newRow("FIRE") << "FIRE" << "FIRE" << "#ff0000" << "Red";
        QTest::newRow("EARTH") << "EARTH" << "EARTH" << "#e6ff00" << "Yellow";
        QTest::newRow("GOLD") << "GOLD" << "GOLD" << "#ffffff" << "White";
        QTest::newRow("WATER") << "WATER" << "Water" << "#000000" << "Black";
        // clang-format on
    }
    void resultPagesFollowTheCommonLayout()
    {
        QFETCH(QString, page);
        QFETCH(QString, headline);
        QFETCH(QString, colour);
        QFETCH(QString, colourWord);

        QFile file(":/html/" + page + ".html");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        for (char c : bytes)
            QVERIFY2(static_cast<unsigned char>(c) < 0x80, "pages are plain ASCII");
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
        QVERIFY(
            bytes.startsWith("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">"));
        QVERIFY(bytes.contains("charset=windows-1251"));
        QVERIFY(bytes.contains("<TITLE></TITLE>"));
        QCOMPARE(bytes.contains("margin-bottom: 0.21cm"), page == "EARTH" || page == "GOLD");

        // Shown the way Read Face shows it.
        QTextBrowser browser;
        browser.setSource(QUrl("qrc:/html/" + page + ".html"));
        const QString text = browser.toPlainText().simplified();
        QVERIFY2(text.startsWith("Your face type is " + headline + " There are 5 phases"),
                 qPrintable(text));
        QVERIFY(text.contains("- Wood Fire Earth Gold and Water. Each face belongs to one type."));
        const QString people = page == "GOLD" ? "GOLDpeople" : page + " people";
        QVERIFY(text.contains("Here are some of the other characteristics for " + people +
                              "(full table available by the link above):"));
        QVERIFY(text.contains("Season"));
        QVERIFY(text.contains("Color " + colourWord + " Planet"));
        QVERIFY(text.contains("Livestock"));
        QVERIFY(text.contains("Fruit"));
        const QString html = browser.toHtml();
        QVERIFY(html.contains("bgcolor=\"" + colour + "\"", Qt::CaseInsensitive));
        QCOMPARE(html.count("<a href=\"https://"), 2);
    }

    void viewRefitsItsSceneOnResizeAndIgnoresResizeWithoutOne()
    {
        QGraphicsViewFR view;
        view.resize(200, 100);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QTransform untouched = view.transform();
        view.resize(300, 260);
        QCoreApplication::processEvents();
        QCOMPARE(view.transform(), untouched);

        QGraphicsScene scene;
        scene.addRect(0, 0, 50, 100);
        scene.setSceneRect(0, 0, 50, 100);
        view.setScene(&scene);
        view.resize(400, 200);
        QTest::qWait(20);
        // The scene is stretched over the whole viewport, each axis on its own.
        const QRect mapped = view.mapFromScene(scene.sceneRect()).boundingRect();
        const QRect viewport = view.viewport()->rect();
        QVERIFY2(qAbs(mapped.width() - viewport.width()) <= 6,
                 qPrintable(QString::number(mapped.width())));
        QVERIFY(qAbs(mapped.height() - viewport.height()) <= 6);
        QVERIFY(view.transform().m11() > 2.0 * view.transform().m22());
    }

    void settingsLiveUnderTheProgramsNames()
    {
        QSettings().remove("CurrDir");
        QTemporaryDir pictures;
        const QString picture = pictures.filePath("blank.png");
        QVERIFY(QImage(40, 30, QImage::Format_RGB32).save(picture));
        {
            WindowUnderTest w;
            w.openWithFaces(picture, {});
        }
        QSettings stored("Marrowby software", "Velmora 1.0");
        QCOMPARE(stored.value("CurrDir").toString(),
                 QFileInfo(pictures.path()).canonicalFilePath());
        QVERIFY(QFile::exists(settingsDir.filePath("Marrowby software/Velmora 1.0.conf")));
    }

    void aDamagedSettingsFileDoesNotStopTheWindow()
    {
        const QString path = QSettings().fileName();
        QVERIFY(path.startsWith(settingsDir.path()));
        {
            QFile damaged(path);
            QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QByteArray garbage;
            for (int i = 0; i < 512; ++i)
                garbage.append(char((i * 131 + 7) % 256));
            damaged.write(garbage);
        }
        WindowUnderTest w;
        w.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        QTemporaryDir pictures;
        const QString picture = pictures.filePath("face.png");
        QVERIFY(QImage(60, 60, QImage::Format_RGB32).save(picture));
        w.openWithFaces(picture, {FaceRect{10, 10, 20, 20, 3}});
        QCOMPARE(w.status(), QString("1 faces found"));
        QVERIFY(w.read->isEnabled());
        QFile::remove(path);
    }

    void logsTheCascadePathThenTheLoadersLines()
    {
        DiagnosticsCatcher caught;
        WindowUnderTest w;
        const QStringList lines = caught.text();
        QVERIFY(lines.size() >= 2);
        QCOMPARE(lines[0],
                 QCoreApplication::applicationDirPath() + "/haarcascade_frontalface_alt.xml");
        QVERIFY2(lines[1].startsWith(" error after fopen is "), qPrintable(lines[1]));
        QVERIFY(!lines.join('\n').contains("failed to open file"));
    }

    void aMissingCascadeStillOpensTheWindowAndSaysTheDetectorIsMissing()
    {
        QTemporaryDir nowhere;
        const QString path = nowhere.filePath("n\u00e4mnd/haarcascade_frontalface_alt.xml");
        DiagnosticsCatcher caught;
        WindowUnderTest w(std::make_unique<MainWindow>(path));
        const QStringList lines = caught.text();
        QVERIFY(lines.size() >= 2);
        QCOMPARE(lines[0], path);  // written as UTF-8
        QVERIFY2(lines[1].startsWith("failed to open file " + path + " errno is "),
                 qPrintable(lines[1]));

        const QString missing("Face detector not available: cascade file not loaded");
        w.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        QCOMPARE(w.status(), missing);
        w.openPicture(testPhoto("astronaut.png"));
        QCOMPARE(w.status(), missing);
        QVERIFY(!w.read->isEnabled());
        // The commands are otherwise as with a cascade: a cancelled dialog, an unreadable file.
        w.openPicture(QString());
        QCOMPARE(w.status(), QString("No file selected"));
        w.openPicture(nowhere.filePath("absent.png"));
        QCOMPARE(w.status(), QString("Failed to read image"));
    }

    void theProgramsStyleDressesTheWindow()
    {
        WindowUnderTest w;
        applyProgramStyle(w.window.get());
        auto* style = dynamic_cast<ArthurStyle*>(w.window->style());
        QVERIFY(style != nullptr);
        for (QWidget* widget : w.window->findChildren<QWidget*>())
            QVERIFY2(widget->style() == style, widget->metaObject()->className());
        // One style for the whole process: a second window gets the same object.
        WindowUnderTest second;
        applyProgramStyle(second.window.get());
        QCOMPARE(second.window->style(), static_cast<QStyle*>(style));

        w.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
        // The buttons are drawn by the style's own panel: a vertical gradient, lighter on top.
        const QImage button = w.open->grab().toImage();
        const QRgb top = button.pixel(6, 3);
        const QRgb bottom = button.pixel(6, button.height() - 4);
        QVERIFY(qGray(top) > qGray(bottom));
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"

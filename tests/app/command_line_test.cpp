// velmora on the command line: --help and --version answer without a window, an unknown option is
// a usage error, and a picture still opens the window.

#include "app/command_line.h"

#include "velmora_version.h"

#include <QProcess>
#include <QtTest>

#include <sstream>

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    // What each stage answers: before the application object (help, version) and, when that
    // did not answer, after it (unknown options); -1 for no answer, the window then opens.
    void eachStageAnswersItsOwnOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("a picture") << QStringList{"a.png"} << -1 << -1;
        QTest::newRow("-h after a picture") << QStringList{"a.png", "-h"} << 0 << -1;
        QTest::newRow("help wins") << QStringList{"--bogus", "--help"} << 0 << -1;
        QTest::newRow("--version") << QStringList{"--version"} << 0 << -1;
        QTest::newRow("unknown") << QStringList{"--fullscreen", "a.png"} << -1 << 2;
        QTest::newRow("after --") << QStringList{"--", "--help", "-odd.png"} << -1 << -1;
        QTest::newRow("a lone dash") << QStringList{"-"} << -1 << -1;
    }
    void eachStageAnswersItsOwnOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, before);
        QFETCH(int, after);
        std::ostringstream out, err;
        const QStringList all = QStringList{"velmora"} + arguments;
        QCOMPARE(answerHelpOrVersion(all, out).value_or(-1), before);
        QCOMPARE(out.str().empty(), before < 0);
        if (before >= 0)
            return;
        QCOMPARE(refuseUnknownOptions(all, err).value_or(-1), after);
        QCOMPARE(err.str().empty(), after < 0);
    }

    // The program itself, as a shell runs it: it answers and ends without building a window.
    void theProgramAnswersAndEnds_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("--help") << QStringList{"--help"} << 0
                                << "Usage: velmora [OPTION]... [PICTURE]\n"
                                << "";
        QTest::newRow("--version")
            << QStringList{"--version"} << 0 << "velmora " VELMORA_VERSION "\n"
            << "";
        QTest::newRow("unknown") << QStringList{"--bogus"} << 2 << ""
                                 << "velmora: unknown option '--bogus'\n\nUsage: velmora ";
    }
    void theProgramAnswersAndEnds()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QProcess velmora;
        velmora.start(QStringLiteral(VELMORA_PROGRAM), arguments);
        QVERIFY(velmora.waitForFinished(20000));
        QCOMPARE(velmora.exitCode(), status);
        const QString stdOut = QString::fromLocal8Bit(velmora.readAllStandardOutput());
        const QString stdErr = QString::fromLocal8Bit(velmora.readAllStandardError());
        // The window's first line would be the cascade's path.
        QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.startsWith(out), qPrintable(stdOut));
        QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "command_line_test.moc"

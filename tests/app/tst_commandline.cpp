// The command line: what each argument list answers, and that a mode's window
// opens in place of the opening.
#include <QtTest>
#include <QtWidgets>

#include "app/commandline.h"
#include "tests/common/testkit.h"

class TestCommandLine : public TestKit::WindowTest {
    Q_OBJECT
private slots:
    // Help and version answer on standard output, before any mode is looked at; wrong arguments are named on
    // standard error with the way to help, and end with status 2.
    void answersWithoutStarting_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("printed");
        QTest::newRow("--help") << QStringList{"--help", "--mode", "cpu"} << 0 << QString("--mode MODE");
        QTest::newRow("-h") << QStringList{"-h"} << 0 << QString("通信対戦 クライアント");
        QTest::newRow("--version") << QStringList{"--mode", "cpu", "--version"} << 0 << QString("kobanto 1.");
        QTest::newRow("-v") << QStringList{"-v"} << 0 << QString("kobanto 1.");
        QTest::newRow("unknown option") << QStringList{"--colour"} << 2 << QString("colour");
        QTest::newRow("unknown mode") << QStringList{"--mode", "chess"} << 2 << QString("chess");
        QTest::newRow("mode without value") << QStringList{"--mode"} << 2 << QString("mode");
        QTest::newRow("mode twice") << QStringList{"--mode", "cpu", "--mode", "local"} << 2
                                    << QString("more than once");
        QTest::newRow("stray argument") << QStringList{"local"} << 2 << QString("local");
        QTest::newRow("Qt option without its value") << QStringList{"-style"} << 2 << QString("style");
    }
    void answersWithoutStarting()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, printed);
        const CommandLine::Outcome o = CommandLine::parse(QStringList{"kobanto"} + args);
        QVERIFY(!o.start);
        QCOMPARE(o.exitStatus, status);
        const QString &answer = status == 0 ? o.out : o.err;
        QVERIFY2(answer.contains(printed), qPrintable(answer));
        QVERIFY(answer.endsWith('\n'));
        QCOMPARE(status == 0 ? o.err : o.out, QString());
        if (status != 0)
            QVERIFY2(o.err.contains("kobanto --help"), qPrintable(o.err));
    }

    // Without a mode the opening starts, as it always has. The host can be kept
    // from the home router, and is not by default.
    void eachModeOpensItsWindow_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<FormId>("window");
        QTest::newRow("no arguments") << QStringList{} << FormId::Form4;
        QTest::newRow("local") << QStringList{"--mode", "local"} << FormId::Form1;
        QTest::newRow("cpu") << QStringList{"--mode=cpu"} << FormId::Form2;
        QTest::newRow("server") << QStringList{"--mode", "server"} << FormId::Form6;
        QTest::newRow("server, no port mapping")
            << QStringList{"--mode", "server", "--no-port-mapping"} << FormId::Form6;
        QTest::newRow("client") << QStringList{"--mode", "client"} << FormId::Form7;
        QTest::newRow("no mode, Qt's own options")
            << QStringList{"-platform", "offscreen", "-reverse"} << FormId::Form4;
    }
    void eachModeOpensItsWindow()
    {
        QFETCH(QStringList, args);
        QFETCH(FormId, window);
        const CommandLine::Outcome o = CommandLine::parse(QStringList{"kobanto"} + args);
        QVERIFY(o.start);
        QCOMPARE(o.firstWindow, window);
        QCOMPARE(o.portMapping, !args.contains("--no-port-mapping"));
        KWindow *w = CommandLine::openFirstWindow(o.firstWindow);
        QCOMPARE(w, Module1::loaded(window));
        QVERIFY(w->isVisible());
        QCOMPARE(TestKit::loadedWindows(), QList<int>{int(window)});
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"

// The command line: what each argument list answers, and that a mode's window
// opens in place of the opening and leads on as if the menu had opened it.
#include <QtTest>
#include <QtWidgets>

#include "cpu/form2.h"
#include "engine/matchwindow.h"
#include "local/form1.h"
#include "shell/commandline.h"
#include "shell/form3.h"
#include "shell/form4.h"
#include "shell/form6.h"
#include "shell/form7.h"
#include "shell/module1.h"
#include "tests/common/testkit.h"

Q_DECLARE_METATYPE(FormId)

namespace {
CommandLine::Outcome parse(const QStringList &args) { return CommandLine::parse(QStringList{"kobanto"} + args); }
}  // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TestKit::init();
        TestKit::registerWindow<Form1>(FormId::Form1);
        TestKit::registerWindow<Form2>(FormId::Form2);
        TestKit::registerWindow<Form3>(FormId::Form3);
        TestKit::registerWindow<Form4>(FormId::Form4);
        TestKit::registerWindow<Form6>(FormId::Form6);
        TestKit::registerWindow<Form7>(FormId::Form7);
    }
    void cleanup() { TestKit::reset(); }

    void helpAndVersionAnswerWithoutStarting_data()
    {
        QTest::addColumn<QString>("arg");
        QTest::addColumn<QString>("expected");
        QTest::newRow("--help") << "--help"
                                << "--mode MODE";
        QTest::newRow("-h") << "-h"
                            << "通信対戦 クライアント";
        QTest::newRow("--version") << "--version"
                                   << "kobanto 1.";
        QTest::newRow("-v") << "-v"
                            << "kobanto 1.";
    }
    void helpAndVersionAnswerWithoutStarting()
    {
        QFETCH(QString, arg);
        QFETCH(QString, expected);
        const CommandLine::Outcome o = parse({arg, "--mode", "cpu"});
        QVERIFY(!o.start);
        QCOMPARE(o.exitStatus, 0);
        QVERIFY2(o.out.contains(expected), qPrintable(o.out));
        QVERIFY(o.out.endsWith('\n'));
        QVERIFY(o.err.isEmpty());
    }

    // Without a mode the opening starts, as it always has.
    void eachModeOpensItsWindow_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<FormId>("window");
        QTest::newRow("no arguments") << QStringList{} << FormId::Form4;
        QTest::newRow("local") << QStringList{"--mode", "local"} << FormId::Form1;
        QTest::newRow("cpu") << QStringList{"--mode=cpu"} << FormId::Form2;
        QTest::newRow("server") << QStringList{"--mode", "server"} << FormId::Form6;
        QTest::newRow("client") << QStringList{"--mode", "client"} << FormId::Form7;
        QTest::newRow("no mode, Qt's own options") << QStringList{"-platform", "offscreen", "-reverse"} << FormId::Form4;
    }
    void eachModeOpensItsWindow()
    {
        QFETCH(QStringList, args);
        QFETCH(FormId, window);
        const CommandLine::Outcome o = parse(args);
        QVERIFY(o.start);
        QCOMPARE(o.firstWindow, window);
        KWindow *w = CommandLine::openFirstWindow(o.firstWindow);
        QCOMPARE(w, Module1::loaded(window));
        QVERIFY(w->isVisible());
        // Only the chosen window is loaded.
        for (FormId other : {FormId::Form1, FormId::Form2, FormId::Form3, FormId::Form4, FormId::Form6, FormId::Form7})
            QCOMPARE(Module1::loaded(other) != nullptr, other == window);
        // A match window's mode select leads to the menu, as when the menu opened it.
        if (auto *match = qobject_cast<MatchWindow *>(w)) {
            QTest::mouseClick(match->Command7, Qt::LeftButton);
            TestKit::settle();
            QVERIFY(!Module1::loaded(window));
            QVERIFY(Module1::loaded(FormId::Form3)->isVisible());
        }
    }

    void wrongArgumentsEndWithStatus2_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("named");
        QTest::newRow("unknown option") << QStringList{"--colour"} << "colour";
        QTest::newRow("unknown mode") << QStringList{"--mode", "chess"} << "chess";
        QTest::newRow("mode without value") << QStringList{"--mode"} << "mode";
        QTest::newRow("mode twice") << QStringList{"--mode", "cpu", "--mode", "local"} << "more than once";
        QTest::newRow("stray argument") << QStringList{"local"} << "local";
        QTest::newRow("Qt option without its value") << QStringList{"-style"} << "style";
    }
    void wrongArgumentsEndWithStatus2()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, named);
        const CommandLine::Outcome o = parse(args);
        QVERIFY(!o.start);
        QCOMPARE(o.exitStatus, 2);
        QVERIFY(o.out.isEmpty());
        QVERIFY2(o.err.contains(named), qPrintable(o.err));
        QVERIFY(o.err.contains("kobanto --help"));
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"

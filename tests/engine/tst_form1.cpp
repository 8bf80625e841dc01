#include <QtTest>

#include "local/form1.h"
#include "shell/module1.h"
#include "tests/common/testkit.h"

class TestForm1 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestKit::init(); }
    void cleanup() { TestKit::reset(); }

    void startPosition()
    {
        auto *f = Module1::form<Form1>(FormId::Form1);
        QVERIFY(!f);
        QVERIFY(Module1::show(FormId::Form1));
        f = Module1::form<Form1>(FormId::Form1);
        QVERIFY(f);
        QCOMPARE(f->Board[3][3], qint16(-1));
        QCOMPARE(f->Label5->text(), QStringLiteral("2"));
        f->Image1_Click(19);
        QCOMPARE(f->Label5->text(), QStringLiteral("4"));
        QCOMPARE(f->Label1->text(), QStringLiteral("白 番"));
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"

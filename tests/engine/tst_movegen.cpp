// The move generator against the published counts for this game: every
// sequence is tested and played by the windows' own scans and click handler.
#include <QtTest>

#include "local/form1.h"
#include "shell/module1.h"
#include "tests/common/movegen.h"
#include "tests/common/testkit.h"

class TestMoveGen : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TestKit::init();
        TestKit::registerWindow<Form1>(FormId::Form1);
        CellImage::setDrawingEnabled(false);
    }
    void cleanup() { TestKit::reset(); }

    void fromTheStart()
    {
        auto *f = qobject_cast<Form1 *>(Module1::load(FormId::Form1));
        const quint64 known[] = {4, 12, 56, 244, 1396, 8200};
        for (int depth = 1; depth <= 6; ++depth)
            QCOMPARE(TestKit::countMoveSequences(f, depth), known[depth - 1]);
        // The count leaves the game where it found it, and never refused a move.
        QCOMPARE(f->moveCount, qint16(0));
        QCOMPARE(f->turnColor, qint16(1));
        QCOMPARE(TestKit::boxTexts(), QStringList());
    }
};

QTEST_MAIN(TestMoveGen)
#include "tst_movegen.moc"

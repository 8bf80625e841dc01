// Two people at one machine: the rules and the window, driven through the
// cell clicks and buttons a player uses, and the move generator's counts. Cells are named by index (row * 8 + column).
#include <QTemporaryDir>
#include <QtTest>

#include "tests/common/boards.h"
#include "tests/common/movegen.h"
#include "tests/common/testkit.h"
#include "windowbase/layout.h"
#include "windowbase/module1.h"
#include "windows/cpu/form2.h"
#include "windows/local/form1.h"

using TestKit::boardRows;
using TestKit::setBoard;

namespace {
const QString refused = QStringLiteral("そこには打てません");
const QStringList startCentre = {"...WB...", "...BW..."};

// An empty board but for the given rows.
QStringList rows(std::initializer_list<std::pair<int, const char *>> changed)
{
    QStringList r(8, QStringLiteral("........"));
    for (const auto &c : changed)
        r[c.first] = QString::fromLatin1(c.second);
    return r;
}

QString picture(const MatchWindow *w, int k) { return w->Image1[k]->pictureFile().section(QLatin1Char('/'), -1); }
QString score(const MatchWindow *w) { return w->Label5->text() + QLatin1Char('-') + w->Label6->text(); }

void expectLabel(const QLabel *l, const QString &text, const QColor &background, const QColor &foreground)
{
    QCOMPARE(l->text(), text);
    QCOMPARE(l->palette().color(QPalette::Window), background);
    QCOMPARE(l->palette().color(QPalette::WindowText), foreground);
}

void expectShown(std::initializer_list<QWidget *> widgets, bool shown)
{
    for (QWidget *w : widgets)
        QVERIFY2(w->isVisibleTo(w->window()) == shown, qPrintable(w->objectName()));
}

// Pixels of a label's outermost ring that are not black.
int unframedPixels(QLabel *l)
{
    const QImage img = l->grab().toImage();
    int n = 0;
    for (int x = 0; x < img.width(); ++x)
        for (int y = 0; y < img.height(); ++y) {
            const bool ring = x == 0 || y == 0 || x == img.width() - 1 || y == img.height() - 1;
            n += ring && img.pixelColor(x, y) != Rgb::black();
        }
    return n;
}

struct Scan {
    QStringList before;
    qint16 turn;
    qint16 cell;
    QStringList after;  // empty: refused
};
struct End {
    enum How { LastCell, TwoPasses, Resign, MoveThenResign } how;
    QStringList board;  // empty: the start position
    QString result;
    QColor background, text;
};
}  // namespace
Q_DECLARE_METATYPE(Scan)
Q_DECLARE_METATYPE(End)

class TestForm1 : public QObject {
    Q_OBJECT
    Form1 *f = nullptr;

private slots:
    void initTestCase()
    {
        TestKit::init();
        TestKit::registerWindow<Form1>(FormId::Form1);
        TestKit::registerWindow<Form2>(FormId::Form2);
    }
    void init() { QVERIFY((f = qobject_cast<Form1 *>(Module1::show(FormId::Form1)))); }
    void cleanup()
    {
        TestKit::reset();
        Layout::setProgramDir(QString());
        CellImage::setDrawingEnabled(true);
    }

    // The pictures and labels follow the moves; only the last move is marked.
    void startAndFirstMoves()
    {
        QCOMPARE(picture(f, 27), QStringLiteral("siro.ico"));
        QCOMPARE(picture(f, 28), QStringLiteral("kuro.ico"));
        QCOMPARE(score(f), QStringLiteral("2-2"));
        expectLabel(f->Label1, QStringLiteral("黒 番"), Rgb::black(), Rgb::white());

        QTest::mouseClick(f->Image1[19], Qt::LeftButton);
        QCOMPARE(score(f), QStringLiteral("4-1"));
        QCOMPARE(picture(f, 19), QStringLiteral("akakuro.ico"));
        expectLabel(f->Label1, QStringLiteral("白 番"), Rgb::white(), Rgb::black());

        f->Image1_Click(18);
        QCOMPARE(picture(f, 18), QStringLiteral("akasiro.ico"));
        QCOMPARE(picture(f, 19), QStringLiteral("kuro.ico"));
        QCOMPARE(f->MMControl1->playCount(), 2);
        QCOMPARE(TestKit::boxTexts(), QStringList());
    }

    void scans_data()
    {
        QTest::addColumn<Scan>("scan");
        // From cell 27, one run in each direction, three of them to an edge.
        QTest::newRow("all eight directions")
            << Scan{{"B.......", ".W.B.B..", "..WWW...", "BWW.WWWB", "..WWW...", ".W.W.B..", "B..W....", "...B...."},
                    1,
                    27,
                    {"B.......", ".B.B.B..", "..BBB...", "BBBBBBBB", "..BBB...", ".B.B.B..", "B..B....", "...B...."}};
        QTest::newRow("run to the edge") << Scan{rows({{3, "WWW....."}}), 1, 27, {}};
        QTest::newRow("broken by an empty cell") << Scan{rows({{3, "B.WW...."}}), 1, 28, {}};
        QTest::newRow("first closing disc only") << Scan{rows({{3, "....WBWB"}}), 1, 27, rows({{3, "...BBBWB"}})};
        QTest::newRow("corner") << Scan{rows({{0, ".WB....."}, {1, "WW......"}, {2, "B.B....."}}), 1, 0,
                                        rows({{0, "BBB....."}, {1, "BB......"}, {2, "B.B....."}})};
        QTest::newRow("corner, runs to the edges")
            << Scan{rows({{5, ".....W.W"}, {6, "......WW"}, {7, ".....WW."}}), 1, 63, {}};
        QTest::newRow("white, right edge") << Scan{rows({{3, "....WBB."}}), -1, 31, rows({{3, "....WWWW"}})};
    }
    void scans()
    {
        QFETCH(Scan, scan);
        setBoard(f, scan.before, scan.turn);
        f->Image1_Click(scan.cell);
        const bool legal = !scan.after.isEmpty();
        QCOMPARE(TestKit::boxTexts(), legal ? QStringList() : QStringList{refused});
        QCOMPARE(boardRows(f), legal ? scan.after : scan.before);
        QCOMPARE(f->turnColor, legal ? qint16(-scan.turn) : scan.turn);
        QCOMPARE(f->MMControl1->playCount(), legal ? 1 : 0);
        QCOMPARE(f->flipFound, qint16(0));
        QCOMPARE(f->moveMade, qint16(0));
        QCOMPARE(f->probeOnly, qint16(0));
    }

    // The second press of a double-click is no click, in every match window.
    void doubleClickIsOneClick_data()
    {
        QTest::addColumn<FormId>("window");
        QTest::addColumn<int>("cell");
        QTest::addColumn<int>("movesMade");
        QTest::addColumn<QStringList>("boxes");
        for (FormId id : {FormId::Form1, FormId::Form2}) {
            QTest::addRow("window %d, legal: played once, no box", int(id)) << id << 19 << 1 << QStringList();
            QTest::addRow("window %d, illegal: refused once", int(id)) << id << 0 << 0 << QStringList{refused};
        }
    }
    void doubleClickIsOneClick()
    {
        QFETCH(FormId, window);
        QFETCH(int, cell);
        QFETCH(int, movesMade);
        QFETCH(QStringList, boxes);
        auto *w = qobject_cast<MatchWindow *>(Module1::show(window));
        if (auto *computer = qobject_cast<Form2 *>(w)) {
            computer->Command8->click();  // level 1, the person plays black
            computer->Command5->click();
        }
        TestKit::doubleClick(w->Image1[cell]);
        QCOMPARE(w->moveCount, qint16(movesMade));
        QCOMPARE(w->MMControl1->playCount(), movesMade);
        QCOMPARE(TestKit::boxTexts(), boxes);
    }

    // Framed labels draw their border in black, whatever their own colours.
    void framesAreBlack()
    {
        for (QLabel *l : {f->Label1, f->Label2, f->Label3, f->Label4, f->Label5, f->Label6})
            QVERIFY2(unframedPixels(l) == 0, qPrintable(l->objectName()));
    }

    // A pass is refused while a move exists; without one it hands over
    // silently, and white's move clears it, so black's next pass does not end the game.
    void passes()
    {
        f->Command1_Click();
        QCOMPARE(TestKit::boxTexts(), QStringList{QStringLiteral("打てるマスがあります")});
        QCOMPARE(f->turnColor, qint16(1));
        QCOMPARE(f->probeOnly, qint16(0));
        TestKit::clearBoxes();
        setBoard(f, rows({{0, "WB......"}}), 1);
        f->Command1_Click();
        QCOMPARE(f->Label1->text(), QStringLiteral("白 番"));
        QCOMPARE(f->passFlag, qint16(1));
        f->Image1_Click(2);
        f->Command1_Click();
        QCOMPARE(f->Label1->text(), QStringLiteral("白 番"));
        QCOMPARE(TestKit::boxTexts(), QStringList());
    }

    void ends_data()
    {
        QTest::addColumn<End>("end");
        // Black takes the last cell, 0, flipping only cell 1.
        const QStringList full = {".WBBBBBB", "BBBBBBBB", "BBBBBBBB", "BBBBBBBB",
                                  "BWWWWWWW", "WWWWWWWW", "WWWWWWWW", "WWWWWWWW"};
        QStringList even = full;
        even[4] = QStringLiteral("WWWWWWWW");
        // Black 20, white 25, empty cells left over, and neither side can move.
        const QStringList stuck = {"WWWWWWWW", "WWWWWWWW", "WWWWWWWW", "W.......",
                                   "........", "....BBBB", "BBBBBBBB", "BBBBBBBB"};
        const QString black = QStringLiteral("お 見 事 黒 番 の 勝 利"),
                      white = QStringLiteral("お 見 事 白 番 の 勝 利");
        const QString drawn = QStringLiteral("こ の 勝 負 引 き 分 け");
        QTest::newRow("60th move, 33-31") << End{End::LastCell, full, black, Rgb::black(), Rgb::white()};
        QTest::newRow("60th move, 32-32") << End{End::LastCell, even, drawn, Rgb::lightGrey(), Rgb::blue()};
        QTest::newRow("two passes, 20-25") << End{End::TwoPasses, stuck, white, Rgb::white(), Rgb::black()};
        QTest::newRow("black resigns") << End{End::Resign, {}, white, Rgb::white(), Rgb::black()};
        QTest::newRow("white resigns") << End{End::MoveThenResign, {}, black, Rgb::black(), Rgb::white()};
    }
    void ends()
    {
        QFETCH(End, end);
        if (!end.board.isEmpty())
            setBoard(f, end.board, 1);
        if (end.how == End::LastCell)
            f->Image1_Click(0);
        if (end.how == End::TwoPasses) {
            f->Command1_Click();
            f->Command1_Click();
        }
        if (end.how == End::MoveThenResign)
            f->Image1_Click(19);
        if (end.how == End::Resign || end.how == End::MoveThenResign) {
            QTest::mouseClick(f->Command3, Qt::LeftButton);
            QCOMPARE(f->Label1->text(), QStringLiteral("投 了"));
        } else {
            expectLabel(f->Label1, QStringLiteral("終 局"), Rgb::lightGrey(), Rgb::blue());
            QCOMPARE(f->MMControl1->playCount(), end.how == End::LastCell ? 1 : 0);
        }
        if (end.how == End::LastCell)
            QCOMPARE(picture(f, 0), QStringLiteral("kuro.ico"));  // the end removes the mark
        expectLabel(f->Label2, end.result, end.background, end.text);
        QCOMPARE(TestKit::boxTexts(), QStringList());
        QVERIFY(f->gameOver());
        // Only a new game, quit and mode select are left; cells ignore the mouse.
        expectShown({f->Command1, f->Command3}, false);
        expectShown({f->Command2, f->Command4}, true);
        const QStringList frozen = boardRows(f);
        QTest::mouseClick(f->Image1[9], Qt::LeftButton);
        QCOMPARE(boardRows(f), frozen);

        QTest::mouseClick(f->Command2, Qt::LeftButton);
        QCOMPARE(boardRows(f), rows({{3, "...WB..."}, {4, "...BW..."}}));
        QCOMPARE(f->moveCount, qint16(0));
        QVERIFY(!f->gameOver());
        QCOMPARE(f->Label2->text(), QString());
        expectShown({f->Command1, f->Command3}, true);
        f->Image1_Click(19);
        QCOMPARE(score(f), QStringLiteral("4-1"));
    }

    // The move generator against the published counts for this game: every
    // sequence is tested and played by the window's own scans and click handler.
    void moveSequencesFromTheStart()
    {
        CellImage::setDrawingEnabled(false);
        const quint64 known[] = {4, 12, 56, 244, 1396, 8200};
        for (int depth = 1; depth <= 6; ++depth)
            QCOMPARE(TestKit::countMoveSequences(f, depth), known[depth - 1]);
        CellImage::setDrawingEnabled(true);
        // The count leaves the game where it found it, and never refused a move.
        QCOMPARE(boardRows(f).mid(3, 2), startCentre);
        QCOMPARE(f->turnColor, qint16(1));
        QCOMPARE(TestKit::boxTexts(), QStringList());
    }

    void missingFilesKeepTheGamePlayable()
    {
        TestKit::reset();
        QTemporaryDir dir;
        Layout::setProgramDir(dir.path());
        f = qobject_cast<Form1 *>(Module1::show(FormId::Form1));
        f->Image1_Click(19);
        f->Image1_Click(18);
        QCOMPARE(score(f), QStringLiteral("3-3"));
        QVERIFY(!f->Image1[19]->pixmap().isNull());  // an empty cell is drawn instead
        QCOMPARE(TestKit::boxTexts(), QStringList());
        QCOMPARE(f->MMControl1->playCount(), 2);  // the plays just go unheard
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"

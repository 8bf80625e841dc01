// Two people at one machine: the rules and the window, driven through the
// cell clicks and buttons a player uses.
#include <QTemporaryDir>
#include <QtTest>

#include "local/form1.h"
#include "shell/form3.h"
#include "shell/layout.h"
#include "shell/module1.h"
#include "tests/common/boards.h"
#include "tests/common/testkit.h"

using TestKit::boardRows;
using TestKit::setBoard;

namespace {
const QString refused = QStringLiteral("そこには打てません");

QStringList rows(std::initializer_list<std::pair<int, const char *>> changed)
{
    QStringList r(8, QStringLiteral("........"));
    for (const auto &c : changed)
        r[c.first] = QString::fromLatin1(c.second);
    return r;
}

QString picture(const MatchWindow *w, int k) { return w->Image1[k]->pictureFile().section(QLatin1Char('/'), -1); }

bool colours(const QLabel *l, const QColor &bg, const QColor &fg)
{
    return l->palette().color(QPalette::Window) == bg && l->palette().color(QPalette::WindowText) == fg;
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

// Black 20, white 25, 19 empty, and neither side can move.
const QStringList deadlock = {"WWWWWWWW", "WWWWWWWW", "WWWWWWWW", "W.......",
                              "........", "....BBBB", "BBBBBBBB", "BBBBBBBB"};
}  // namespace

class TestForm1 : public QObject {
    Q_OBJECT
    Form1 *f = nullptr;

private slots:
    void initTestCase()
    {
        TestKit::init();
        TestKit::registerWindow<Form1>(FormId::Form1);
        TestKit::registerWindow<Form3>(FormId::Form3);
    }
    void init() { QVERIFY((f = qobject_cast<Form1 *>(Module1::show(FormId::Form1)))); }
    void cleanup()
    {
        TestKit::reset();
        Layout::setProgramDir(QString());
    }

    void startAndFirstMoves()
    {
        QCOMPARE(boardRows(f).mid(3, 2), QStringList({"...WB...", "...BW..."}));
        QCOMPARE(picture(f, 27) + picture(f, 28) + picture(f, 0), QStringLiteral("siro.icokuro.icoban.ico"));
        QCOMPARE(f->Label5->text() + f->Label6->text(), QStringLiteral("22"));
        QCOMPARE(f->Label1->text(), QStringLiteral("黒 番"));
        QVERIFY(colours(f->Label1, Rgb::black(), Rgb::white()));
        QVERIFY(f->Label2->text().isEmpty());

        QTest::mouseClick(f->Image1[19], Qt::LeftButton);  // a real click on (2, 3)
        QCOMPARE(f->Board[3][3], qint16(1));
        QCOMPARE(f->Label5->text() + f->Label6->text(), QStringLiteral("41"));
        QCOMPARE(picture(f, 19), QStringLiteral("akakuro.ico"));
        QCOMPARE(f->Label1->text(), QStringLiteral("白 番"));
        QVERIFY(colours(f->Label1, Rgb::white(), Rgb::black()));

        f->Image1_Click(18);
        QCOMPARE(picture(f, 18) + picture(f, 19), QStringLiteral("akasiro.icokuro.ico"));
        int marked = 0;
        for (int k = 0; k < 64; ++k)
            marked += picture(f, k).startsWith(QStringLiteral("aka"));
        QCOMPARE(marked, 1);
        QCOMPARE(f->moveCount, qint16(2));
        QCOMPARE(f->MMControl1->playCount(), 2);
        QVERIFY(TestKit::boxTexts().isEmpty());
    }

    void scans_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<int>("turn");
        QTest::addColumn<int>("cell");
        QTest::addColumn<QStringList>("after");  // empty: refused
        QTest::newRow("left") << rows({{3, "BWW....."}}) << 1 << 27 << rows({{3, "BBBB...."}});
        QTest::newRow("right") << rows({{3, "...WWB.."}}) << 1 << 26 << rows({{3, "..BBBB.."}});
        QTest::newRow("up") << rows({{1, "...B...."}, {2, "...W...."}}) << 1 << 27
                            << rows({{1, "...B...."}, {2, "...B...."}, {3, "...B...."}});
        QTest::newRow("down") << rows({{4, "...B...."}, {5, "...W...."}}) << -1 << 27
                              << rows({{3, "...W...."}, {4, "...W...."}, {5, "...W...."}});
        QTest::newRow("up-right") << rows({{1, ".....B.."}, {2, "....W..."}}) << 1 << 27
                                  << rows({{1, ".....B.."}, {2, "....B..."}, {3, "...B...."}});
        QTest::newRow("down-right") << rows({{4, "....W..."}, {5, ".....B.."}}) << 1 << 27
                                    << rows({{3, "...B...."}, {4, "....B..."}, {5, ".....B.."}});
        QTest::newRow("up-left") << rows({{1, ".B......"}, {2, "..W....."}}) << 1 << 27
                                 << rows({{1, ".B......"}, {2, "..B....."}, {3, "...B...."}});
        QTest::newRow("down-left") << rows({{4, "..W....."}, {5, ".W......"}, {6, "B......."}}) << 1 << 27
                                   << rows({{3, "...B...."}, {4, "..B....."}, {5, ".B......"}, {6, "B......."}});
        QTest::newRow("run to the edge") << rows({{3, "WWW....."}}) << 1 << 27 << QStringList();
        QTest::newRow("broken by an empty cell") << rows({{3, "B.WW...."}}) << 1 << 28 << QStringList();
        QTest::newRow("first closing disc only") << rows({{3, "....WBWB"}}) << 1 << 27 << rows({{3, "...BBBWB"}});
        QTest::newRow("several runs")
            << rows({{1, "...B...."}, {2, "...W...."}, {3, "BWW.WWWB"}, {4, "....W..."}, {5, ".....B.."}}) << 1 << 27
            << rows({{1, "...B...."}, {2, "...B...."}, {3, "BBBBBBBB"}, {4, "....B..."}, {5, ".....B.."}});
        QTest::newRow("corner") << rows({{0, ".WB....."}, {1, "WW......"}, {2, "B.B....."}}) << 1 << 0
                                << rows({{0, "BBB....."}, {1, "BB......"}, {2, "B.B....."}});
        QTest::newRow("corner, runs to the edges")
            << rows({{5, ".....W.W"}, {6, "......WW"}, {7, ".....WW."}}) << 1 << 63 << QStringList();
        QTest::newRow("right edge") << rows({{3, "....WBB."}}) << -1 << 31 << rows({{3, "....WWWW"}});
    }

    void scans()
    {
        QFETCH(QStringList, before);
        QFETCH(int, turn);
        QFETCH(int, cell);
        QFETCH(QStringList, after);
        setBoard(f, before, static_cast<qint16>(turn));
        f->Image1_Click(static_cast<qint16>(cell));
        const bool legal = !after.isEmpty();
        QCOMPARE(TestKit::boxTexts(), legal ? QStringList() : QStringList{refused});
        QCOMPARE(boardRows(f), legal ? after : before);
        QCOMPARE(f->turnColor, qint16(legal ? -turn : turn));
        QCOMPARE(f->MMControl1->playCount(), legal ? 1 : 0);
        QCOMPARE(f->flipFound + f->moveMade + f->probeOnly, 0);
    }

    // The second press of a double-click is no click: a legal cell is played
    // once, an illegal one refused once.
    void doubleClickIsOneClick()
    {
        TestKit::doubleClick(f->Image1[19]);
        QCOMPARE(f->moveCount, qint16(1));
        QCOMPARE(f->MMControl1->playCount(), 1);
        QCOMPARE(TestKit::boxTexts(), QStringList());
        TestKit::doubleClick(f->Image1[0]);
        QCOMPARE(TestKit::boxTexts(), QStringList{refused});
    }

    // Framed labels draw their border in black, whatever their own colours.
    void framesAreBlack()
    {
        const QList<QLabel *> framed = {f->Label1, f->Label2, f->Label3, f->Label4, f->Label5, f->Label6};
        QList<int> unframed;
        for (QLabel *l : framed)
            unframed << unframedPixels(l);
        QCOMPARE(unframed, QList<int>(framed.size(), 0));
    }

    void refusalsChangeNothing()
    {
        f->Image1_Click(27);
        f->Command1_Click();  // black has legal moves
        QCOMPARE(TestKit::boxTexts(), QStringList({refused, QStringLiteral("打てるマスがあります")}));
        QCOMPARE(boardRows(f).mid(3, 2), QStringList({"...WB...", "...BW..."}));
        QCOMPARE(f->turnColor, qint16(1));
        QCOMPARE(f->passFlag + f->moveMade + f->probeOnly, 0);
        QCOMPARE(f->MMControl1->playCount(), 0);
    }

    void passes()
    {
        // Black has no move: its pass hands over silently.
        setBoard(f, rows({{0, "WB......"}}), 1);
        f->Command1_Click();
        QCOMPARE(f->Label1->text(), QStringLiteral("白 番"));
        QCOMPARE(f->passFlag, qint16(1));
        // White's move clears the pass, so black's next pass does not end the game.
        f->Image1_Click(2);
        f->Command1_Click();
        QCOMPARE(f->Label1->text(), QStringLiteral("白 番"));
        // Two passes in a row do: 20 to 25 with empty cells left over.
        setBoard(f, deadlock, 1);
        f->Command1_Click();
        f->Command1_Click();
        QCOMPARE(f->Label1->text(), QStringLiteral("終 局"));
        QVERIFY(colours(f->Label1, Rgb::lightGrey(), Rgb::blue()));
        QCOMPARE(f->Label2->text(), QStringLiteral("お 見 事 白 番 の 勝 利"));
        QVERIFY(colours(f->Label2, Rgb::white(), Rgb::black()));
        QVERIFY(TestKit::boxTexts().isEmpty());
        QCOMPARE(f->MMControl1->playCount(), 1);
    }

    void ends_data()
    {
        QTest::addColumn<QStringList>("board");  // empty: start position, the side to move resigns
        QTest::addColumn<int>("movesFirst");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QColor>("text");
        // Black takes the last cell (0, 0), flipping only (0, 1).
        const QStringList full = {".WBBBBBB", "BBBBBBBB", "BBBBBBBB", "BBBBBBBB", "BWWWWWWW",
                                  "WWWWWWWW", "WWWWWWWW", "WWWWWWWW"};
        QStringList even = full;
        even[4] = QStringLiteral("WWWWWWWW");
        QTest::newRow("60th move, 33-31") << full << 0 << QStringLiteral("お 見 事 黒 番 の 勝 利") << Rgb::black() << Rgb::white();
        QTest::newRow("60th move, 32-32") << even << 0 << QStringLiteral("こ の 勝 負 引 き 分 け") << Rgb::lightGrey() << Rgb::blue();
        QTest::newRow("black resigns") << QStringList() << 0 << QStringLiteral("お 見 事 白 番 の 勝 利") << Rgb::white() << Rgb::black();
        QTest::newRow("white resigns") << QStringList() << 1 << QStringLiteral("お 見 事 黒 番 の 勝 利") << Rgb::black() << Rgb::white();
    }

    void ends()
    {
        QFETCH(QStringList, board);
        QFETCH(int, movesFirst);
        QFETCH(QString, result);
        QFETCH(QColor, background);
        QFETCH(QColor, text);
        QVERIFY(!f->gameOver());
        if (!board.isEmpty()) {
            setBoard(f, board, 1);
            f->Image1_Click(0);
            QCOMPARE(f->Label1->text(), QStringLiteral("終 局"));
            QCOMPARE(picture(f, 0), QStringLiteral("kuro.ico"));  // the end removes the mark
        } else {
            if (movesFirst)
                f->Image1_Click(19);
            QTest::mouseClick(f->Command3, Qt::LeftButton);
            QCOMPARE(f->Label1->text(), QStringLiteral("投 了"));
        }
        QCOMPARE(f->Label2->text(), result);
        QVERIFY(colours(f->Label2, background, text));
        QVERIFY(f->gameOver());
        // Only a new game, quit and mode select are left; cells ignore the mouse.
        QVERIFY(!f->Command1->isVisibleTo(f) && !f->Command3->isVisibleTo(f));
        QVERIFY(f->Command2->isVisibleTo(f) && f->Command4->isVisibleTo(f));
        const QStringList frozen = boardRows(f);
        QTest::mouseClick(f->Image1[9], Qt::LeftButton);
        QCOMPARE(boardRows(f), frozen);

        QTest::mouseClick(f->Command2, Qt::LeftButton);
        QCOMPARE(boardRows(f).mid(3, 2), QStringList({"...WB...", "...BW..."}));
        QCOMPARE(f->moveCount, qint16(0));
        QVERIFY(!f->gameOver());
        QVERIFY(f->Label2->text().isEmpty());
        QVERIFY(f->Command1->isVisibleTo(f) && f->Command3->isVisibleTo(f) && !f->Command2->isVisibleTo(f));
        f->Image1_Click(19);
        QCOMPARE(f->Label5->text(), QStringLiteral("4"));
        QVERIFY(TestKit::boxTexts().isEmpty());
    }

    void leaving()
    {
        f->Image1_Click(19);
        TestKit::queueAnswers({false});
        f->close();
        QCOMPARE(TestKit::boxTexts(), QStringList{QStringLiteral("終了しますか？")});
        QCOMPARE(Module1::loaded(FormId::Form1), f);
        QCOMPARE(f->Label5->text(), QStringLiteral("4"));

        // Mode select: no question, the game is gone, a new visit starts afresh.
        QTest::mouseClick(f->Command7, Qt::LeftButton);
        QVERIFY(!Module1::loaded(FormId::Form1));
        f = qobject_cast<Form1 *>(Module1::show(FormId::Form1));
        QCOMPARE(f->Label5->text(), QStringLiteral("2"));
        QCOMPARE(TestKit::endCount(), 0);

        TestKit::queueAnswers({true});
        f->close();
        QCOMPARE(TestKit::endCount(), 1);
        QVERIFY(!Module1::loaded(FormId::Form1) && !Module1::loaded(FormId::Form3));
        QVERIFY(!f->MMControl1->isOpen());
    }

    void missingFilesKeepTheGamePlayable()
    {
        TestKit::reset();
        QTemporaryDir dir;
        Layout::setProgramDir(dir.path());
        f = qobject_cast<Form1 *>(Module1::show(FormId::Form1));
        f->Image1_Click(19);
        f->Image1_Click(18);
        QCOMPARE(f->Label5->text(), QStringLiteral("3"));
        QVERIFY(!f->Image1[19]->pixmap().isNull());  // an empty cell is drawn instead
        QVERIFY(TestKit::boxTexts().isEmpty());
        QCOMPARE(f->MMControl1->playCount(), 2);  // the plays just go unheard
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"

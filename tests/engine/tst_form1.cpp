// Two people at one machine: the rules and the window, driven through the
// cell clicks and buttons a player uses.
#include <QTemporaryDir>
#include <QtTest>

#include "local/form1.h"
#include "shell/layout.h"
#include "shell/module1.h"
#include "tests/common/boards.h"
#include "tests/common/testkit.h"

using TestKit::boardRows;
using TestKit::setBoard;

namespace {
const QString refused = QStringLiteral("そこには打てません");
const QString canMove = QStringLiteral("打てるマスがあります");
const QStringList empty8 = {"........", "........", "........", "........",
                            "........", "........", "........", "........"};

QStringList rows(std::initializer_list<std::pair<int, const char *>> changed)
{
    QStringList r = empty8;
    for (const auto &c : changed)
        r[c.first] = QString::fromLatin1(c.second);
    return r;
}

QString picture(const MatchWindow *w, int k)
{
    const QString f = w->Image1[k]->pictureFile();
    return f.mid(f.lastIndexOf(QLatin1Char('/')) + 1);
}

bool colours(const QLabel *l, const QColor &bg, const QColor &fg)
{
    return l->palette().color(QPalette::Window) == bg && l->palette().color(QPalette::WindowText) == fg;
}

// Black: 20, white: 25, empty: 19, and neither side can move.
const QStringList deadlock = {"WWWWWWWW", "WWWWWWWW", "WWWWWWWW", "W.......",
                              "........", "....BBBB", "BBBBBBBB", "BBBBBBBB"};
}  // namespace

class TestForm1 : public QObject {
    Q_OBJECT
    Form1 *f = nullptr;

private slots:
    void initTestCase() { TestKit::init(); }
    void init()
    {
        f = qobject_cast<Form1 *>(Module1::show(FormId::Form1));
        QVERIFY(f);
    }
    void cleanup()
    {
        TestKit::reset();
        Layout::setProgramDir(QString());
    }

    void startPosition()
    {
        QCOMPARE(f->windowTitle(), QStringLiteral("Dorvex Quorvane～1台対戦～"));
        QCOMPARE(f->size(), QSize(475, 385));
        QCOMPARE(boardRows(f), QStringList({"........", "........", "........", "...WB...", "...BW...",
                                            "........", "........", "........"}));
        QCOMPARE(picture(f, 27), QStringLiteral("siro.ico"));
        QCOMPARE(picture(f, 36), QStringLiteral("siro.ico"));
        QCOMPARE(picture(f, 28), QStringLiteral("kuro.ico"));
        QCOMPARE(picture(f, 35), QStringLiteral("kuro.ico"));
        QCOMPARE(picture(f, 0), QStringLiteral("ban.ico"));
        QCOMPARE(f->turnColor, qint16(1));
        QCOMPARE(f->Label5->text(), QStringLiteral("2"));
        QCOMPARE(f->Label6->text(), QStringLiteral("2"));
        QCOMPARE(f->Label1->text(), QStringLiteral("黒 番"));
        QVERIFY(colours(f->Label1, Rgb::black(), Rgb::white()));
        QVERIFY(f->Label2->text().isEmpty());
        QVERIFY(f->Command1->isVisibleTo(f) && f->Command3->isVisibleTo(f) && f->Command7->isVisibleTo(f));
        QVERIFY(!f->Command2->isVisibleTo(f) && !f->Command4->isVisibleTo(f));
        QVERIFY(f->MMControl1->isOpen());
        QVERIFY(f->MMControl1->fileName().endsWith(QStringLiteral("/SE/oku.jov")));
    }

    void openingMove()
    {
        f->Image1_Click(19);
        QCOMPARE(f->Board[2][3], qint16(1));
        QCOMPARE(f->Board[3][3], qint16(1));
        QCOMPARE(f->Label5->text(), QStringLiteral("4"));
        QCOMPARE(f->Label6->text(), QStringLiteral("1"));
        QCOMPARE(picture(f, 19), QStringLiteral("akakuro.ico"));
        QCOMPARE(picture(f, 27), QStringLiteral("kuro.ico"));
        QCOMPARE(f->Label1->text(), QStringLiteral("白 番"));
        QVERIFY(colours(f->Label1, Rgb::white(), Rgb::black()));
        QCOMPARE(f->moveCount, qint16(1));
        QCOMPARE(f->MMControl1->playCount(), 1);

        // White answers; only its own cell is marked now.
        f->Image1_Click(18);
        QCOMPARE(picture(f, 18), QStringLiteral("akasiro.ico"));
        QCOMPARE(picture(f, 19), QStringLiteral("kuro.ico"));
        int marked = 0;
        for (int k = 0; k < 64; ++k)
            marked += picture(f, k).startsWith(QStringLiteral("aka"));
        QCOMPARE(marked, 1);
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
        QTest::newRow("up") << rows({{0, "...B...."}, {1, "...W...."}, {2, "...W...."}}) << 1 << 27
                            << rows({{0, "...B...."}, {1, "...B...."}, {2, "...B...."}, {3, "...B...."}});
        QTest::newRow("down") << rows({{4, "...B...."}, {5, "...B...."}, {6, "...W...."}}) << -1 << 27
                              << rows({{3, "...W...."}, {4, "...W...."}, {5, "...W...."}, {6, "...W...."}});
        QTest::newRow("up-right") << rows({{0, "......B."}, {1, ".....W.."}, {2, "....W..."}}) << 1 << 27
                                  << rows({{0, "......B."}, {1, ".....B.."}, {2, "....B..."}, {3, "...B...."}});
        QTest::newRow("down-right") << rows({{4, "....W..."}, {5, ".....B.."}}) << 1 << 27
                                    << rows({{3, "...B...."}, {4, "....B..."}, {5, ".....B.."}});
        QTest::newRow("up-left") << rows({{0, "B......."}, {1, ".W......"}, {2, "..W....."}}) << 1 << 27
                                 << rows({{0, "B......."}, {1, ".B......"}, {2, "..B....."}, {3, "...B...."}});
        QTest::newRow("down-left") << rows({{4, "..W....."}, {5, ".W......"}, {6, "B......."}}) << 1 << 27
                                   << rows({{3, "...B...."}, {4, "..B....."}, {5, ".B......"}, {6, "B......."}});
        QTest::newRow("run to the edge") << rows({{3, "WWW....."}}) << 1 << 27 << QStringList();
        QTest::newRow("run broken by an empty cell") << rows({{3, "B.WW...."}}) << 1 << 28 << QStringList();
        QTest::newRow("own disc next to it") << rows({{3, "..B.WB.."}}) << 1 << 27 << rows({{3, "..BBBB.."}});
        QTest::newRow("only up to the first closing disc")
            << rows({{3, "....WBWB"}}) << 1 << 27 << rows({{3, "...BBBWB"}});
        QTest::newRow("three directions at once")
            << rows({{1, "...B...."}, {2, "...W...."}, {3, "BW......"}, {4, "....W..."}, {5, ".....B.."}}) << 1 << 26
            << rows({{1, "...B...."}, {2, "...W...."}, {3, "BBB....."}, {4, "....W..."}, {5, ".....B.."}});
        QTest::newRow("several closed runs")
            << rows({{1, "...B...."}, {2, "...W...."}, {3, "BWW.WWWB"}, {4, "....W..."}, {5, ".....B.."}}) << 1 << 27
            << rows({{1, "...B...."}, {2, "...B...."}, {3, "BBBBBBBB"}, {4, "....B..."}, {5, ".....B.."}});
        QTest::newRow("top-left corner")
            << rows({{0, ".WB....."}, {1, "WW......"}, {2, "B.B....."}}) << 1 << 0
            << rows({{0, "BBB....."}, {1, "BB......"}, {2, "B.B....."}});
        QTest::newRow("bottom-right corner")
            << rows({{5, ".....W.W"}, {6, "......WW"}, {7, ".....WW."}}) << 1 << 63 << QStringList();
        QTest::newRow("bottom-right corner closed")
            << rows({{5, ".....B.B"}, {6, "......WW"}, {7, ".....BW."}}) << 1 << 63
            << rows({{5, ".....B.B"}, {6, "......BB"}, {7, ".....BBB"}});
        QTest::newRow("left edge, nothing to the left")
            << rows({{3, ".WB....."}, {2, "W......."}}) << 1 << 24 << rows({{3, "BBB....."}, {2, "W......."}});
        QTest::newRow("right edge, white") << rows({{3, "....WBB."}}) << -1 << 31 << rows({{3, "....WWWW"}});
    }

    void scans()
    {
        QFETCH(QStringList, before);
        QFETCH(int, turn);
        QFETCH(int, cell);
        QFETCH(QStringList, after);
        setBoard(f, before, static_cast<qint16>(turn));
        const qint16 moves = f->moveCount;
        f->Image1_Click(static_cast<qint16>(cell));
        if (after.isEmpty()) {
            QCOMPARE(TestKit::boxTexts(), QStringList{refused});
            QCOMPARE(boardRows(f), before);
            QCOMPARE(f->turnColor, qint16(turn));
            QCOMPARE(f->moveCount, moves);
            QCOMPARE(f->MMControl1->playCount(), 0);
        } else {
            QVERIFY(TestKit::boxTexts().isEmpty());
            QCOMPARE(boardRows(f), after);
            QCOMPARE(f->turnColor, qint16(-turn));
            QCOMPARE(f->moveCount, qint16(moves + 1));
            QCOMPARE(f->MMControl1->playCount(), 1);
        }
        QCOMPARE(f->flipFound, qint16(0));
        QCOMPARE(f->moveMade, qint16(0));
        QCOMPARE(f->probeOnly, qint16(0));
    }

    void occupiedCellIsRefused()
    {
        f->Image1_Click(27);
        f->Image1_Click(0);
        QCOMPARE(TestKit::boxTexts(), QStringList({refused, refused}));
        QCOMPARE(f->Label5->text(), QStringLiteral("2"));
        QCOMPARE(f->turnColor, qint16(1));
        QCOMPARE(f->MMControl1->playCount(), 0);
    }

    void passRules()
    {
        // A legal move exists: the pass is refused and the probe changes nothing.
        f->Command1_Click();
        QCOMPARE(TestKit::boxTexts(), QStringList{canMove});
        QCOMPARE(f->turnColor, qint16(1));
        QCOMPARE(boardRows(f)[3], QStringLiteral("...WB..."));
        QCOMPARE(f->probeOnly, qint16(0));
        QCOMPARE(f->moveMade, qint16(0));
        TestKit::clearBoxes();

        // Black cannot move, white can: black's pass hands over silently.
        setBoard(f, rows({{0, "WB......"}}), 1);
        f->Command1_Click();
        QVERIFY(TestKit::boxTexts().isEmpty());
        QCOMPARE(f->turnColor, qint16(-1));
        QCOMPARE(f->Label1->text(), QStringLiteral("白 番"));
        QCOMPARE(f->passFlag, qint16(1));
        // White's move clears the pass, so black's next pass does not end the game.
        f->Image1_Click(2);
        QCOMPARE(f->passFlag, qint16(0));
        f->Command1_Click();
        QCOMPARE(f->Label1->text(), QStringLiteral("白 番"));
        QVERIFY(f->Command1->isVisibleTo(f));
        QVERIFY(TestKit::boxTexts().isEmpty());
        QCOMPARE(f->MMControl1->playCount(), 1);
    }

    void twoPassesEndTheGame()
    {
        setBoard(f, deadlock, 1);
        f->Command1_Click();
        QCOMPARE(f->Label1->text(), QStringLiteral("白 番"));
        f->Command1_Click();
        QCOMPARE(f->Label1->text(), QStringLiteral("終 局"));
        QVERIFY(colours(f->Label1, Rgb::lightGrey(), Rgb::blue()));
        QCOMPARE(f->Label2->text(), QStringLiteral("お 見 事 白 番 の 勝 利"));
        QVERIFY(colours(f->Label2, Rgb::white(), Rgb::black()));
        QCOMPARE(f->turnColor, qint16(-1));
        QVERIFY(TestKit::boxTexts().isEmpty());
        QCOMPARE(f->MMControl1->playCount(), 0);
        for (CellImage *cell : f->Image1)
            QVERIFY(!cell->isEnabled());
        QVERIFY(!f->Command1->isVisibleTo(f) && !f->Command3->isVisibleTo(f));
        QVERIFY(f->Command2->isVisibleTo(f) && f->Command4->isVisibleTo(f) && f->Command7->isVisibleTo(f));
    }

    void sixtiethMove_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QColor>("text");
        // Black takes the last cell, the corner (0,0), flipping only (0,1).
        QTest::newRow("33-31") << QStringList({".WBBBBBB", "BBBBBBBB", "BBBBBBBB", "BBBBBBBB", "BWWWWWWW",
                                               "WWWWWWWW", "WWWWWWWW", "WWWWWWWW"})
                               << QStringLiteral("お 見 事 黒 番 の 勝 利") << Rgb::black() << Rgb::white();
        QTest::newRow("32-32") << QStringList({".WBBBBBB", "BBBBBBBB", "BBBBBBBB", "BBBBBBBB", "WWWWWWWW",
                                               "WWWWWWWW", "WWWWWWWW", "WWWWWWWW"})
                               << QStringLiteral("こ の 勝 負 引 き 分 け") << Rgb::lightGrey() << Rgb::blue();
    }

    void sixtiethMove()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, result);
        QFETCH(QColor, background);
        QFETCH(QColor, text);
        setBoard(f, before, 1);
        QCOMPARE(f->moveCount, qint16(59));
        f->Image1_Click(0);
        QCOMPARE(f->moveCount, qint16(60));
        QCOMPARE(f->Label1->text(), QStringLiteral("終 局"));
        QCOMPARE(f->Label2->text(), result);
        QVERIFY(colours(f->Label2, background, text));
        QCOMPARE(picture(f, 0), QStringLiteral("kuro.ico"));  // the end removes the mark
        QCOMPARE(f->MMControl1->playCount(), 1);
        // The board takes no more clicks.
        QVERIFY(!f->Image1[9]->isEnabled());
    }

    void resignation_data()
    {
        QTest::addColumn<int>("turn");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QColor>("background");
        QTest::newRow("black resigns") << 1 << QStringLiteral("お 見 事 白 番 の 勝 利") << Rgb::white();
        QTest::newRow("white resigns") << -1 << QStringLiteral("お 見 事 黒 番 の 勝 利") << Rgb::black();
    }

    void resignation()
    {
        QFETCH(int, turn);
        QFETCH(QString, result);
        QFETCH(QColor, background);
        if (turn == -1)
            f->Image1_Click(19);
        const QString counts = f->Label5->text();
        QTest::mouseClick(f->Command3, Qt::LeftButton);
        QCOMPARE(f->Label1->text(), QStringLiteral("投 了"));
        QCOMPARE(f->Label2->text(), result);
        QCOMPARE(f->Label2->palette().color(QPalette::Window), background);
        QCOMPARE(f->Label5->text(), counts);
        // The resignation keeps the last mark on the board.
        if (turn == -1)
            QCOMPARE(picture(f, 19), QStringLiteral("akakuro.ico"));
        QVERIFY(!f->Image1[20]->isEnabled());
        QVERIFY(f->Command2->isVisibleTo(f) && f->Command4->isVisibleTo(f));
        QVERIFY(TestKit::boxTexts().isEmpty());
    }

    void newGameAfterTheEnd()
    {
        setBoard(f, deadlock, 1);
        f->Command1_Click();
        f->Command1_Click();
        QTest::mouseClick(f->Command2, Qt::LeftButton);
        QCOMPARE(boardRows(f)[3], QStringLiteral("...WB..."));
        QCOMPARE(f->moveCount, qint16(0));
        QCOMPARE(f->turnColor, qint16(1));
        QVERIFY(f->Label2->text().isEmpty());
        QCOMPARE(f->Label1->text(), QStringLiteral("黒 番"));
        QVERIFY(f->Image1[19]->isEnabled());
        QVERIFY(f->Command1->isVisibleTo(f) && f->Command3->isVisibleTo(f));
        QVERIFY(!f->Command2->isVisibleTo(f) && !f->Command4->isVisibleTo(f));
        QVERIFY(f->MMControl1->isOpen());
        f->Image1_Click(19);
        QCOMPARE(f->Label5->text(), QStringLiteral("4"));
    }

    void realMouseClicks()
    {
        f->show();
        QTest::mouseClick(f->Image1[19], Qt::LeftButton);
        QCOMPARE(f->Board[2][3], qint16(1));
        // A disabled cell (after the end) ignores the mouse.
        f->touryou();
        QTest::mouseClick(f->Image1[18], Qt::LeftButton);
        QCOMPARE(f->Board[2][2], qint16(0));
        QVERIFY(TestKit::boxTexts().isEmpty());
    }

    void closeBox()
    {
        f->Image1_Click(19);
        TestKit::queueAnswers({false});
        f->close();
        QCOMPARE(TestKit::boxTexts(), QStringList{QStringLiteral("終了しますか？")});
        QCOMPARE(Module1::loaded(FormId::Form1), f);
        QCOMPARE(f->Label5->text(), QStringLiteral("4"));
        QCOMPARE(f->turnColor, qint16(-1));
        QCOMPARE(TestKit::endCount(), 0);

        TestKit::queueAnswers({true});
        f->close();
        QCOMPARE(TestKit::endCount(), 1);
        QVERIFY(!Module1::loaded(FormId::Form1));
        QVERIFY(!f->MMControl1->isOpen());
    }

    void quitButtonEndsTheProgram()
    {
        f->touryou();
        QTest::mouseClick(f->Command4, Qt::LeftButton);
        QCOMPARE(TestKit::endCount(), 1);
        QVERIFY(!Module1::loaded(FormId::Form1));
        QVERIFY(TestKit::boxTexts().isEmpty());
    }

    void modeSelectDiscardsTheGame()
    {
        f->Image1_Click(19);
        QPointer<Form1> old(f);
        QTest::mouseClick(f->Command7, Qt::LeftButton);
        QVERIFY(TestKit::boxTexts().isEmpty());
        QVERIFY(!Module1::loaded(FormId::Form1));
        TestKit::settle();
        QVERIFY(!old);
        auto *again = qobject_cast<Form1 *>(Module1::show(FormId::Form1));
        QCOMPARE(again->Label5->text(), QStringLiteral("2"));
        QCOMPARE(again->turnColor, qint16(1));
        QCOMPARE(again->MMControl1->playCount(), 0);
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
        QVERIFY(TestKit::boxTexts().isEmpty());        // and nobody is bothered with a box
        QCOMPARE(f->MMControl1->playCount(), 2);       // the plays just go unheard
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"

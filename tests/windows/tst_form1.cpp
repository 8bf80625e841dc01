// Two people at one machine: what the window adds to the rules (pictures,
// labels, boxes, buttons), driven through the cell clicks and buttons a
// player uses. Cells are named by index (row * 8 + column).
#include <QTemporaryDir>
#include <QtTest>

#include "tests/common/access.h"
#include "tests/common/testkit.h"
#include "windowbase/layout.h"
#include "windows/local/form1.h"

namespace {
const QString refused = QStringLiteral("そこには打てません");

// Every cell shows what the board holds; only `marked` carries the mark.
void expectPictures(const MatchWindow *w, int marked)
{
    for (int k = 0; k < 64; ++k) {
        const int v = w->board().at(k);
        const QString plain = v == 1 ? "kuro.ico" : v == -1 ? "siro.ico" : "ban.ico";
        QCOMPARE(w->Image1[k]->pictureFile().section(QLatin1Char('/'), -1), k == marked ? "aka" + plain : plain);
    }
}
QString score(const MatchWindow *w) { return w->Label5->text() + QLatin1Char('-') + w->Label6->text(); }

void expectLabel(const QLabel *l, const QString &text, const QColor &background, const QColor &foreground)
{
    QCOMPARE(l->text(), text);
    QCOMPARE(l->palette().color(QPalette::Window), background);
    QCOMPARE(l->palette().color(QPalette::WindowText), foreground);
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

}  // namespace

class TestForm1 : public TestKit::WindowTest {
    Q_OBJECT
    Form1 *f = nullptr;

private slots:
    void init() { QVERIFY((f = qobject_cast<Form1 *>(Module1::show(FormId::Form1)))); }

    // The pictures and labels follow the moves; a refused click or pass
    // changes nothing and is told once, a double-click is one click. The
    // pass's hand-over is tested against the computer.
    void moves()
    {
        QSignalSpy sounds(f->MMControl1, &SoundEffect::played);
        QCOMPARE(score(f), QStringLiteral("2-2"));
        expectLabel(f->Label1, QStringLiteral("黒 番"), Rgb::black(), Rgb::white());
        f->Command1_Click();
        f->Image1_Click(27);
        TestKit::doubleClick(f->Image1[0]);
        QCOMPARE(TestKit::boxTexts(), (QStringList{QStringLiteral("打てるマスがあります"), refused, refused}));
        expectPictures(f, -1);

        TestKit::clearBoxes();
        TestKit::doubleClick(f->Image1[19]);
        QCOMPARE(score(f), QStringLiteral("4-1"));
        expectLabel(f->Label1, QStringLiteral("白 番"), Rgb::white(), Rgb::black());
        // White 18; black 17 flips the marked 18; white 9 flips 18 back.
        for (int k : {18, 17, 9})
            QTest::mouseClick(f->Image1[k], Qt::LeftButton);
        expectPictures(f, 9);
        QCOMPARE(sounds.size(), 4);
        // Framed labels draw their border in black, whatever their own colours.
        for (QLabel *l : {f->Label1, f->Label2, f->Label3, f->Label4, f->Label5, f->Label6})
            QVERIFY2(unframedPixels(l) == 0, qPrintable(l->objectName()));
    }

    // The sixtieth move ends the game, here drawn, and takes the mark off;
    // a new game brings back play; resigning keeps the mark.
    void ends()
    {
        TestAccess::setBoard(
            f, {".WBBBBBB", "BBBBBBBB", "BBBBBBBB", "BBBBBBBB", "WWWWWWWW", "WWWWWWWW", "WWWWWWWW", "WWWWWWWW"}, 1);
        f->Image1_Click(0);
        expectLabel(f->Label1, QStringLiteral("終 局"), Rgb::lightGrey(), Rgb::blue());
        expectPictures(f, -1);
        expectLabel(f->Label2, QStringLiteral("こ の 勝 負 引 き 分 け"), Rgb::lightGrey(), Rgb::blue());
        QTest::mouseClick(f->Command2, Qt::LeftButton);
        QCOMPARE(f->Label2->text(), QString());
        QVERIFY(f->Command1->isVisibleTo(f));
        QVERIFY(f->Command3->isVisibleTo(f));
        QTest::mouseClick(f->Image1[19], Qt::LeftButton);  // the cells take the mouse again
        QTest::mouseClick(f->Command3, Qt::LeftButton);    // white resigns
        QCOMPARE(f->Label1->text(), QStringLiteral("投 了"));
        expectPictures(f, 19);
        expectLabel(f->Label2, QStringLiteral("お 見 事 黒 番 の 勝 利"), Rgb::black(), Rgb::white());
    }

    void missingFilesKeepTheGamePlayable()
    {
        TestKit::reset();
        QTemporaryDir dir;
        Layout::setProgramDir(dir.path());
        f = qobject_cast<Form1 *>(Module1::show(FormId::Form1));
        QSignalSpy sounds(f->MMControl1, &SoundEffect::played);
        f->Image1_Click(19);
        f->Image1_Click(18);
        QCOMPARE(score(f), QStringLiteral("3-3"));
        QVERIFY(!f->Image1[19]->pixmap().isNull());  // an empty cell is drawn instead
        QCOMPARE(TestKit::boxTexts(), QStringList());
        QCOMPARE(sounds.size(), 2);  // the plays just go unheard
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"

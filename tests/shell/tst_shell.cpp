// The opening, the mode menu and the network settings dialogs, driven through
// their handlers, the mouse and the keyboard; then the assets they use.
#include <QtTest>
#include <QtWidgets>

#include "cpu/form2.h"
#include "local/form1.h"
#include "shell/form3.h"
#include "shell/form4.h"
#include "shell/form6.h"
#include "shell/form7.h"
#include "shell/layout.h"
#include "shell/module1.h"
#include "tests/common/testkit.h"

namespace {
// The opening as the program starts it; the test delivers the ticks itself.
Form4 *startOpening()
{
    auto *f = qobject_cast<Form4 *>(Module1::show(FormId::Form4));
    QObject::disconnect(f->Timer1, nullptr, f, nullptr);
    QObject::disconnect(f->Timer2, nullptr, f, nullptr);
    return f;
}
// Reveal steps, each followed by a pen move, until the stage is reached; returns
// the pen moves (at most 200). A new line's set-up is the reveal step before its first move.
int runTo(Form4 *f, int stage)
{
    int moves = 0;
    for (f->Timer1_Timer(); f->openingStage < stage && moves < 200; ++moves) {
        f->Timer2_Timer();
        f->Timer1_Timer();
    }
    return moves;
}
// The opening on a clock of its own: each timer ticks once its interval, as the
// previous tick left it, has passed; when both are due the pen, armed earlier,
// goes first. Returns the milliseconds at which each curtain went and the menu came.
QList<int> timeline(Form4 *f)
{
    QList<int> at(5, -1);
    int due1 = f->Timer1->interval(), due2 = f->Timer2->interval();
    while (f->Timer1->isActive() || f->Timer2->isActive()) {
        const bool pen = f->Timer2->isActive() && (!f->Timer1->isActive() || due2 <= due1);
        const int now = pen ? due2 : due1;
        if (pen) {
            f->Timer2_Timer();
            due2 = now + f->Timer2->interval();
        } else {
            f->Timer1_Timer();
            due1 = now + f->Timer1->interval();
        }
        for (int k = 0; k < 4; ++k)
            if (at[k] < 0 && f->Label5[k]->isHidden())
                at[k] = now;
        if (at[4] < 0 && Module1::loaded(FormId::Form3))
            at[4] = now;
    }
    return at;
}
// Windows not yet deleted, discarded ones included: a second menu shows here.
int windowsAlive() { return QApplication::topLevelWidgets().size(); }
QPoint quadrant(int area) { return {Twips::px(area % 2 ? 1000 : 3500), Twips::px(area <= 2 ? 1000 : 3300)}; }
// The pointer moves over the menu: delivered to whatever lies on top there.
QWidget *moveTo(Form3 *m, QPoint pos)
{
    QWidget *hit = m->childAt(pos);
    QMouseEvent move(QEvent::MouseMove, QPointF(hit->mapFrom(m, pos)), QPointF(m->mapToGlobal(pos)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(hit, &move);
    return hit;
}
QStringList visibleCaptions(Form3 *m)
{
    QStringList out;
    for (QLabel *l : {m->Label1, m->Label2, m->Label3, m->Label4, m->Label5, m->Label6})
        if (l->isVisible())
            out << l->text();
    return out;
}
SettingsDialog *open(FormId id) { return qobject_cast<SettingsDialog *>(Module1::show(id)); }
// Types as a user does; Japanese arrives committed by the input method.
void keys(QLineEdit *box, const QString &text)
{
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; }))
        return QTest::keyClicks(box, text);
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QCoreApplication::sendEvent(box, &commit);
}
// The settings store: name|host|port.
QString settings() { return Module1::getname() + '|' + Module1::gethost() + '|' + QString::number(Module1::getport()); }
}  // namespace

class TestShell : public QObject {
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
        // The match windows behind the dialogs, without their sockets.
        Module1::registerForm(FormId::form5, [] { return new KWindow(FormId::form5); });
        Module1::registerForm(FormId::Form8, [] { return new KWindow(FormId::Form8); });
    }
    void cleanup() { TestKit::reset(); }

    // The animation depends on tick counts only: 36, 36 and 17 pen moves, then one bang.
    void openingRunsToTheMenu()
    {
        Form4 *f = startOpening();
        QCOMPARE((QList<int>{runTo(f, 1), runTo(f, 2), runTo(f, 3)}), (QList<int>{36, 36, 17}));
        f->Timer2_Timer();  // the last hop; the pen then rests, still silent
        QVERIFY(!f->Timer2->isActive() && f->Label5[3]->isVisible() && f->MMControl1->playCount() == 0);
        f->Timer1_Timer();  // "JOV" uncovered with the bang
        QVERIFY(!f->Label5[3]->isVisible() && !Module1::loaded(FormId::Form3) && f->MMControl1->playCount() == 1);
        f->Timer1_Timer();
        f->Form_Click();  // a click queued behind the last tick
        QVERIFY(f->isUnloaded() && Module1::loaded(FormId::Form3)->isVisible() && f->MMControl1->playCount() == 1);
        QCOMPARE(windowsAlive(), 2);  // the opening and one menu
    }

    // Line 0 is whole after 36 hops of 100 ms, line 1 after 36 more, line 2
    // after 17; each curtain goes at the 20 ms step after its line, the last at
    // once; "JOV" shows 1.3 s later and the menu 1.3 s after that.
    void openingTimeline()
    {
        Form4 *f = startOpening();
        QCOMPARE(f->Timer1->timerType(), Qt::PreciseTimer);
        QCOMPARE(f->Timer2->timerType(), Qt::PreciseTimer);
        QCOMPARE(timeline(f), (QList<int>{3620, 7220, 8900, 10200, 11500}));
    }

    // Each line shows only where its curtain lies, however wide the face the
    // machine draws it in: before the pen moves, all is black but the pen.
    void curtainsCoverTheLines()
    {
        Form4 *f = startOpening();
        for (QLabel *line : f->Label1)
            line->setFont(Layout::font(60));  // wider and taller than any line is designed
        const QImage shot = f->grab().toImage();
        int lit = 0;
        for (int x = 0; x < shot.width(); ++x)
            for (int y = 0; y < shot.height(); ++y)
                lit += !f->Image1->geometry().contains(x, y) && shot.pixelColor(x, y) != Rgb::black();
        QCOMPARE(lit, 0);
    }

    // A click anywhere at any stage: the window, the pen, a line, the handle, a curtain.
    void skipShowsOneMenu()
    {
        for (int stage = 0; stage <= 4; ++stage)
            for (int target = 0; target < (stage < 4 ? 5 : 4); ++target) {  // every curtain is open at stage 4
                TestKit::reset();
                Form4 *f = startOpening();
                runTo(f, stage);
                const int bangs = f->MMControl1->playCount();
                QWidget *hit = QList<QWidget *>{f, f->Image1, f->Label1[stage % 3], f->Label3, f->Label5[3]}[target];
                QTest::mouseClick(hit, Qt::LeftButton, {}, target ? hit->rect().center() : QPoint(300, 206));
                // Hidden, not discarded, and silent; ticks already on their way change nothing.
                const QByteArray at = "stage " + QByteArray::number(stage) + ", target " + QByteArray::number(target);
                QVERIFY2(!f->isUnloaded() && !f->isVisible() && !f->Timer1->isActive() && !f->Timer2->isActive(), at);
                QVERIFY2(runTo(f, f->openingStage + 1) == 200, at);
                f->Form_Click();
                QVERIFY2(!f->MMControl1->isOpen() && f->MMControl1->playCount() == bangs && windowsAlive() == 2, at);
                QVERIFY2(Module1::loaded(FormId::Form3) && Module1::loaded(FormId::Form3)->isVisible(), at);
            }
    }

    // No keeps the window as it was; Yes ends the program.
    void closeBox_data()
    {
        QTest::addColumn<int>("stage");  // where the opening was left; 9: skipped
        QTest::addColumn<FormId>("id");
        QTest::newRow("opening, line 3 due") << 2 << FormId::Form4;
        QTest::newRow("opening, menu due") << 4 << FormId::Form4;
        QTest::newRow("menu right after a skip") << 9 << FormId::Form3;
        QTest::newRow("client dialog") << 9 << FormId::Form7;
    }
    void closeBox()
    {
        QFETCH(int, stage);
        QFETCH(FormId, id);
        Form4 *op = startOpening();
        if (stage > 4)
            op->Form_Click();
        runTo(op, stage);
        KWindow *w = Module1::show(id);
        const auto state = [op] {
            return QVariantList{op->openingStage, op->Image1->pos(), op->Timer1->isActive(), op->Timer1->interval(),
                                op->Timer2->isActive(), op->MMControl1->isOpen(), op->MMControl1->playCount()};
        };
        const QVariantList was = state();
        const int windows = windowsAlive();
        // Ticks, clicks and a second close arrive while the question is open; it is answered No.
        TestKit::setBoxHook([w, op](const QString &) {
            runTo(op, 6);
            op->Form_Click();
            w->close();
        });
        w->close();
        QCOMPARE(TestKit::boxTexts(), QStringList{QStringLiteral("終了しますか？")});
        QVERIFY(Module1::loaded(w->formId()) == w && w->isVisible() && windowsAlive() == windows);
        QCOMPARE(state(), was);
        op->Timer2_Timer();  // and the opening goes on from there
        QCOMPARE(state() != was, stage <= 4);
        TestKit::queueAnswers({true});
        w->close();
        QVERIFY(TestKit::endCount() == 1 && w->isUnloaded() && op->isUnloaded());
    }

    void menu_data()
    {
        QTest::addColumn<int>("area");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<FormId>("target");
        QTest::newRow("top left") << 1 << QStringList{"1台対戦"} << FormId::Form1;
        QTest::newRow("top right") << 2 << QStringList{"CPU対戦"} << FormId::Form2;
        QTest::newRow("bottom left") << 3 << QStringList{"通信対戦", "サーバ"} << FormId::Form6;
        QTest::newRow("bottom right") << 4 << QStringList{"通信対戦", "クライアント"} << FormId::Form7;
    }
    // Hovering shows the quadrant's captions with one click sound per change of
    // quadrant; a click opens that mode's window and discards the menu.
    void menu()
    {
        QFETCH(int, area);
        QFETCH(QStringList, captions);
        QFETCH(FormId, target);
        auto *m = qobject_cast<Form3 *>(Module1::show(FormId::Form3));
        QVERIFY(visibleCaptions(m).isEmpty());
        moveTo(m, quadrant(area == 1 ? 4 : 1));
        moveTo(m, quadrant(area) + QPoint(20, 5));
        QWidget *hit = moveTo(m, quadrant(area));
        QCOMPARE(visibleCaptions(m), captions);
        QCOMPARE(m->MMControl1->playCount(), 2);
        QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(m, quadrant(area)));
        QVERIFY(m->isUnloaded() && !m->MMControl1->isOpen());
        m->Label7_Click();  // a click queued behind it does nothing more
        for (int id = 0; id < formCount; ++id)
            QCOMPARE(Module1::loaded(FormId(id)) != nullptr, FormId(id) == target);
        QVERIFY(Module1::loaded(target)->isVisible());
    }

    // A window unloaded, or unloaded and deleted, while its box is open says
    // so, and the caller never touches it again.
    void boxesReportWhetherTheWindowSurvived()
    {
        KWindow *w = Module1::show(FormId::Form6);
        TestKit::queueAnswers({true, false});
        QCOMPARE(w->ask(QStringLiteral("?")), KWindow::Answer::Yes);
        QCOMPARE(w->ask(QStringLiteral("?")), KWindow::Answer::No);
        QVERIFY(w->survivesNotice(QStringLiteral("!")));

        TestKit::setBoxHook([](const QString &) { Module1::unload(FormId::Form6); });
        TestKit::queueAnswers({true});
        QCOMPARE(w->ask(QStringLiteral("?")), KWindow::Answer::Gone);
        w = Module1::show(FormId::Form6);
        QVERIFY(!w->survivesNotice(QStringLiteral("!")));

        TestKit::setBoxHook([](const QString &) {
            Module1::unload(FormId::Form6);
            TestKit::settle();
        });
        QPointer<KWindow> deleted = Module1::show(FormId::Form6);
        QVERIFY(!deleted->survivesNotice(QStringLiteral("!")));
        QVERIFY(deleted.isNull());
        QPointer<KWindow> deletedToo = Module1::show(FormId::Form6);
        QCOMPARE(deletedToo->ask(QStringLiteral("?")), KWindow::Answer::Gone);
        QVERIFY(deletedToo.isNull());
    }

    void entries_data()
    {
        QTest::addColumn<FormId>("id");
        QTest::addColumn<QString>("typed");  // name|address|own port
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("stored");  // 0: nothing; 9876: the default port chosen
        const FormId f6 = FormId::Form6, f7 = FormId::Form7;
        const QString bad = QStringLiteral("ポート番号入力"), ready = QStringLiteral("設定ボタンを押して下さい");
        QTest::newRow("server, blank name") << f6 << " ||" << ready << 9876;
        QTest::newRow("client, no name") << f7 << "||" << "PlayerName入力" << 0;
        QTest::newRow("client, no address") << f7 << "B||" << "IPアドレス入力" << 0;
        QTest::newRow("client, no port") << f7 << "B|h|" << bad << 0;
        QTest::newRow("default, box holds a port") << f7 << "B|h|1234" << ready << 9876;
        QTest::newRow("default, box holds letters") << f7 << "B|h|abc" << ready << 9876;
        for (const char *port : {"0", "0000", "abc", "-1", " 12", "12 ", "１２"})
            QTest::addRow("port '%s'", port) << f6 << "A||" + QString::fromUtf8(port) << bad << 0;
        for (const int n : {1, 9999, 10000})  // the box takes four characters
            QTest::addRow("port %d", n) << f6 << "A||" + QString::number(n) << ready << (n > 9999 ? 1000 : n);
    }
    // The status line names the first entry missing and "設定" waits for all; an
    // own port is 1 to 9999 in digits (the box takes four); the greyed-out box is ignored.
    void entries()
    {
        QFETCH(FormId, id);
        QFETCH(QString, typed);
        QFETCH(QString, status);
        QFETCH(int, stored);
        SettingsDialog *d = open(id);
        const QStringList in = typed.split('|');
        keys(d->Text3, in[0]);
        if (id == FormId::Form7)
            keys(static_cast<Form7 *>(d)->Text2, in[1]);
        QTest::mouseClick(d->Label4, Qt::LeftButton);  // the captions choose as well
        keys(d->Text1, in[2]);
        if (stored == 9876)
            QTest::mouseClick(d->Label3, Qt::LeftButton);
        QCOMPARE(d->statusLine()->text(), status);
        QCOMPARE(d->Command1->isEnabled(), stored != 0);
        d->Command1_Click();  // refused entries store nothing, even called directly
        QCOMPARE(int(Module1::getport()), stored);
        QCOMPARE(Module1::loaded(id == FormId::Form6 ? FormId::form5 : FormId::Form8) != nullptr, stored != 0);
    }

    // "設定" stores field by field and hides the dialog, which comes back as left.
    void storesAndReturns()
    {
        auto *f7 = static_cast<Form7 *>(open(FormId::Form7));
        keys(f7->Text3, QStringLiteral(" 山田花子さん"));  // six characters kept, untrimmed
        keys(f7->Text2, QStringLiteral("192.168.0.5 "));
        f7->Option2_Click();
        keys(f7->Text1, QStringLiteral("0123"));
        QTest::keyClick(f7->Text1, Qt::Key_Return);  // Enter confirms
        QVERIFY(!f7->isVisible() && Module1::loaded(FormId::Form7) == f7 && Module1::loaded(FormId::Form8));
        QCOMPARE(settings(), QStringLiteral(" 山田花子さ|192.168.0.5 |123"));
        SettingsDialog *f6 = open(FormId::Form6);  // the default port is chosen to begin with
        keys(f6->Text3, QStringLiteral("太郎"));
        QTest::mouseClick(f6->Command1, Qt::LeftButton);
        QCOMPARE(settings(), QStringLiteral("太郎|192.168.0.5 |9876"));
        Module1::unload(FormId::Form8);
        QCOMPARE(open(FormId::Form7), f7);
        QVERIFY(f7->isVisible() && f7->Option2->isChecked() && f7->Text1->isEnabled());
        QTest::mouseClick(f7->Command1, Qt::LeftButton);
        QCOMPARE(settings(), QStringLiteral(" 山田花子さ|192.168.0.5 |123"));
    }

    // Board squares are 32x32 ICO with dark or light discs, the red last-move mark only on "aka";
    // the sounds are 16-bit mono PCM WAVE whatever their extension, sizes consistent.
    void assets()
    {
        const QString dir = QCoreApplication::applicationDirPath();
        for (const QString name : {"ban", "kuro", "siro", "akakuro", "akasiro"}) {
            const QImage img(dir + "/icon/" + name + ".ico", "ico");
            const int centre = qGray(img.pixel(6, 15)), dark = name.endsWith("kuro"), light = name.endsWith("siro");
            QVERIFY2(img.size() == QSize(32, 32) && (dark ? centre < 90 : !light || centre > 190), qPrintable(name));
            int red = 0;
            for (int p = 0; p < 32 * 32; ++p) {
                const QRgb c = img.pixel(p % 32, p / 32);
                red += qRed(c) >= 170 && qGreen(c) <= 90 && qBlue(c) <= 90;
            }
            QVERIFY2(name.startsWith("aka") ? red >= 12 : red == 0, qPrintable(name));
        }
        for (const char *name : {"oku", "BANG"}) {
            QFile f(dir + "/SE/" + name + ".jov");
            const QByteArray b = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
            const auto u32 = [v = QByteArrayView(b)](int at) { return qFromLittleEndian<quint32>(v.data() + at); };
            QVERIFY2(b.size() > 44 && b.left(4) + b.mid(8, 8) == "RIFFWAVEfmt " && u32(4) + 8 == b.size(), name);
            // Format 1 (PCM), one channel, 16 bits a sample.
            QVERIFY2(b.mid(20, 4) == QByteArray("\1\0\1\0", 4) && b.mid(34, 2) == QByteArray("\20\0", 2), name);
            const qsizetype data = b.indexOf("data", 20 + u32(16));
            QVERIFY2(data > 0 && data + 8 + u32(data + 4) == b.size(), name);
        }
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"

// The opening, the mode menu and the network settings dialogs, driven through
// their handlers, the mouse and the keyboard; then the assets they use.
#include <QtTest>
#include <QtWidgets>

#include "tests/common/testkit.h"
#include "windowbase/layout.h"
#include "windows/menu/form3.h"
#include "windows/opening/form4.h"
#include "windows/settings/form7.h"

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
// the pen moves (at most 200).
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
// goes first. Returns "ms: what" for each new sight, for at most 20 s.
QStringList timeline(Form4 *f)
{
    QStringList seen, log;
    QSignalSpy bangs(f->MMControl1, &SoundEffect::played);
    int due1 = f->Timer1->interval(), due2 = f->Timer2->interval();
    for (int now = 0; now < 20000 && (f->Timer1->isActive() || f->Timer2->isActive());) {
        const bool pen = f->Timer2->isActive() && (!f->Timer1->isActive() || due2 <= due1);
        now = pen ? due2 : due1;
        (f->*(pen ? &Form4::Timer2_Timer : &Form4::Timer1_Timer))();
        (pen ? due2 : due1) = now + (pen ? f->Timer2 : f->Timer1)->interval();
        // What the opening has shown so far, each sight logged the first time.
        const auto see = [&](bool shown, const QString &sight) {
            if (shown && !seen.contains(sight)) {
                seen << sight;
                log << QString("%1: %2").arg(now).arg(sight);
            }
        };
        for (int k = 0; k < 4; ++k)
            see(f->Label5[k]->isHidden(), QString("curtain %1 open").arg(k + 1));
        see(!f->Timer2->isActive(), "pen at rest");
        see(!bangs.isEmpty(), QString("bang %1").arg(bangs.size()));
        see(Module1::loaded(FormId::Form3), "menu");
    }
    return log;
}
// Windows not yet deleted, discarded ones included: a second menu shows here.
int windowsAlive() { return QApplication::topLevelWidgets().size(); }
// A point in the menu's quadrant 1 (top left) to 4 (bottom right).
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
const QString nothingStored = "||0";
}  // namespace

class TestWindows : public TestKit::WindowTest {
    Q_OBJECT
private slots:
    // Line 1 is whole after 36 hops of 100 ms, line 2 after 36 more, line 3
    // after 17; each curtain goes at the 20 ms step after its line, the last at
    // once; "JOV" shows with the bang 1.3 s later and the menu 1.3 s after that.
    void openingTimeline()
    {
        Form4 *f = startOpening();
        const QStringList expected = {"3620: curtain 1 open", "7220: curtain 2 open",  "8900: curtain 3 open",
                                      "9000: pen at rest",    "10200: curtain 4 open", "10200: bang 1",
                                      "11500: menu"};
        QCOMPARE(timeline(f), expected);
        QVERIFY(f->isUnloaded());
        QVERIFY(Module1::loaded(FormId::Form3)->isVisible());
    }

    // Each line shows only where its curtain lies, however wide the face the
    // machine draws it in: before the pen moves, all is black but the pen.
    void curtainsCoverTheLines()
    {
        Form4 *f = startOpening();
        for (QLabel *line : f->Label1)
            line->setFont(Layout::font(60));  // wider and taller than any line is designed
        QImage shot = f->grab().toImage(), black(shot.size(), shot.format());
        QPainter(&shot).fillRect(f->Image1->geometry(), Rgb::black());  // the pen
        black.fill(Rgb::black());
        QCOMPARE(shot, black);
    }

    // A click anywhere at any stage: the window, the pen, a line, the handle, a curtain.
    void skipShowsOneMenu_data()
    {
        QTest::addColumn<int>("stage");
        QTest::addColumn<int>("target");
        const char *targets[] = {"window", "pen", "line", "handle", "last curtain"};
        for (int stage = 0; stage <= 4; ++stage)
            for (int target = 0; target < 5 - stage / 4; ++target)  // every curtain is open at stage 4
                QTest::addRow("stage %d, %s", stage, targets[target]) << stage << target;
    }
    void skipShowsOneMenu()
    {
        QFETCH(int, stage);
        QFETCH(int, target);
        Form4 *f = startOpening();
        runTo(f, stage);
        QSignalSpy bangs(f->MMControl1, &SoundEffect::played);
        QWidget *hit = QList<QWidget *>{f, f->Image1, f->Label1[stage % 3], f->Label3, f->Label5[3]}[target];
        QTest::mouseClick(hit, Qt::LeftButton, {}, target > 0 ? hit->rect().center() : QPoint(300, 206));
        // Hidden, not discarded, and silent; ticks already on their way change nothing.
        QVERIFY(!f->isUnloaded());
        QVERIFY(f->isHidden());
        QVERIFY(!f->Timer1->isActive());
        QVERIFY(!f->Timer2->isActive());
        QCOMPARE(runTo(f, f->openingStage + 1), 200);
        f->Form_Click();
        QVERIFY(!f->MMControl1->isOpen());
        QCOMPARE(bangs.size(), 0);
        QCOMPARE(windowsAlive(), 2);
        QVERIFY(Module1::loaded(FormId::Form3)->isVisible());
    }

    // No keeps the window as it was; Yes ends the program.
    void closeBox_data()
    {
        QTest::addColumn<int>("stage");  // where the opening was left; 9: skipped
        QTest::addColumn<FormId>("closed");
        QTest::newRow("opening, line 3 due") << 2 << FormId::Form4;
        QTest::newRow("opening, menu due") << 4 << FormId::Form4;
        QTest::newRow("menu right after a skip") << 9 << FormId::Form3;
        QTest::newRow("client dialog") << 9 << FormId::Form7;
    }
    void closeBox()
    {
        QFETCH(int, stage);
        QFETCH(FormId, closed);
        Form4 *op = startOpening();
        if (stage > 4)
            op->Form_Click();
        runTo(op, stage);
        KWindow *w = Module1::show(closed);
        QSignalSpy bangs(op->MMControl1, &SoundEffect::played);
        const auto state = [op, &bangs] {
            QString s;
            QDebug(&s) << op->openingStage << op->Image1->pos() << op->Timer1->isActive() << op->Timer1->interval()
                       << op->Timer2->isActive() << op->MMControl1->isOpen() << bangs.size();
            return s;
        };
        const QString was = state();
        const int windows = windowsAlive();
        // Ticks, clicks and a second close arrive while the question is open; it is answered No.
        TestKit::setBoxHook([w, op](const QString &) {
            runTo(op, 6);
            op->Form_Click();
            w->close();
        });
        w->close();
        QCOMPARE(TestKit::boxTexts(), QStringList{QStringLiteral("終了しますか？")});
        QCOMPARE(Module1::loaded(closed), w);
        QVERIFY(w->isVisible());
        QCOMPARE(windowsAlive(), windows);
        QCOMPARE(state(), was);
        op->Timer2_Timer();  // and the opening goes on from there
        QCOMPARE(state() != was, stage <= 4);
        TestKit::queueAnswers({true});
        w->close();
        QCOMPARE(TestKit::endCount(), 1);
        QVERIFY(w->isUnloaded());
        QVERIFY(op->isUnloaded());
    }

    void menu_data()
    {
        QTest::addColumn<int>("area");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<FormId>("opens");
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
        QFETCH(FormId, opens);
        auto *m = qobject_cast<Form3 *>(Module1::show(FormId::Form3));
        QSignalSpy clicks(m->MMControl1, &SoundEffect::played);
        QCOMPARE(visibleCaptions(m), QStringList());
        moveTo(m, quadrant(area == 1 ? 4 : 1));
        moveTo(m, quadrant(area) + QPoint(20, 5));
        QWidget *hit = moveTo(m, quadrant(area));
        QCOMPARE(visibleCaptions(m), captions);
        QCOMPARE(clicks.size(), 2);
        QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(m, quadrant(area)));
        QVERIFY(!m->MMControl1->isOpen());
        m->Label7_Click();  // a click queued behind it does nothing more
        QCOMPARE(TestKit::loadedWindows(), QList<int>{int(opens)});
        QVERIFY(Module1::loaded(opens)->isVisible());
    }

    // A window unloaded, or unloaded and deleted, while its box is open says
    // so, and the caller never touches it again.
    void boxesReportWhetherTheWindowSurvived()
    {
        QVERIFY(Module1::show(FormId::Form6)->survivesNotice(QStringLiteral("!")));
        for (const bool deleted : {false, true}) {
            TestKit::setBoxHook([deleted](const QString &) {
                Module1::unload(FormId::Form6);
                if (deleted)
                    TestKit::settle();
            });
            QPointer<KWindow> w = Module1::show(FormId::Form6);
            QVERIFY(!w->survivesNotice(QStringLiteral("!")));
            w = Module1::show(FormId::Form6);
            TestKit::queueAnswers({true});
            QCOMPARE(w->ask(QStringLiteral("?")), KWindow::Answer::Gone);
            QCOMPARE(w.isNull(), deleted);
        }
    }

    void entries_data()
    {
        QTest::addColumn<FormId>("dialog");
        QTest::addColumn<QString>("typed");     // name|address|own port
        QTest::addColumn<bool>("thenDefault");  // the default port chosen after typing
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("stored");  // name|host|port after "設定"
        const FormId f6 = FormId::Form6, f7 = FormId::Form7;
        const QString bad = "ポート番号入力", ready = "設定ボタンを押して下さい";
        QTest::newRow("server, blank name") << f6 << " ||" << true << ready << " ||9876";
        QTest::newRow("client, no name") << f7 << "||" << false << "PlayerName入力" << nothingStored;
        QTest::newRow("client, no address") << f7 << "B||" << false << "IPアドレス入力" << nothingStored;
        QTest::newRow("client, no port") << f7 << "B|h|" << false << bad << nothingStored;
        QTest::newRow("default, box holds a port") << f7 << "B|h|1234" << true << ready << "B|h|9876";
        QTest::newRow("default, box holds letters") << f7 << "B|h|abc" << true << ready << "B|h|9876";
        // Six characters of name kept, untrimmed; the address untrimmed; the port read as a number.
        QTest::newRow("client, all kept")
            << f7 << " 山田花子さん|192.168.0.5 |0123" << false << ready << " 山田花子さ|192.168.0.5 |123";
        for (const char *port : {"0", "0000", "abc", "-1", " 12", "12 ", "１２"})
            QTest::addRow("port '%s'", port) << f6 << "A||" + QString::fromUtf8(port) << false << bad << nothingStored;
        for (const char *port : {"1", "9999", "10000"})  // the box takes four characters
            QTest::addRow("port %s", port)
                << f6 << QString("A||%1").arg(port) << false << ready << QString("A||%1").arg(QString(port).left(4));
    }
    // The status line names the first entry missing and "設定" waits for all; an
    // own port is 1 to 9999 in digits; the greyed-out box is ignored.
    void entries()
    {
        QFETCH(FormId, dialog);
        QFETCH(QString, typed);
        QFETCH(bool, thenDefault);
        QFETCH(QString, status);
        QFETCH(QString, stored);
        auto *d = qobject_cast<SettingsDialog *>(Module1::show(dialog));
        const QStringList in = typed.split('|');
        keys(d->Text3, in[0]);
        if (dialog == FormId::Form7)
            keys(static_cast<Form7 *>(d)->Text2, in[1]);
        QTest::mouseClick(d->Label4, Qt::LeftButton);  // the captions choose as well
        keys(d->Text1, in[2]);
        if (thenDefault)
            QTest::mouseClick(d->Label3, Qt::LeftButton);
        QCOMPARE(d->statusLine()->text(), status);
        const bool accepted = stored != nothingStored;
        QCOMPARE(d->Command1->isEnabled(), accepted);
        QTest::keyClick(d->Text3, Qt::Key_Return);  // Enter presses "設定" when it may be pressed
        QCOMPARE(d->isHidden(), accepted);
        QCOMPARE(Module1::loaded(dialog), d);
        d->Command1_Click();  // refused entries store nothing, even called directly
        QCOMPARE(settings(), stored);
        QCOMPARE(Module1::loaded(dialog == FormId::Form6 ? FormId::form5 : FormId::Form8) != nullptr, accepted);
    }

    // Board squares are 32x32 icons with dark or light discs, the red last-move mark only on "aka";
    // the sounds are 16-bit mono PCM WAVE whatever their extension, sizes consistent.
    void assets()
    {
        const QString dir = QCoreApplication::applicationDirPath();
        for (const QString name : {"ban", "kuro", "siro", "akakuro", "akasiro"}) {
            const QImage img(dir + "/icon/" + name + ".ico", "ico");
            QVERIFY2(img.size() == QSize(32, 32), qPrintable(name));
            const int discEdge = qGray(img.pixel(6, 15));
            if (name != "ban")  // a dark disc on kuro, a light one on siro
                QVERIFY2(name.endsWith("kuro") ? discEdge < 90 : discEdge > 190, qPrintable(name + " disc"));
            int red = 0;
            for (int p = 0; p < 32 * 32; ++p) {
                const QRgb c = img.pixel(p % 32, p / 32);
                red += qRed(c) >= 170 && qGreen(c) <= 90 && qBlue(c) <= 90;
            }
            QVERIFY2(name.startsWith("aka") ? red >= 12 : red == 0, qPrintable(name + " marked"));
        }
        for (const QString name : {"oku", "BANG"}) {
            QFile f(dir + "/SE/" + name + ".jov");
            QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(name));
            const QByteArray b = f.readAll();
            const auto u32 = [&b](int at) { return qsizetype(qFromLittleEndian<quint32>(b.constData() + at)); };
            QVERIFY2(b.size() > 44, qPrintable(name + " has a header"));
            QVERIFY2(u32(4) + 8 == b.size(), qPrintable(name + " RIFF size"));
            QVERIFY2(b.mid(20, 4).toHex() == "01000100", qPrintable(name + " is one channel of PCM"));
            QVERIFY2(b.mid(34, 2).toHex() == "1000", qPrintable(name + " has 16 bits a sample"));
            const qsizetype data = b.indexOf("data", 20 + u32(16));
            QVERIFY2(data > 0, qPrintable(name + " has data"));
            QVERIFY2(data + 8 + u32(data + 4) == b.size(), qPrintable(name + " data size"));
        }
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "shell/form6.h"
#include "shell/form7.h"
#include "shell/module1.h"
#include "tests/common/testkit.h"

namespace {
// Stands in for the network match windows: records what it read from the
// settings when it loaded, and opens no socket.
class StubMatch : public KWindow {
public:
    explicit StubMatch(FormId id) : KWindow(id) {}
    void Form_Load() override
    {
        port = Module1::getport();
        name = Module1::getname();
        host = Module1::gethost();
    }
    qint16 port = 0;
    QString name, host;
};

StubMatch *stub(FormId id) { return dynamic_cast<StubMatch *>(Module1::loaded(id)); }

SettingsDialog *open(FormId id) { return qobject_cast<SettingsDialog *>(Module1::show(id)); }

QString status(SettingsDialog *d) { return d->statusLine()->text(); }

// Types as a user does: ASCII key by key, Japanese through the input
// method, one committed character at a time.
void keys(QLineEdit *box, const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(box, char(c.unicode()));
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QCoreApplication::sendEvent(box, &commit);
        }
    }
}

void type(QLineEdit *box, const QString &text)
{
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    keys(box, text);
}

QColor base(QWidget *w) { return w->palette().color(QPalette::Base); }
}  // namespace

class TestDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TestKit::init();
        Module1::registerForm(FormId::form5, [] { return new StubMatch(FormId::form5); });
        Module1::registerForm(FormId::Form8, [] { return new StubMatch(FormId::Form8); });
    }
    void cleanup() { TestKit::reset(); }

    void firstShowing_data()
    {
        QTest::addColumn<FormId>("id");
        QTest::newRow("Form6") << FormId::Form6;
        QTest::newRow("Form7") << FormId::Form7;
    }
    // Default port chosen, port box greyed out, the name asked for first.
    void firstShowing()
    {
        QFETCH(FormId, id);
        SettingsDialog *d = open(id);
        QVERIFY(d && d->isVisible());
        const bool host = id == FormId::Form6;
        QCOMPARE(d->windowTitle(),
                 host ? QStringLiteral("Dorvex Quorvane～サーバ設定～") : QStringLiteral("Dorvex Quorvane～クライアント設定～"));
        QCOMPARE(d->size(), host ? QSize(312, 182) : QSize(312, 263));
        QVERIFY(d->Option1->isChecked());
        QVERIFY(!d->Option2->isChecked());
        QVERIFY(!d->Text1->isEnabled());
        QCOMPARE(base(d->Text1), d->palette().color(QPalette::Button));
        QCOMPARE(status(d), QStringLiteral("PlayerName入力"));
        QVERIFY(!d->Command1->isEnabled());
        QCOMPARE(d->focusWidget(), d->Option1);
        // The bare option buttons carry the captions of the labels beside them.
        QCOMPARE(d->Option1->accessibleName(), QStringLiteral("デフォルトの設定を利用する"));
        QCOMPARE(d->Option2->accessibleName(), QStringLiteral("自分でポート番号を設定する"));
        QCOMPARE(host ? static_cast<Form6 *>(d)->Label2 : static_cast<Form7 *>(d)->Label6, d->statusLine());
        QCOMPARE(d->Option2->geometry().topLeft(), host ? QPoint(8, 128) : QPoint(8, 120));

        // The boxes hold what the notes beside them say.
        type(d->Text3, QStringLiteral("ABCDEFGH"));
        QCOMPARE(d->Text3->text(), QStringLiteral("ABCDEF"));
        type(d->Text3, QStringLiteral("山田花子さん達"));
        QCOMPARE(d->Text3->text(), QStringLiteral("山田花子さん"));
        d->Option2_Click();
        type(d->Text1, QStringLiteral("123456"));
        QCOMPARE(d->Text1->text(), QStringLiteral("1234"));
        if (!host) {
            auto *f7 = static_cast<Form7 *>(d);
            const QString longName = QStringLiteral("a-very-long-computer-name.example.lan");
            type(f7->Text2, longName);
            QCOMPARE(f7->Text2->text(), longName);
        }
    }

    // The status line names the first entry still missing; "設定" waits for all.
    void helpTable()
    {
        auto *f6 = static_cast<Form6 *>(open(FormId::Form6));
        keys(f6->Text3, QStringLiteral("A"));
        QCOMPARE(f6->Label2->text(), QStringLiteral("設定ボタンを押して下さい"));
        QVERIFY(f6->Command1->isEnabled());
        QTest::keyClick(f6->Text3, Qt::Key_Backspace);
        QCOMPARE(f6->Label2->text(), QStringLiteral("PlayerName入力"));
        QVERIFY(!f6->Command1->isEnabled());
        keys(f6->Text3, QStringLiteral(" "));  // blanks are a name
        QVERIFY(f6->Command1->isEnabled());

        auto *f7 = static_cast<Form7 *>(open(FormId::Form7));
        f7->Option2_Click();
        QCOMPARE(f7->Label6->text(), QStringLiteral("PlayerName入力"));
        keys(f7->Text3, QStringLiteral("B"));
        QCOMPARE(f7->Label6->text(), QStringLiteral("IPアドレス入力"));  // before the empty own port
        QVERIFY(!f7->Command1->isEnabled());
        keys(f7->Text2, QStringLiteral("127.0.0.1"));
        QCOMPARE(f7->Label6->text(), QStringLiteral("ポート番号入力"));
        QVERIFY(!f7->Command1->isEnabled());
        keys(f7->Text1, QStringLiteral("80"));
        QCOMPARE(f7->Label6->text(), QStringLiteral("設定ボタンを押して下さい"));
        QVERIFY(f7->Command1->isEnabled());
        f7->Text2->clear();
        QCOMPARE(f7->Label6->text(), QStringLiteral("IPアドレス入力"));
        f7->Text3->clear();
        QCOMPARE(f7->Label6->text(), QStringLiteral("PlayerName入力"));
    }

    // Choosing the port with the mouse, on the buttons or on their captions.
    void optionClicks()
    {
        SettingsDialog *d = open(FormId::Form6);
        keys(d->Text3, QStringLiteral("A"));
        QTest::mouseClick(d->Option2, Qt::LeftButton);
        QVERIFY(d->Option2->isChecked());
        QVERIFY(d->Text1->isEnabled());
        QCOMPARE(base(d->Text1), QColor(Qt::white));
        QCOMPARE(status(d), QStringLiteral("ポート番号入力"));
        QVERIFY(!d->Command1->isEnabled());
        keys(d->Text1, QStringLiteral("5000"));
        QVERIFY(d->Command1->isEnabled());

        d->Text1->clear();
        QTest::mouseClick(d->Option1, Qt::LeftButton);  // the default again: enabled
        QVERIFY(!d->Text1->isEnabled());
        QCOMPARE(base(d->Text1), d->palette().color(QPalette::Button));
        QCOMPARE(status(d), QStringLiteral("設定ボタンを押して下さい"));
        QVERIFY(d->Command1->isEnabled());

        QTest::mouseClick(d->Label4, Qt::LeftButton);
        QVERIFY(d->Option2->isChecked() && d->Text1->isEnabled());
        keys(d->Text1, QStringLiteral("12"));
        QTest::mouseClick(d->Label3, Qt::LeftButton);
        QVERIFY(d->Option1->isChecked() && !d->Text1->isEnabled());
        QCOMPARE(d->Text1->text(), QStringLiteral("12"));  // kept for later
        d->Option1_Click();                                // clicking it again changes nothing
        QVERIFY(d->Option1->isChecked() && !d->Text1->isEnabled());
    }

    void portValidation_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("inBox");
        QTest::addColumn<int>("stored");  // 0: refused
        QTest::newRow("0") << "0" << "0" << 0;
        QTest::newRow("0000") << "0000" << "0000" << 0;
        QTest::newRow("10000 is cut to 1000") << "10000" << "1000" << 1000;
        QTest::newRow("abc") << "abc" << "abc" << 0;
        QTest::newRow("-1") << "-1" << "-1" << 0;
        QTest::newRow("lone minus") << "-" << "-" << 0;
        QTest::newRow("leading space") << " 12" << " 12" << 0;
        QTest::newRow("trailing space") << "12 " << "12 " << 0;
        QTest::newRow("full-width digits") << "１２" << "１２" << 0;
        QTest::newRow("0080") << "0080" << "0080" << 80;
        QTest::newRow("1") << "1" << "1" << 1;
        QTest::newRow("9999") << "9999" << "9999" << 9999;
    }
    // An own port is 1 to 9999 in digits; anything else keeps "設定" off.
    void portValidation()
    {
        QFETCH(QString, typed);
        QFETCH(QString, inBox);
        QFETCH(int, stored);
        auto *f6 = static_cast<Form6 *>(open(FormId::Form6));
        keys(f6->Text3, QStringLiteral("A"));
        QTest::mouseClick(f6->Option2, Qt::LeftButton);
        keys(f6->Text1, typed);
        QCOMPARE(f6->Text1->text(), inBox);
        QCOMPARE(f6->Command1->isEnabled(), stored != 0);
        QCOMPARE(f6->Label2->text(),
                 stored ? QStringLiteral("設定ボタンを押して下さい") : QStringLiteral("ポート番号入力"));
        f6->Command1_Click();  // refused ones store nothing, even called directly
        QCOMPARE(int(Module1::getport()), stored);
        QCOMPARE(Module1::loaded(FormId::form5) != nullptr, stored != 0);
        QCOMPARE(SettingsDialog::portFromText(typed), qint16(stored == 1000 ? 0 : stored));
    }

    // With the default port chosen, the greyed-out box is ignored.
    void defaultPortWhateverTheBoxHolds()
    {
        for (const QString &left : {QStringLiteral("1234"), QStringLiteral("abc"), QString()}) {
            auto *f7 = static_cast<Form7 *>(open(FormId::Form7));
            keys(f7->Text3, QStringLiteral("B"));
            keys(f7->Text2, QStringLiteral("localhost"));
            f7->Option2_Click();
            keys(f7->Text1, left);
            f7->Option1_Click();
            QVERIFY(f7->Command1->isEnabled());
            QTest::mouseClick(f7->Command1, Qt::LeftButton);
            QCOMPARE(Module1::getport(), qint16(9876));
            QCOMPARE(stub(FormId::Form8)->port, qint16(9876));
            TestKit::reset();
        }
    }

    // "設定" stores field by field: joining, then hosting keeps the address.
    void storesFieldByField()
    {
        auto *f7 = static_cast<Form7 *>(open(FormId::Form7));
        keys(f7->Text3, QStringLiteral(" 花子"));
        keys(f7->Text2, QStringLiteral("192.168.0.5 "));
        f7->Option2_Click();
        keys(f7->Text1, QStringLiteral("0123"));
        QTest::keyClick(f7->Text1, Qt::Key_Return);  // Enter confirms
        QVERIFY(!f7->isVisible());
        QVERIFY(Module1::loaded(FormId::Form7) == f7);  // hidden, not discarded
        StubMatch *client = stub(FormId::Form8);
        QVERIFY(client && client->isVisible());
        QCOMPARE(client->name, QStringLiteral(" 花子"));  // as typed, untrimmed
        QCOMPARE(client->host, QStringLiteral("192.168.0.5 "));
        QCOMPARE(client->port, qint16(123));

        auto *f6 = static_cast<Form6 *>(open(FormId::Form6));
        QTest::keyClick(f6->Text3, Qt::Key_Return);  // nothing to confirm yet
        QVERIFY(f6->isVisible());
        keys(f6->Text3, QStringLiteral("太郎"));
        QTest::mouseClick(f6->Command1, Qt::LeftButton);
        QCOMPARE(Module1::getname(), QStringLiteral("太郎"));
        QCOMPARE(Module1::getport(), qint16(9876));
        QCOMPARE(Module1::gethost(), QStringLiteral("192.168.0.5 "));
        QVERIFY(stub(FormId::form5) && stub(FormId::form5)->isVisible());
        QCOMPARE(client->name, QStringLiteral(" 花子"));  // a loaded window keeps its copy
    }

    // Back from the menu, a dialog is as it was left: one click starts again.
    void hideAndReturn()
    {
        auto *f7 = static_cast<Form7 *>(open(FormId::Form7));
        keys(f7->Text3, QStringLiteral("B"));
        keys(f7->Text2, QStringLiteral("server"));
        f7->Option2_Click();
        keys(f7->Text1, QStringLiteral("4000"));
        f7->Command1_Click();
        Module1::unload(FormId::Form8);  // the match window goes back to the menu
        TestKit::settle();
        Module1::setclientdata(QString(), 0, QString());

        QCOMPARE(open(FormId::Form7), f7);
        QVERIFY(f7->isVisible());
        QCOMPARE(f7->Text3->text(), QStringLiteral("B"));
        QCOMPARE(f7->Text2->text(), QStringLiteral("server"));
        QVERIFY(f7->Option2->isChecked() && f7->Text1->isEnabled());
        QCOMPARE(f7->Text1->text(), QStringLiteral("4000"));
        QCOMPARE(f7->Label6->text(), QStringLiteral("設定ボタンを押して下さい"));
        QTest::mouseClick(f7->Command1, Qt::LeftButton);
        QCOMPARE(stub(FormId::Form8)->port, qint16(4000));
        QCOMPARE(stub(FormId::Form8)->host, QStringLiteral("server"));
    }

    // The close box asks; No keeps the dialog as it was, Yes quits everything.
    void closeBox()
    {
        auto *f7 = static_cast<Form7 *>(open(FormId::Form7));
        keys(f7->Text3, QStringLiteral("B"));
        keys(f7->Text2, QStringLiteral("h"));
        f7->Command1_Click();  // Form7 hidden, Form8 shown
        auto *f6 = static_cast<Form6 *>(open(FormId::Form6));
        keys(f6->Text3, QStringLiteral("A"));

        TestKit::queueAnswers({false});
        f6->close();
        QCOMPARE(TestKit::boxTexts(), QStringList{QStringLiteral("終了しますか？")});
        QCOMPARE(TestKit::boxes().first().kind, MsgBox::Kind::Question);
        QVERIFY(Module1::loaded(FormId::Form6) == f6 && f6->isVisible());
        QCOMPARE(f6->Text3->text(), QStringLiteral("A"));
        QCOMPARE(TestKit::endCount(), 0);

        TestKit::queueAnswers({true});
        f6->close();
        QCOMPARE(TestKit::endCount(), 1);
        for (FormId id : {FormId::Form6, FormId::Form7, FormId::Form8})
            QVERIFY(!Module1::loaded(id));
        TestKit::settle();
        QVERIFY(!Module1::show(FormId::Form6));  // nothing opens once the program ends
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"

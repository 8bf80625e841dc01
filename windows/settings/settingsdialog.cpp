#include "windows/settings/settingsdialog.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

#include "windowbase/announcer.h"
#include "windowbase/layout.h"
#include "windowbase/module1.h"
#include "windowbase/msgbox.h"

namespace {
QLineEdit *textBox(QWidget *parent, int l, int t, int w, int h, double points, bool bold, int maxLength)
{
    auto *box = new QLineEdit(parent);
    Layout::place(box, l, t, w, h);
    if (points > 0)
        box->setFont(Layout::font(points, bold));
    if (maxLength > 0)
        box->setMaxLength(maxLength);
    return box;
}

QRadioButton *bareOption(QWidget *parent, int l, int t, QLabel *caption)
{
    auto *option = new QRadioButton(parent);
    Layout::place(option, l, t, 255, 180);
    // The caption is a label of its own beside the button: name the button
    // after it so assistive technology reads what it chooses.
    option->setAccessibleName(caption->text());
    caption->setBuddy(option);
    return option;
}
}  // namespace

SettingsDialog::SettingsDialog(const Design &d) : KWindow(d.id), m_matchWindow(d.matchWindow)
{
    setCaptionAndSize(d.caption, 4680, d.clientHeight);
    Layout::LabelStyle heading;
    heading.points = 12;
    heading.bold = true;

    Label7 = Layout::label(this, 120, 120, 1935, 255, QStringLiteral("PlayerName入力"), heading);
    Text3 = textBox(this, 120, 480, 2175, 390, 15.75, true, 6);
    Text3->setAccessibleName(Label7->text());
    Label8 = Layout::label(this, 2400, 600, 1455, 255, QStringLiteral("※6文字まで"), heading);
    Label1 = Layout::label(this, 120, 1080, 1815, 255, QStringLiteral("ポート番号入力"), heading);

    const int top1 = d.optionTop, top2 = d.optionTop + 360;
    Label3 = Layout::label(this, 480, top1, 2295, 255, QStringLiteral("デフォルトの設定を利用する"), {});
    Option1 = bareOption(this, 120, top1, Label3);
    Label4 = Layout::label(this, 480, top2, 2295, 255, QStringLiteral("自分でポート番号を設定する"), {});
    Option2 = bareOption(this, 120, top2, Label4);
    Text1 = textBox(this, d.text1Left, top2, 495, 270, 0, false, 4);
    Text1->setAccessibleName(Label4->text());
    Text1->setInputMethodHints(Qt::ImhDigitsOnly | Qt::ImhPreferLatin);
    m_portNote = Layout::label(this, d.portNoteLeft, top2, 975, 255, QStringLiteral("※4桁まで"), {});

    Command1 = Layout::button(this, 120, d.commandTop, 615, 375, QStringLiteral("設定"));
    Command1->setEnabled(false);
    Layout::LabelStyle status;
    status.points = 15.75;
    status.bold = true;
    status.framed = true;
    status.background = Rgb::white();
    m_status = Layout::label(this, 840, d.commandTop, 3735, 375, QString(), status);

    // Clicking the text beside an option chooses it, as with any option button.
    Label3->installEventFilter(this);
    Label4->installEventFilter(this);

    connect(Option1, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            portChoiceChanged();
    });
    connect(Option2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            portChoiceChanged();
    });
    connect(Text1, &QLineEdit::textChanged, this, [this] { Text1_Change(); });
    connect(Text3, &QLineEdit::textChanged, this, [this] { Text3_Change(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

    // The headings take no focus; Tab walks the entries from top to bottom,
    // then "設定".
    setTabOrder(Text3, Option1);
    setTabOrder(Option1, Option2);
    setTabOrder(Option2, Text1);
    setTabOrder(Text1, Command1);
}

void SettingsDialog::keyPressEvent(QKeyEvent *event)
{
    // Enter, in whichever control the boxes and options leave it to the
    // dialog, presses "設定" as its default command, and only when it may be
    // pressed.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        if (Command1->isEnabled())
            Command1->click();
        else  // the status line names the entry still missing
            Announcer::of(this)->say(QStringLiteral("設定できません、") + m_status->text());
        return;
    }
    KWindow::keyPressEvent(event);
}

void SettingsDialog::Form_Load()
{
    // The first control to take the focus is Option1, and taking it chooses
    // the default port. Later showings keep whatever the user left.
    Option1_Click();
    Option1->setFocus();
    help();
}

void SettingsDialog::Option1_Click()
{
    if (!Option1->isChecked())
        Option1->setChecked(true);  // toggled runs the choice
    else
        portChoiceChanged();
}

void SettingsDialog::Option2_Click()
{
    if (!Option2->isChecked())
        Option2->setChecked(true);
    else
        portChoiceChanged();
}

void SettingsDialog::portChoiceChanged()
{
    // The typed port stays in the box either way; greyed out, it is not used.
    const bool own = Option2->isChecked();
    Text1->setEnabled(own);
    Layout::setColors(Text1, own ? Rgb::white() : palette().color(QPalette::Button), Rgb::black());
    help();
}

qint16 SettingsDialog::portFromText(const QString &text)
{
    if (text.isEmpty() || text.size() > 4)
        return 0;
    int port = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
        port = port * 10 + (c.unicode() - '0');
    }
    return qint16(port);  // 0 when all zeros: no port
}

void SettingsDialog::help()
{
    QString missing;
    if (Text3->text().isEmpty())
        missing = QStringLiteral("PlayerName入力");
    else if (addressMissing())
        missing = QStringLiteral("IPアドレス入力");
    else if (Text1->isEnabled() && portFromText(Text1->text()) == 0)
        missing = QStringLiteral("ポート番号入力");
    m_status->setText(missing.isEmpty() ? QStringLiteral("設定ボタンを押して下さい") : missing);
    Command1->setEnabled(missing.isEmpty());
}

void SettingsDialog::Command1_Click()
{
    help();
    if (!Command1->isEnabled())
        return;  // never store an entry that help would refuse
    const qint16 port = Text1->isEnabled() ? portFromText(Text1->text()) : DEFAULT_PORT;
    store(Text3->text(), port);
    // Hidden, not discarded: the next visit finds the entries as they were.
    Module1::hide(formId());
    Module1::show(m_matchWindow);
}

void SettingsDialog::Form_QueryUnload(bool &cancel, int unloadMode)
{
    if (confirmQuit(cancel, unloadMode))
        syuuryou();
}

void SettingsDialog::syuuryou()
{
    // A dialog holds no device of its own.
    quitProgram();
}

bool SettingsDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == Label3)
            Option1->click();
        else if (watched == Label4)
            Option2->click();
    }
    return KWindow::eventFilter(watched, event);
}

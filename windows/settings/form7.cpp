#include "windows/settings/form7.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "windowbase/layout.h"
#include "windowbase/module1.h"

Form7::Form7()
    : SettingsDialog(Design{FormId::Form7, QStringLiteral("Dorvex Quorvane～クライアント設定～"), 3945, 1440, 2880,
                            3480, 3480, FormId::Form8})
{
    Label9 = m_portNote;
    Label6 = m_status;

    Layout::LabelStyle heading;
    heading.points = 12;
    heading.bold = true;
    Label2 = Layout::label(this, 120, 2280, 3375, 255, QStringLiteral("サーバのIPアドレス入力(必須)"), heading);
    Label5 = Layout::label(this, 120, 2640, 4095, 255, QStringLiteral("※LANの場合はコンピュータ名でも可"), heading);
    Text2 = new QLineEdit(this);
    Layout::place(Text2, 120, 3000, 4455, 375);
    Text2->setFont(Layout::font(12, true));
    Text2->setAccessibleName(Label2->text());
    Text2->setInputMethodHints(Qt::ImhUrlCharactersOnly | Qt::ImhPreferLatin);
    connect(Text2, &QLineEdit::textChanged, this, [this] { Text2_Change(); });
    // The address box lies below the port choice.
    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Command1);
}

bool Form7::addressMissing() const { return Text2->text().isEmpty(); }

void Form7::store(const QString &name, qint16 port) { Module1::setclientdata(name, port, Text2->text()); }

#include "windows/settings/form6.h"

#include "windowbase/module1.h"

Form6::Form6()
    : SettingsDialog(Design{FormId::Form6, QStringLiteral("Dorvex Quorvane～サーバ設定～"), 2730, 1560, 2760, 3360,
                            2280, FormId::form5})
{
    Label2 = m_status;
    Label5 = m_portNote;
}

void Form6::store(const QString &name, qint16 port) { Module1::setserverdata(name, port); }

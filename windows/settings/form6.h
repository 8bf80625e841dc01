#pragma once
#include "windows/settings/settingsdialog.h"

// The host's settings: player name and port, then the host window form5.
class Form6 : public SettingsDialog {
    Q_OBJECT
public:
    Form6();

    QLabel *Label2 = nullptr;  // status line
    QLabel *Label5 = nullptr;  // "※4桁まで"

protected:
    void store(const QString &name, qint16 port) override;
};

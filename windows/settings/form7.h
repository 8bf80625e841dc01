#pragma once
#include "windows/settings/settingsdialog.h"

// The client's settings: player name, port and the server's address, then
// the client window Form8.
class Form7 : public SettingsDialog {
    Q_OBJECT
public:
    Form7();

    QLabel *Label9 = nullptr;    // "※4桁まで"
    QLabel *Label2 = nullptr;    // "サーバのIPアドレス入力(必須)"
    QLabel *Label5 = nullptr;    // "※LANの場合はコンピュータ名でも可"
    QLineEdit *Text2 = nullptr;  // server address or computer name
    QLabel *Label6 = nullptr;    // status line

    void Text2_Change() { help(); }

protected:
    bool addressMissing() const override;
    void store(const QString &name, qint16 port) override;
};

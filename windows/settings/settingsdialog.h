#pragma once
// What the host dialog Form6 and the client dialog Form7 share: the player
// name, the choice between the default port and an own one, the status line
// naming the first missing entry, and "設定". Form7 adds the server address.
#include "windowbase/kwindow.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class SettingsDialog : public KWindow {
    Q_OBJECT
public:
    static constexpr qint16 DEFAULT_PORT = 9876;

    // ---- controls ----
    QLabel *Label7 = nullptr;         // "PlayerName入力"
    QLineEdit *Text3 = nullptr;       // player name, at most 6 characters
    QLabel *Label8 = nullptr;         // "※6文字まで"
    QLabel *Label1 = nullptr;         // "ポート番号入力"
    QRadioButton *Option1 = nullptr;  // the default port
    QLabel *Label3 = nullptr;         // text of Option1
    QRadioButton *Option2 = nullptr;  // an own port
    QLabel *Label4 = nullptr;         // text of Option2
    QLineEdit *Text1 = nullptr;       // own port, at most 4 characters
    QPushButton *Command1 = nullptr;  // "設定"

    // ---- handlers and procedures ----
    void Form_Load() override;
    void Form_QueryUnload(bool &cancel, int unloadMode) override;
    void Option1_Click();
    void Option2_Click();
    void Text1_Change() { help(); }
    void Text3_Change() { help(); }
    void Command1_Click();
    // Re-evaluates the entries: the status line names the first one missing
    // and "設定" is enabled only when none is.
    void help();
    void syuuryou();

    // The port an own-port text stands for: 1 to 9999 written in digits,
    // leading zeros allowed. 0 for anything else.
    static qint16 portFromText(const QString &text);

    QLabel *statusLine() const { return m_status; }

protected:
    struct Design {
        FormId id;
        QString caption;
        int clientHeight;  // twips, as every coordinate below
        int optionTop;     // Option1; Option2, Text1 and the note lie 360 lower
        int text1Left;
        int portNoteLeft;
        int commandTop;  // "設定" and the status line
        FormId matchWindow;
    };
    explicit SettingsDialog(const Design &design);

    // Form7: the server address is still empty.
    virtual bool addressMissing() const { return false; }
    // Hands the entries to the settings store.
    virtual void store(const QString &name, qint16 port) = 0;
    // Enter anywhere in the dialog presses "設定" when it is enabled.
    void keyPressEvent(QKeyEvent *event) override;

    QLabel *m_status = nullptr;    // Label2 on Form6, Label6 on Form7
    QLabel *m_portNote = nullptr;  // Label5 on Form6, Label9 on Form7

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void portChoiceChanged();

    FormId m_matchWindow;
};

#pragma once
#include <QTimer>

#include "match/netmatchwindow.h"

class PortMap;
class QShortcut;

// The host's match window: listens for one client and plays black.
class form5 : public NetMatchWindow {
    Q_OBJECT
public:
    form5();

    QTimer *Timer1 = nullptr;  // connection wait, asks every minute

    void conet() override;
    void Timer1_Timer();
    void Winsock1_ConnectionRequest(qint32 requestID);
    void Form_Unload() override;

    // Asks the home router to forward the port while the window listens or
    // plays; the mapping goes with the window.
    PortMap *portMap() const { return m_portMap; }
    // While waiting: what the friend types ("203.0.113.7:9876", with
    // " [2400:4050::5]:9876" where IPv6 is open too, or the IPv6 one alone),
    // shown in the empty chat input and copied by Ctrl+C; empty once
    // connected.
    QString friendAddress() const { return m_friendAddress; }

protected:
    bool leftUnheard() override;

private:
    // Locks the board, shows status and listens on the port; false (and
    // told, then the menu) if the port cannot be opened.
    bool listen(const QString &status);
    void showFriendAddress();
    void hideFriendAddress();

    PortMap *m_portMap = nullptr;
    QShortcut *m_copy = nullptr;
    QString m_friendAddress;
};

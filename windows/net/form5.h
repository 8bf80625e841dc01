#pragma once
#include <QTimer>

#include "match/netmatchwindow.h"

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
};

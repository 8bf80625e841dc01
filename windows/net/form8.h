#pragma once
#include "match/netmatchwindow.h"

// The client's match window: connects to the host and plays white.
class Form8 : public NetMatchWindow {
    Q_OBJECT
public:
    Form8();

    QString hostAddress;
    i16 retryCount = 0;  // attempts since the window opened or the last retry question

    void getdatas() override;
    void conet() override;
    void Winsock1_Connect();
    void Winsock1_Error(qint16 Number, const QString &Description);
};

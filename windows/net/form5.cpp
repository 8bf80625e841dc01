#include "windows/net/form5.h"

#include "windowbase/module1.h"
#include "windowbase/msgbox.h"

form5::form5()
    : NetMatchWindow(Design{FormId::form5, QStringLiteral("Dorvex Quorvane～通信対戦サーバ～"), 6150, 5280,
                            QStringLiteral("再 戦"), 21.75, false},
                     1, Place{120, 2040, 4935})
{
    Timer1 = new QTimer(this);
    Timer1->setInterval(60000);
    // The tick waits like a socket event when a box is open, and the timer
    // stays stopped until the question is answered, so questions never stack.
    connect(Timer1, &QTimer::timeout, this, [this] {
        Timer1->stop();
        post([this] { Timer1_Timer(); });
    });
    connect(Winsock1, &Winsock::ConnectionRequest, this,
            [this](qint32 id) { post([this, id] { Winsock1_ConnectionRequest(id); }); });
}

void form5::conet()
{
    lockBoard();
    Label2->setText(QStringLiteral("CONNECT待機中"));
    Winsock1->setLocalPort(portNumber > 0 ? static_cast<quint16>(portNumber) : 0);
    if (portNumber <= 0 || !Winsock1->Listen()) {
        // Told once the window is up, from the event loop.
        QMetaObject::invokeMethod(
            this,
            [this] {
                post([this] {
                    if (survivesNotice(QStringLiteral("ポートを開けませんでした。")))
                        modesentaku();
                });
            },
            Qt::QueuedConnection);
        return;
    }
    Timer1->start();
}

void form5::Timer1_Timer()
{
    Timer1->stop();
    const Answer keepWaiting = ask(QStringLiteral("接続待機時間が1分間を越えました。待機しますか？。"));
    if (keepWaiting == Answer::Gone || connected == 1)
        return;
    if (keepWaiting == Answer::Yes) {
        Timer1->start();
        return;
    }
    if (survivesNotice(QStringLiteral("接続待機をキャンセルしました。")))
        modesentaku();
}

void form5::Winsock1_ConnectionRequest(qint32 requestID)
{
    if (connected == 1)
        return;  // only the first client plays; the others are turned away
    Timer1->stop();
    Winsock1->Close();
    Winsock1->Accept(requestID);
    if (showConnected(QStringLiteral("あなたの手番です")))
        cunlock();
}

void form5::Form_Unload()
{
    Timer1->stop();
    NetMatchWindow::Form_Unload();
}

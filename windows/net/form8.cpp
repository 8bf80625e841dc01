#include "windows/net/form8.h"

#include "windowbase/module1.h"
#include "windowbase/msgbox.h"

Form8::Form8()
    : NetMatchWindow(Design{FormId::Form8, QStringLiteral("Dorvex Quorvane～通信対戦クライアント～"), 6150, 5280,
                            QStringLiteral("再 戦"), 21.75, false},
                     White, Place{0, 1920, 5055})
{
    connect(Winsock1, qOverload<>(&Winsock::Connect), this, [this] { post([this] { Winsock1_Connect(); }); });
    connect(Winsock1, &Winsock::Error, this, [this](qint16 number, const QString &description) {
        post([this, number, description] { Winsock1_Error(number, description); });
    });
}

void Form8::getdatas()
{
    hostAddress = Module1::gethost();
    portNumber = Module1::getport();
    playerName = Module1::getname();
}

void Form8::conet()
{
    Label2->setText(QStringLiteral("CONNECT待機中"));
    retryCount = retryCount + 1;
    Winsock1->Connect(hostAddress, static_cast<quint16>(portNumber));
}

void Form8::Winsock1_Connect() { showConnected(QStringLiteral("あいての手番です")); }

void Form8::Winsock1_Error(qint16 Number, const QString &)
{
    // Once connected, a failure shows as the loss of the connection.
    if (net()->connected)
        return;
    Winsock1->Close();
    if (Number != Winsock::ConnectionRefused) {
        // The name does not resolve, the network is unreachable or nobody
        // answers: retrying at once would not help.
        if (survivesNotice(QStringLiteral("サーバに接続できませんでした。")))
            modesentaku();
        return;
    }
    if (retryCount <= 10) {
        conet();
        return;
    }
    retryCount = 0;
    const Answer again = ask(QStringLiteral("10回接続要求を失敗しました。繰り返しますか？。"));
    if (again == Answer::Yes)
        conet();
    else if (again == Answer::No && survivesNotice(QStringLiteral("接続要求をキャンセルしました。")))
        modesentaku();
}

#include "windows/net/form5.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QShortcut>

#include "net/portmap.h"
#include "windowbase/announcer.h"
#include "windowbase/module1.h"
#include "windowbase/msgbox.h"

form5::form5()
    : NetMatchWindow(Design{FormId::form5, QStringLiteral("Dorvex Quorvane～通信対戦サーバ～"), 6150, 5280,
                            QStringLiteral("再 戦"), 21.75, false},
                     Black, Place{120, 2040, 4935})
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

    m_portMap = new PortMap(this);
    connect(m_portMap, &PortMap::changed, this, [this] {
        if (!net()->connected && Winsock1->state() == Winsock::State::Listening)
            showFriendAddress();
    });
    // The chat input is disabled while waiting, so the window itself takes
    // the copy key.
    m_copy = new QShortcut(QKeySequence::Copy, this);
    m_copy->setEnabled(false);
    connect(m_copy, &QShortcut::activated, this, [this] {
        if (!m_friendAddress.isEmpty())
            QGuiApplication::clipboard()->setText(m_friendAddress);
    });
}

void form5::conet()
{
    if (!listen(QStringLiteral("CONNECT待機中")))
        return;
    // The router is asked in the background; the window is shown meanwhile
    // with this machine's own address.
    m_portMap->open(static_cast<quint16>(portNumber));
    showFriendAddress();
}

bool form5::leftUnheard()
{
    // A port scanner, or a client gone before a word: the host waits again,
    // on the same port with the same mapping, and shows the same address.
    forgetPeer();
    if (listen(QStringLiteral("切断 CONNECT待機中"))) {
        showFriendAddress();
        Announcer::of(this)->say(QStringLiteral("接続が切れました。相手を待っています。"));
    }
    return true;
}

bool form5::listen(const QString &status)
{
    lockBoard();
    Label2->setText(status);
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
        return false;
    }
    Timer1->start();
    return true;
}

void form5::showFriendAddress()
{
    const QString port = QString::number(portNumber);
    const QStringList local = PortMap::localAddresses();
    QStringList internet;  // what a friend on the internet types, IPv4 first
    QString shown, spoken;
    if (m_portMap->reachableFromInternet()) {
        const QString external = m_portMap->externalAddress();
        const QString externalPort = QString::number(m_portMap->externalPort());
        internet << external + QLatin1Char(':') + externalPort;
        spoken =
            QStringLiteral("インターネットの相手はアドレス %1、ポート %2 で接続できます。").arg(external, externalPort);
    }
    const QString ipv6 = m_portMap->openIPv6Address();
    if (!ipv6.isEmpty()) {
        internet << QLatin1Char('[') + ipv6 + QStringLiteral("]:") + port;
        spoken += QStringLiteral("IPv6 ではアドレス %1、ポート %2 で接続できます。").arg(ipv6, port);
    }
    // What the router would not do is said here, never in a box.
    QString refused;
    if (m_portMap->state() == PortMap::State::Taken) {
        shown = QStringLiteral("ルータの%1番は使用中").arg(port);
        refused = QStringLiteral("ルータのポート %1 は他の機器が使っています。").arg(port);
    } else if (m_portMap->state() == PortMap::State::LongPortOnly) {
        // A five-digit port would not fit the friend's dialog.
        shown = QStringLiteral("外部ポート不可 ");
        refused = QStringLiteral(
            "ルータが入力できないポートしか割り当てないため、IPv4 ではインターネットから接続できません。");
    }
    if (!internet.isEmpty()) {
        m_friendAddress = internet.join(QLatin1Char(' '));
        shown = QStringLiteral("接続先 ") + m_friendAddress;
    } else if (!local.isEmpty()) {
        m_friendAddress = local.first() + QLatin1Char(':') + port;
        if (m_portMap->state() != PortMap::State::Taken)
            shown += QStringLiteral("LAN内 ") + m_friendAddress;
        spoken = QStringLiteral("同じネットワークの相手はアドレス %1、ポート %2 で接続できます。")
                     .arg(local.join(QStringLiteral(" または ")), port);
    } else {
        m_friendAddress.clear();
    }
    spoken.prepend(refused);
    if (!m_friendAddress.isEmpty())
        spoken += QStringLiteral("Ctrl+C でコピーできます。");
    Text1->setPlaceholderText(shown);
    Text1->setAccessibleDescription(spoken);
    setAccessibleDescription(spoken);
    m_copy->setEnabled(!m_friendAddress.isEmpty());
}

void form5::hideFriendAddress()
{
    m_friendAddress.clear();
    Text1->setPlaceholderText(QString());
    Text1->setAccessibleDescription(QString());
    setAccessibleDescription(QString());
    m_copy->setEnabled(false);
}

void form5::Timer1_Timer()
{
    Timer1->stop();
    if (net()->connected)
        return;  // a tick that waited behind the connection
    const Answer keepWaiting = ask(QStringLiteral("接続待機時間が1分間を越えました。待機しますか？。"));
    if (keepWaiting == Answer::Gone || net()->connected)
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
    if (net()->connected)
        return;  // only the first client plays; the others are turned away
    Timer1->stop();
    hideFriendAddress();
    Winsock1->Close();
    Winsock1->Accept(requestID);
    if (showConnected(QStringLiteral("あなたの手番です")))
        cunlock();
}

void form5::Form_Unload()
{
    Timer1->stop();
    // Every way out passes here, quitting too (the program ends right after,
    // without waiting for anything): the removal is bounded.
    m_portMap->release();
    NetMatchWindow::Form_Unload();
}

#include "match/netmatchwindow.h"

#include "match/announcements.h"
#include "match/chatlist.h"
#include "windowbase/layout.h"
#include "windowbase/module1.h"
#include "windowbase/msgbox.h"

namespace {
std::function<ChatList *()> &chatList()
{
    static std::function<ChatList *()> list;
    return list;
}
}  // namespace

void NetMatchWindow::setChatList(std::function<ChatList *()> list) { chatList() = std::move(list); }

NetMatchWindow::NetMatchWindow(const Design &design, Disc ownColor, const Place &place)
    : MatchWindow(design, new NetSeat(ownColor))
{
    m_net = static_cast<NetSeat *>(seat());
    Winsock1 = m_net->Winsock1;
    Label8 = Layout::label(this, place.label8Left, 4920, 1935, 255, QStringLiteral("チャットメッセージ："),
                           Layout::LabelStyle{11.25, true, false, false, QColor(), QColor()});
    Text1 = new QLineEdit(this);
    Layout::place(Text1, place.text1Left, 4800, place.text1Width, 375);
    Text1->setFont(Layout::font(14.25));
    Text1->setMaxLength(Protocol::maxChatTextChars);
    Text1->setEnabled(false);
    Text1->setAccessibleName(Label8->text());
    Label8->setBuddy(Text1);
    connect(Text1, &QLineEdit::returnPressed, this, [this] { Text1_KeyPress(13); });

    m_net->leftUnheard = [this] { return leftUnheard(); };
    m_net->setChatList([](const QString &line) {
        if (ChatList *list = chatList() ? chatList()() : nullptr)
            list->addLine(line);
    });
    // Mode select waits for the end of a game (or of play).
    connect(match(), &Match::newGame, this, [this] { Command7->setEnabled(false); });
}

void NetMatchWindow::Form_Load()
{
    syokika();
    getdatas();
    conet();
    if (isUnloaded())
        return;
    MMControl1->open(Layout::programPath(QStringLiteral("\\SE\\oku.jov")));
}

void NetMatchWindow::getdatas()
{
    portNumber = Module1::getport();
    playerName = Module1::getname();
}

bool NetMatchWindow::showConnected(const QString &status)
{
    m_net->connected = true;
    if (!survivesNotice(QStringLiteral("Connect完了")))
        return false;
    Module1::show(FormId::Form9);  // beside this window, which keeps the focus on its board
    boardFocus->setFocus();
    Text1->setEnabled(true);
    sayStatus(status);
    return true;
}

void NetMatchWindow::modesentaku()
{
    Winsock1->Close();
    MMControl1->close();
    Module1::unload(formId());
    Module1::unload(FormId::Form9);
    Module1::show(FormId::Form3);
}

void NetMatchWindow::Form_QueryUnload(bool &cancel, int unloadMode)
{
    if (unloadMode != 0)
        return;
    if (m_net->connected) {
        cancel = true;
        m_net->forceEnd();
        return;
    }
    if (confirmQuit(cancel, unloadMode))
        syuuryou();
}

void NetMatchWindow::forgetPeer()
{
    m_net->forget();
    Module1::unload(FormId::Form9);
    Text1->clear();
    Text1->setEnabled(false);
    announcements()->skipNewGame();
    syokika();
}

void NetMatchWindow::Text1_KeyPress(i16 KeyAscii)
{
    if (KeyAscii != 13)
        return;
    const QString text = Text1->text();
    if (text.isEmpty()) {
        MsgBox::notice(QStringLiteral("文字を入力してください"));
        return;
    }
    m_net->chat(playerName, text);
    Text1->clear();
}

// The network window carries out what its session decides: every press,
// answer, received message, completed send and lost connection goes through
// NetSession, which returns the steps.

#include "match/announcements.h"
#include "match/netmatchwindow.h"

void NetMatchWindow::Command2_Click() { carryOut(m_session.request(Protocol::Rematch)); }
void NetMatchWindow::Command4_Click() { carryOut(m_session.request(Protocol::Quit)); }
void NetMatchWindow::Command7_Click() { carryOut(m_session.request(Protocol::ModeSelect)); }

void NetMatchWindow::Winsock1_SendComplete()
{
    // No box opens here; an unload on the way is only deferred deletion.
    carryOut(m_session.completed());
}

void NetMatchWindow::carryOut(const NetSession::Steps &steps)
{
    using Step = NetSession::Step;
    for (const Step &s : steps) {
        if (isUnloaded())
            return;
        switch (s.kind) {
        case Step::Play:
            Image1_Click(s.value);
            break;
        case Step::PeerPassed:
            Label2->setText(QStringLiteral("あいてはパスしました。"));
            pass();
            break;
        case Step::PeerResigned:
            touryou();
            break;
        case Step::Notice:
            if (!survivesNotice(s.text))
                return;
            break;
        case Step::Ask: {
            const Answer yes = ask(s.text);
            if (yes == Answer::Gone)
                return;
            carryOut(m_session.answered(s.value, yes == Answer::Yes, turn()));
            break;
        }
        case Step::NewGame:
            syokika();
            announcements()->newGame(board().turnColor());
            break;
        case Step::Menu:
            return modesentaku();
        case Step::End:
            return syuuryou();
        case Step::Send:
            carryOut(m_session.sent(s.followUp, Winsock1->SendData(s.bytes)));
            break;
        case Step::Lock:
            lockBoard();
            break;
        case Step::Unlock:
            cunlock();
            break;
        case Step::Settle:
            carryOut(m_session.settle(turn()));
            break;
        case Step::Chat:
            listChat(s.text);
            announcements()->chat(s.text);
            break;
        case Step::Status:
            Label2->setText(s.text);
            announcements()->status(s.text);
            break;
        case Step::Stop:  // as after a game, but for the result
            Command1->hide();
            Command3->hide();
            Command2->show();
            Command4->show();
            Command7->setEnabled(true);
            setCellsEnabled(false);
            break;
        }
    }
}

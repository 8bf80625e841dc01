// The network window's side of the agreements: it asks the agreement rules
// what a press or a received number means and carries out what they decide.
#include "match/netmatchwindow.h"

void NetMatchWindow::request(i16 code)
{
    m_rules.request(code);
    sendNumber(code);
}

void NetMatchWindow::Command2_Click() { request(Protocol::Rematch); }
void NetMatchWindow::Command4_Click() { request(Protocol::Quit); }
void NetMatchWindow::Command7_Click() { request(Protocol::ModeSelect); }

void NetMatchWindow::agreementCheck(i16 value, const QString &text)
{
    using Meaning = Agreement::Meaning;
    const i16 code = static_cast<i16>(qAbs(value));
    bool survived = true;
    switch (m_rules.receive(value)) {
    case Meaning::Ignored:
        return m_log.ignored(QStringLiteral("an answer to no request"), text);
    case Meaning::Question: {
        const Answer yes = ask(Agreement::questionText(code));
        if (yes == Answer::Gone)
            return;
        // What follows the answer is settled now and travels with it.
        Agreement::FollowUp f;
        const i16 answer = m_rules.answer(code, yes == Answer::Yes, f);
        lastMessage = QString::number(answer);
        sendNumber(answer, f);
        break;
    }
    case Meaning::Refused:
        survived = survivesNotice(Agreement::refusedText(code));
        break;
    case Meaning::Accepted: {
        const Agreement::FollowUp f = Agreement::onAccepted(code);
        if (f == Agreement::FollowUp::NewGame)
            syokika();  // the new game is on the board before the notice shows
        survived = survivesNotice(Agreement::acceptedText(code));
        if (survived && Agreement::isLeaving(f))
            followUp(f);
        break;
    }
    }
    if (survived && !isUnloaded())
        settleBoard();
}

void NetMatchWindow::followUp(Agreement::FollowUp f)
{
    switch (f) {
    case Agreement::FollowUp::Nothing:
        return;
    case Agreement::FollowUp::NewGame:
        if (!m_rules.leaving())
            syokika();
        return;
    case Agreement::FollowUp::Menu:
        return modesentaku();
    case Agreement::FollowUp::EndProgram:
        return syuuryou();
    }
}

void NetMatchWindow::settleBoard()
{
    if (connected == 0 || gameOver() || board().turnColor() != m_ownColor)
        return;
    if (m_rules.mayPlay())
        cunlock();
    else
        lockBoard();
}

void NetMatchWindow::Winsock1_SendComplete()
{
    // No box opens here; an unload on the way is only deferred deletion.
    followUp(m_rules.completed());
    if (!isUnloaded())
        settleBoard();
}

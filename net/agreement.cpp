#include "net/agreement.h"

#include "net/protocol.h"

int Agreement::slot(qint16 code)
{
    const int i = qAbs(code) - Protocol::ModeSelect;
    return qBound(0, i, 2);
}

void Agreement::request(qint16 code) { ++m_outstanding[slot(code)]; }

int Agreement::outstanding(qint16 code) const { return m_outstanding[slot(code)]; }

bool Agreement::awaitingAnswers() const { return m_outstanding[0] + m_outstanding[1] + m_outstanding[2] > 0; }

bool Agreement::mayPlay() const
{
    for (FollowUp f : m_followUps)
        if (f == FollowUp::NewGame)
            return false;
    return !awaitingAnswers();
}

Agreement::FollowUp Agreement::completed()
{
    if (m_followUps.empty())
        return FollowUp::Nothing;
    const FollowUp f = m_followUps.front();
    m_followUps.pop_front();
    return f;
}

Agreement::FollowUp Agreement::pendingLeave() const
{
    for (FollowUp f : m_followUps)
        if (isLeaving(f))
            return f;
    return FollowUp::Nothing;
}

Agreement::Meaning Agreement::receive(qint16 value)
{
    if (m_leaving)
        return Meaning::Ignored;
    int &left = m_outstanding[slot(value)];
    if (left > 0) {
        // The answer to the oldest unanswered request of this kind, or the
        // peer's own request crossing ours, which agrees to it just the same.
        --left;
        return value > 0 ? Meaning::Accepted : Meaning::Refused;
    }
    // A refusal of nothing this side asked is not a question.
    return value > 0 ? Meaning::Question : Meaning::Ignored;
}

Agreement::FollowUp Agreement::onAccepted(qint16 code)
{
    switch (qAbs(code)) {
    case Protocol::Rematch:
        return FollowUp::NewGame;
    case Protocol::Quit:
        return FollowUp::EndProgram;
    default:
        return FollowUp::Menu;
    }
}

qint16 Agreement::answer(qint16 code, bool yes, FollowUp &followUp)
{
    code = qAbs(code);
    followUp = yes ? onAccepted(code) : FollowUp::Nothing;
    if (isLeaving(followUp))
        m_leaving = true;
    return yes ? code : qint16(-code);
}

namespace {
struct Texts {
    const char *question, *accepted, *refused;
};
const Texts &texts(qint16 code)
{
    static const Texts mode{"相手はモード選択を希望しました。許可しますか?。", "相手はモード選択を許可しました。",
                            "モード選択は許可されませんでした。"};
    static const Texts rematch{"相手は再戦を希望しました。許可しますか?。", "相手は再戦を許可しました。",
                               "再戦は許可されませんでした。"};
    static const Texts quit{"相手は終了を希望しました。許可しますか?。", "相手は終了を許可しました。",
                            "終了は許可されませんでした。"};
    switch (qAbs(code)) {
    case Protocol::Rematch:
        return rematch;
    case Protocol::Quit:
        return quit;
    default:
        return mode;
    }
}
}  // namespace

QString Agreement::questionText(qint16 code) { return QString::fromUtf8(texts(code).question); }
QString Agreement::acceptedText(qint16 code) { return QString::fromUtf8(texts(code).accepted); }
QString Agreement::refusedText(qint16 code) { return QString::fromUtf8(texts(code).refused); }

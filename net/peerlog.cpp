#include "net/peerlog.h"

#include <QtDebug>

void PeerLog::ignored(const QString &why, const QString &text)
{
    if (++m_count > 1)
        return;
    QString shown = text.left(40);
    for (QChar &ch : shown)
        if (ch.unicode() < 0x20)
            ch = QLatin1Char('.');
    qWarning().noquote() << QStringLiteral(
                                "kobanto: ignored %1 from the peer: \"%2\"%3 (further ones are not reported)")
                                .arg(why, shown, text.size() > 40 ? QStringLiteral("...") : QString());
}

void PeerLog::dropped()
{
    ++m_count;
    if (m_dropReported)
        return;
    m_dropReported = true;
    qWarning().noquote() << "kobanto: the peer sends faster than it is answered; further data is dropped"
                            " until the open box closes";
}

#pragma once
// What the peer sent that was not acted on, counted and reported once per
// window: a misbehaving peer must not flood the log.
#include <QString>

class PeerLog {
public:
    // A message that means nothing at this point (a move out of turn, junk).
    void ignored(const QString &why, const QString &text);
    // Data dropped because too much is waiting for a box to close.
    void dropped();
    int count() const { return m_count; }

private:
    int m_count = 0;
    bool m_dropReported = false;
};

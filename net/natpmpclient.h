#pragma once
// NAT-PMP spoken directly over UDP to the gateway, with every answer checked
// against the request before anything in it is used. Blocking: for the port
// mapping's worker thread.
#include <QtGlobal>

namespace NatPmp {
struct Answer {
    bool answered = false;  // a well-formed answer to this very request came
    quint16 result = 0;     // the router's result code (0: done)
    quint16 external = 0;   // mapping: the router's port
    quint32 lifetime = 0;   // mapping: seconds, as the router wrote them
    quint32 address = 0;    // address request: the router's outside, host order
};
// Asks gateway (IPv4, host order) to forward TCP port internal from the port
// suggested, for lifetime seconds; lifetime 0 removes the mapping.
Answer mapTcp(quint32 gateway, quint16 internal, quint16 suggested, quint32 lifetime);
// Asks gateway for its outside address.
Answer publicAddress(quint32 gateway);
}  // namespace NatPmp

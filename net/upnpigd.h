#pragma once
// UPnP IGD, for the gateway alone: discovery within a time budget that
// believes only answers from the gateway naming the gateway, the device
// description read with a bound, and the port mapping calls of libminiupnpc
// on what that description says. Blocking: for the port mapping's worker
// thread.
#include <QtGlobal>
#include <memory>

namespace Upnp {
// The gateway's Internet Gateway Device and this machine's address towards it.
struct Igd;

// The largest device description read; a longer one is refused.
constexpr int maxDescriptionBytes = 64 * 1024;

// The IGD on gateway (IPv4, host order), or nullptr when none answered
// within budgetMs or what answered is not to be believed.
std::shared_ptr<Igd> find(quint32 gateway, int budgetMs);

struct Mapped {
    int error = 0;      // 0, or the UPnP error (718: the port is another machine's)
    bool permanent = false;  // the router keeps only mappings without lease
};
// Maps TCP port (outside and inside alike) to this machine for leaseSeconds,
// and believes it only once the router lists it so.
Mapped add(const Igd &igd, quint16 port, int leaseSeconds);
// The router's outside address (host order), 0 when it gives none in the
// dotted form.
quint32 externalAddress(const Igd &igd);
void remove(const Igd &igd, quint16 port);
}  // namespace Upnp

#pragma once
// UPnP IGD, for the gateway alone: discovery within a time budget that
// believes only answers from the gateway naming the gateway, the device
// description read with a bound, and the port mapping calls of libminiupnpc
// on what that description says. Blocking: for the port mapping's worker
// thread.
#include <QHostAddress>
#include <atomic>
#include <memory>
#include <string>

namespace Upnp {
// The gateway's Internet Gateway Device and this machine's address towards it
// (over IPv6: its firewall).
struct Igd;

// The name the router shows beside the mapping.
constexpr const char *mappingName = "Kobanto";

// The largest device description read; a longer one is refused.
constexpr int maxDescriptionBytes = 64 * 1024;

// The IGD on gateway (IPv4, or IPv6 with the interface as scope), or nullptr
// when none answered within budgetMs (or before cancel) or what answered is
// not to be believed.
std::shared_ptr<Igd> find(const QHostAddress &gateway, int budgetMs, const std::atomic<bool> &cancel);
// This machine's address towards the IGD.
QHostAddress localAddress(const Igd &igd);

struct Mapped {
    int error = 0;           // 0, or the UPnP error (718: the port is another machine's)
    bool permanent = false;  // the router keeps only mappings without lease
};
// Maps TCP port (outside and inside alike) to this machine for leaseSeconds,
// and believes it only once the router lists it so.
Mapped add(const Igd &igd, quint16 port, int leaseSeconds);
// The router's outside address (host order), 0 when it gives none in the
// dotted form.
quint32 externalAddress(const Igd &igd);
void remove(const Igd &igd, quint16 port);

// IPv6: opens the router's firewall to TCP port on this machine from
// anywhere for leaseSeconds; the pinhole's id, empty when refused.
std::string addPinhole(const Igd &igd, quint16 port, int leaseSeconds);
bool updatePinhole(const Igd &igd, const std::string &id, int leaseSeconds);
void deletePinhole(const Igd &igd, const std::string &id);
}  // namespace Upnp

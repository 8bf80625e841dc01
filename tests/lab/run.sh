#!/usr/bin/env bash
# The router lab: a home network behind a router and a machine on the
# internet, as three network namespaces of this machine joined by veth pairs.
# The router masquerades the home network, drops what it forwards unless it
# is an answer or miniupnpd opened it, and loses 5 % of the TCP packets it
# forwards. The internet has a STUN server (stund), with which miniupnpd
# finds whether the router's outside is open. Runs the given program (and its
# arguments) with the namespaces' names in KOBANTO_LAB_HOME,
# KOBANTO_LAB_ROUTER and KOBANTO_LAB_INTERNET and miniupnpd's configuration
# in KOBANTO_LAB_DIR, and removes everything afterwards.
#   tests/lab/run.sh build/bin/lab_router
#   tests/lab/run.sh --home PROGRAM              PROGRAM in the home network
#   tests/lab/run.sh --home-with-router PROGRAM  the same, miniupnpd running
#   tests/lab/run.sh --check    only says whether the lab can run here
# Exit 77 (skipped) when it cannot run here, saying why; under CI a skip fails.
set -euo pipefail
lab=$(cd "$(dirname "$0")" && pwd)

skip() {
  echo "router lab skipped: $*"
  if [ "${CI:-}" = true ]; then
    echo "CI must run the router lab" >&2
    exit 1
  fi
  [ "$check" = no ] || exit 0
  exit 77
}

[ "$#" -ge 1 ] || { echo "usage: $0 PROGRAM [ARGS] | --check" >&2; exit 2; }
check=no
[ "$1" != --check ] || check=yes
[ "$(id -u)" -eq 0 ] || skip "needs root to make network namespaces"
for tool in ip nft miniupnpd stund python3; do
  command -v "$tool" >/dev/null 2>&1 || PATH=$PATH:/usr/sbin:/sbin
  command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed (scripts/setup installs it)"
done

# Names of this run's own, so that runs side by side do not meet.
home=kbhome$$ router=kbrouter$$ inet=kbinet$$
dir= stun= upnpd=
cleanup() {
  for pid in $stun $upnpd; do
    kill "$pid" 2>/dev/null || true
  done
  for ns in "$home" "$router" "$inet"; do
    ip netns del "$ns" 2>/dev/null || true
  done
  [ -z "$dir" ] || rm -rf "$dir"
}
trap cleanup EXIT
ip netns add "$home" 2>/dev/null || skip "network namespaces cannot be made here"
[ "$check" = no ] || { echo "router lab: runs (as root, in network namespaces of its own)"; exit 0; }
ip netns add "$router"
ip netns add "$inet"

for ns in "$home" "$router" "$inet"; do
  ip -n "$ns" link set lo up
  # IPv6 addresses usable at once: no duplicate detection holds them back.
  ip netns exec "$ns" sysctl -qw net.ipv6.conf.all.accept_dad=0 net.ipv6.conf.default.accept_dad=0
done
# Created inside the namespaces, so no name is taken on this machine.
ip -n "$router" link add lan0 type veth peer name eth0 netns "$home"
ip -n "$router" link add wan0 type veth peer name eth0 netns "$inet"
ip -n "$home" addr add 192.168.77.2/24 dev eth0
ip -n "$home" link set eth0 up
ip -n "$home" route add default via 192.168.77.1
ip -n "$router" addr add 192.168.77.1/24 dev lan0
ip -n "$router" addr add 11.0.0.1/24 dev wan0
ip -n "$router" link set lan0 up
ip -n "$router" link set wan0 up
ip netns exec "$router" sysctl -qw net.ipv4.ip_forward=1
# Two addresses: the STUN server answers from the other one when asked. The
# lab may give the router a carrier's address on the same link.
ip -n "$inet" addr add 11.0.0.2/24 dev eth0
ip -n "$inet" addr add 11.0.0.3/24 dev eth0
ip -n "$inet" link set eth0 up
ip -n "$inet" route add 100.64.0.0/10 dev eth0
# IPv6, routed without NAT; the home reaches the router by its link-local
# address, as homes learn it.
ip -n "$home" addr add 2400:77::2/64 dev eth0
ip -n "$home" route add default via fe80::1 dev eth0
ip -n "$router" addr add fe80::1/64 dev lan0
ip -n "$router" addr add 2400:77::1/64 dev lan0
ip -n "$router" addr add 2400:100::1/64 dev wan0
ip netns exec "$router" sysctl -qw net.ipv6.conf.all.forwarding=1
ip -n "$inet" addr add 2400:100::2/64 dev eth0
ip -n "$inet" route add default via 2400:100::1

ip netns exec "$router" nft -f "$lab/router.nft"

# miniupnpd's configuration, with UPnP and NAT-PMP or NAT-PMP alone.
dir=$(mktemp -d)
cp "$lab/miniupnpd.conf" "$dir/upnp.conf"
sed 's/^enable_upnp=yes/enable_upnp=no/' "$lab/miniupnpd.conf" > "$dir/natpmp.conf"

ip netns exec "$inet" stund -h 11.0.0.2 -a 11.0.0.3 > "$dir/stund.log" 2>&1 &
stun=$!
for _ in $(seq 50); do
  ip netns exec "$inet" ss -Hlun 'sport = :3479' | grep -q . && break
  sleep 0.1
done

export KOBANTO_LAB_DIR=$dir KOBANTO_LAB_HOME=$home KOBANTO_LAB_ROUTER=$router KOBANTO_LAB_INTERNET=$inet
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} KOBANTO_AUDIO=0
place=()
if [ "$1" = --home ] || [ "$1" = --home-with-router ]; then
  if [ "$1" = --home-with-router ]; then
    ip netns exec "$router" miniupnpd -f "$dir/upnp.conf" -d -P "$dir/pid" > "$dir/miniupnpd.log" 2>&1 &
    upnpd=$!
    for _ in $(seq 50); do
      grep -q "Listening for NAT-PMP" "$dir/miniupnpd.log" && break
      sleep 0.1
    done
  fi
  place=(ip netns exec "$home")
  shift
fi
status=0
"${place[@]}" "$@" || status=$?
exit "$status"

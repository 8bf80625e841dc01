#!/usr/bin/env python3
# A home router that lies, for the router lab: run in the router's namespace
# in place of miniupnpd. Answers SSDP, serves an IGD description (with an
# IPv6 firewall) and its control URL, and NAT-PMP, each as the options say;
# prints what it was asked ("AddPortMapping 9870", "natpmp 2 9870 3600").
import argparse, http.server, os, re, socket, struct, subprocess, threading, time

o = argparse.ArgumentParser()
o.add_argument("--ip", default="11.0.0.9")  # UPnP's outside address, as text
o.add_argument("--location", default="192.168.77.1")  # whose description SSDP names
o.add_argument("--fakes", type=int, default=0)  # answers from 192.168.77.4 naming dead addresses first
o.add_argument("--desc-size", type=int, default=0)  # padding of the description, sent without a length
o.add_argument("--fault", type=int)  # AddPortMapping's fault code
o.add_argument("--slow-delete", type=float, default=0)
o.add_argument("--no-upnp", action="store_true")
o.add_argument("--ssdp6")  # answer SSDP over IPv6 from this link-local address
o.add_argument("--life", type=int)  # NAT-PMP: lifetime granted
o.add_argument("--port", type=int)  # NAT-PMP: outside port granted
o.add_argument("--opcode", type=int)  # NAT-PMP: opcode of the mapping's answer
o.add_argument("--short", action="store_true")  # NAT-PMP: only 8 bytes
a = o.parse_args()
mapped = {}


def ssdp(s, answers):  # answers: (the socket it leaves by, the description's host)
    while True:
        query, peer = s.recvfrom(2048)
        st = re.search(rb"(?im)^ST:\s*(\S+)", query).group(1)
        for sender, host in answers:
            sender.sendto(b"HTTP/1.1 200 OK\r\nST: %s\r\nLOCATION: http://%s:5000/rootDesc.xml\r\nUSN: uuid:1::%s"
                          b"\r\n\r\n" % (st, host.encode(), st), peer)


DESC = open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "igd.xml"), "rb").read()


class Igd(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.send_response(200)
        self.end_headers()
        for _ in range(a.desc_size // 65536):
            self.wfile.write(b" " * 65536)
        self.wfile.write(DESC)

    def do_POST(self):
        body = self.rfile.read(int(self.headers["Content-Length"]))
        action = self.headers["SOAPAction"].strip('"').split("#")[1]
        m = re.search(rb"<NewExternalPort>(\d+)<", body)
        port = int(m.group(1)) if m else 0
        out, fault = "", None
        if action == "AddPortMapping" and a.fault is None:
            mapped[port] = re.search(rb"<NewInternalClient>([\d.]+)<", body).group(1).decode()
        elif action == "AddPortMapping" or (action == "GetSpecificPortMappingEntry" and port not in mapped):
            fault = 714 if a.fault is None else a.fault
        elif action == "GetSpecificPortMappingEntry":
            out = ("<NewInternalPort>%d</NewInternalPort><NewInternalClient>%s</NewInternalClient><NewEnabled>1"
                   "</NewEnabled><NewPortMappingDescription>Kobanto</NewPortMappingDescription><NewLeaseDuration>"
                   "3600</NewLeaseDuration>" % (port, mapped[port]))
        elif action == "AddPinhole":
            out = "<UniqueID>1</UniqueID>"
        elif action == "GetExternalIPAddress":
            out = "<NewExternalIPAddress>%s</NewExternalIPAddress>" % a.ip
        elif action == "DeletePortMapping":
            time.sleep(a.slow_delete)
            mapped.pop(port, None)
        inner = ('<u:%sResponse xmlns:u="urn:schemas-upnp-org:service:WANIPConnection:1">%s</u:%sResponse>'
                 % (action, out, action)) if fault is None else (
            "<s:Fault><faultcode>s:Client</faultcode><faultstring>UPnPError</faultstring><detail><UPnPError>"
            "<errorCode>%d</errorCode></UPnPError></detail></s:Fault>" % fault)
        x = ('<?xml version="1.0"?><s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/"><s:Body>%s'
             "</s:Body></s:Envelope>" % inner).encode()
        self.send_response(200 if fault is None else 500)
        self.send_header("Content-Length", str(len(x)))
        self.end_headers()
        self.wfile.write(x)
        print("%s %d" % (action, port), flush=True)


def natpmp(s):
    while True:
        q, peer = s.recvfrom(64)
        if q[1] == 0:
            r = struct.pack("!BBHI", 0, 128, 0, 1) + socket.inet_aton("11.0.0.1")
        else:
            inner, ext, life = struct.unpack("!HHI", q[4:12])
            print("natpmp %d %d %d" % (q[1], inner, life), flush=True)
            r = struct.pack("!BBHIHHI", 0, a.opcode or 128 + q[1], 0, 1, inner,
                            ext if a.port is None or not life else a.port, life if a.life is None or not life else a.life)
        s.sendto(r[:8] if a.short else r, peer)


def udp(address, port, family=socket.AF_INET):
    s = socket.socket(family, socket.SOCK_DGRAM)
    if family == socket.AF_INET6:
        s.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)
    s.bind((address, port) if family == socket.AF_INET else (address, port, 0, lan))
    return s


class Server(http.server.ThreadingHTTPServer):
    address_family = socket.AF_INET6  # and IPv4 alike


# Another device on the home network, beside the router.
subprocess.run(["ip", "addr", "replace", "192.168.77.4/24", "dev", "lan0"], check=True)
subprocess.run(["ip", "addr", "replace", "fe80::4/64", "dev", "lan0"], check=True)
lan = socket.if_nametoindex("lan0")
pmp = udp("192.168.77.1", 5351)
if not a.no_upnp:
    search, other = udp("", 1900), udp("192.168.77.4", 0)
    search.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP, socket.inet_aton("239.255.255.250") +
                      socket.inet_aton("192.168.77.1"))
    answers = [(other, "192.168.77.%d" % (100 + i)) for i in range(a.fakes)]
    threading.Thread(target=ssdp, args=(search, answers + [(search if a.location == "192.168.77.1" else other,
                                                             a.location)]), daemon=True).start()
    threading.Thread(target=Server(("::", 5000), Igd).serve_forever, daemon=True).start()
if a.ssdp6:
    search6 = udp("::", 1900, socket.AF_INET6)
    search6.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_JOIN_GROUP, socket.inet_pton(socket.AF_INET6, "ff02::c") +
                       struct.pack("@I", lan))
    threading.Thread(target=ssdp, args=(search6, [(udp(a.ssdp6, 0, socket.AF_INET6), "[2400:77::1]")]),
                     daemon=True).start()
print("ready", flush=True)
natpmp(pmp)

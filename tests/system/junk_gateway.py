#!/usr/bin/env python3
"""A gateway that answers every port-mapping request with nonsense: SSDP
answers (a real one pointing at our HTTP server, then junk), a device
description and SOAP replies that are truncated, oversized or malformed, and
NAT-PMP replies of every wrong shape. For test_router.py: the phone must
survive all of it. Runs until killed; prints "ready" once it listens.

Usage: junk_gateway.py ADDRESS  (the gateway's own address on the LAN)"""

import http.server
import itertools
import socket
import socketserver
import struct
import sys
import threading

ADDRESS = sys.argv[1]
HTTP_PORT = 49152

DESCRIPTION = """<?xml version="1.0"?>
<root xmlns="urn:schemas-upnp-org:device-1-0"><device>
<deviceType>urn:schemas-upnp-org:device:InternetGatewayDevice:1</deviceType>
<deviceList><device><deviceType>urn:schemas-upnp-org:device:WANDevice:1</deviceType>
<serviceList><service>
<serviceType>urn:schemas-upnp-org:service:WANCommonInterfaceConfig:1</serviceType>
<controlURL>/cif</controlURL><eventSubURL>/evt</eventSubURL><SCPDURL>/scpd.xml</SCPDURL>
</service></serviceList>
<deviceList><device><deviceType>urn:schemas-upnp-org:device:WANConnectionDevice:1</deviceType>
<serviceList><service>
<serviceType>urn:schemas-upnp-org:service:WANIPConnection:1</serviceType>
<controlURL>/ctl</controlURL><eventSubURL>/evt</eventSubURL><SCPDURL>/scpd.xml</SCPDURL>
</service></serviceList></device></deviceList></device></deviceList></device></root>"""


def soap(body):
    return ('<?xml version="1.0"?><s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/"><s:Body>%s'
            '</s:Body></s:Envelope>' % body)


# What the control URL answers, in turn: AddPortMapping mostly fails in odd
# ways (so that NAT-PMP's nonsense is met too); every other action gets the
# rest of the nonsense.
ADD_REPLIES = itertools.cycle([
    (500, soap("<s:Fault><detail><UPnPError><errorCode>-99999999999999999999</errorCode>"
               "<errorDescription>" + "\x01\xff" * 100 + "</errorDescription></UPnPError></detail></s:Fault>")),
    (200, "<" * 20000),
    (500, soap("<s:Fault><detail><UPnPError><errorCode>718</errorCode></UPnPError></detail></s:Fault>")),
    (500, soap("<s:Fault><detail><UPnPError><errorCode>606</errorCode></UPnPError></detail></s:Fault>")),
    (200, soap("<u:AddPortMappingResponse>")[:60]),  # cut short: no error in it, so taken as done
])
OTHER_REPLIES = itertools.cycle([
    (200, soap("<u:GetStatusInfoResponse><NewConnectionStatus>Connected</NewConnectionStatus>"
               "</u:GetStatusInfoResponse>")),
    (200, soap("<u:GetExternalIPAddressResponse><NewExternalIPAddress>" + "9" * 5000 +
               "</NewExternalIPAddress></u:GetExternalIPAddressResponse>")),
    (200, soap("<u:GetExternalIPAddressResponse><NewExternalIPAddress>300.1.2.3"
               "</NewExternalIPAddress></u:GetExternalIPAddressResponse>")),
    (200, soap("<u:GetExternalIPAddressResponse>")[:70]),
])
LOCK = threading.Lock()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def reply(self, code, body):
        data = body.encode("latin-1", "replace")
        self.send_response(code)
        self.send_header("Content-Type", 'text/xml; charset="utf-8"')
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        self.reply(200, DESCRIPTION)

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        self.rfile.read(min(length, 100000))
        with LOCK:
            code, body = next(ADD_REPLIES if "AddPortMapping" in (self.headers.get("SOAPAction") or "")
                              else OTHER_REPLIES)
        self.reply(code, body)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def ssdp(s):
    junk = [b"\x00" * 1500, b"HTTP/1.1 200 OK\r\nLOCATION: " + b"h" * 1400 + b"\r\n\r\n",
            b"HTTP/1.1 200 OK\r\nST: upnp:rootdevice\r\nLOCATION: http://" + ADDRESS.encode() + b":1/\r\n\r\n", b""]
    while True:
        data, sender = s.recvfrom(4096)
        if not data.startswith(b"M-SEARCH"):
            continue
        st = b"urn:schemas-upnp-org:device:InternetGatewayDevice:1"
        s.sendto(b"HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=120\r\nST: " + st + b"\r\nUSN: uuid:junk::" + st +
                 b"\r\nEXT:\r\nLOCATION: http://%s:%d/root.xml\r\n\r\n" % (ADDRESS.encode(), HTTP_PORT), sender)
        for j in junk:  # an empty datagram last (miniupnpc took one as the end of the answers)
            s.sendto(j, sender)


def natpmp(s):
    shapes = itertools.cycle([
        lambda op: b"\x00",
        lambda op: b"\x01" + bytes([op + 128]) + b"\x00\x00" * 7,   # another version
        lambda op: b"\x00" + bytes([op + 128]) + b"\x00\x03" + b"\x00" * 8,  # network failure
        lambda op: b"\x00\xff" + b"\xff" * 14,                      # an opcode nobody asked for
        lambda op: b"\x00" + bytes([op + 128]) + b"\x00\x00" + struct.pack(">IHHI", 7, 11676, 0, 0),  # port 0
        lambda op: b"\xff" * 1000,
    ])
    while True:
        data, sender = s.recvfrom(4096)
        op = data[1] if len(data) > 1 else 0
        s.sendto(next(shapes)(op), sender)


if __name__ == "__main__":
    server = Server((ADDRESS, HTTP_PORT), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    search = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    search.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    search.bind(("", 1900))
    search.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
                      socket.inet_aton("239.255.255.250") + socket.inet_aton(ADDRESS))
    pmp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    pmp.bind(("", 5351))
    threading.Thread(target=ssdp, args=(search,), daemon=True).start()
    threading.Thread(target=natpmp, args=(pmp,), daemon=True).start()
    print("ready", flush=True)
    threading.Event().wait()

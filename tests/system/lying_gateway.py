#!/usr/bin/env python3
"""A LAN host posing as the UPnP gateway, for test_router.py. It answers the
SSDP search as a router would, then lies in one way (MODE):

  description-elsewhere  the search answer's LOCATION names OTHER:OTHER_PORT
  control-elsewhere      the description's control URL names OTHER:OTHER_PORT
  huge-body              the description is 200 MB long (no Content-Length:
                         it ends with the connection); prints the bytes sent
  drip                   the description comes one byte every 0.2 s, forever;
                         prints the bytes dripped

and with MODE "listen" it is that other host instead: it accepts TCP
connections on ADDRESS:PORT and prints "connection from A" for each. Runs
until killed; prints "ready" once it listens.

Usage: lying_gateway.py MODE ADDRESS [OTHER OTHER_PORT]
       lying_gateway.py listen ADDRESS PORT"""

import http.server
import socket
import socketserver
import sys
import threading
import time

HTTP_PORT = 49152
HUGE = 200 * 1024 * 1024

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
<controlURL>%s</controlURL><eventSubURL>/evt</eventSubURL><SCPDURL>/scpd.xml</SCPDURL>
</service></serviceList></device></deviceList></device></deviceList></device></root>"""


def say(text):
    print(text, flush=True)


def listen(address, port):
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind((address, port))
    server.listen(16)
    say("ready")
    while True:
        connection, peer = server.accept()
        say("connection from %s" % peer[0])
        connection.close()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    mode = None
    control = "/ctl"

    def log_message(self, *args):
        pass

    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Type", 'text/xml; charset="utf-8"')
        if self.mode == "huge-body":
            self.end_headers()
            self.stream(b"<" * 65536, HUGE, 0)
        elif self.mode == "drip":
            self.send_header("Content-Length", "30000")  # within the phone's limit: only time stops it
            self.end_headers()
            self.stream(b"<", 30000, 0.2)
        else:
            data = (DESCRIPTION % self.control).encode()
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)

    def do_POST(self):
        self.send_response(500)
        self.end_headers()

    def stream(self, piece, total, pause):
        sent = 0
        started = time.monotonic()
        try:
            while sent < total:
                self.wfile.write(piece)
                self.wfile.flush()
                sent += len(piece)
                time.sleep(pause)
        except OSError:
            pass
        say("%s: sent %d of %d bytes in %.1f s" % (self.mode, sent, total, time.monotonic() - started))


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def ssdp(s, location):
    while True:
        data, sender = s.recvfrom(4096)
        if not data.startswith(b"M-SEARCH"):
            continue
        st = b"urn:schemas-upnp-org:device:InternetGatewayDevice:1"
        s.sendto(b"HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=120\r\nST: " + st + b"\r\nUSN: uuid:lying::" + st +
                 b"\r\nEXT:\r\nLOCATION: " + location.encode() + b"\r\n\r\n", sender)


def main():
    mode, address = sys.argv[1], sys.argv[2]
    if mode == "listen":
        listen(address, int(sys.argv[3]))
        return
    elsewhere = "http://%s:%s" % (sys.argv[3], sys.argv[4]) if len(sys.argv) > 4 else None
    Handler.mode = mode
    if mode == "control-elsewhere":
        Handler.control = elsewhere + "/ctl"
    location = "http://%s:%d/rootDesc.xml" % (address, HTTP_PORT)
    if mode == "description-elsewhere":
        location = elsewhere + "/rootDesc.xml"
    server = Server((address, HTTP_PORT), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    search = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    search.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    search.bind(("", 1900))
    search.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
                      socket.inet_aton("239.255.255.250") + socket.inet_aton(address))
    threading.Thread(target=ssdp, args=(search, location), daemon=True).start()
    say("ready")
    threading.Event().wait()


if __name__ == "__main__":
    main()

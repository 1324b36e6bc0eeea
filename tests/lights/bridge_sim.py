#!/usr/bin/env python3
"""A light bridge simulator on 127.0.0.1, optionally with an SSDP responder (--ssdp: only inside
a network namespace of the test's own; it joins 239.255.255.250 on the loopback interface and
answers every M-SEARCH twice for every device of DEVICES).

    bridge_sim.py [--ssdp] -- COMMAND...

runs COMMAND with TINTEL_TEST_BRIDGE_PORT set to the simulator's port and answers its exit code.
Besides the bridge's own interface (/api...) and the vendor discovery answers (/vendor/self: this
simulator; one; empty), the tests control it with GET /control/reset?press_after=N|never,
overload?count=N (PUTs answered 503), wall?light=N&ct=V, log (a line per PUT: path, a tab, the
body with its zero byte written \\0) and posts (the pairing attempts so far)."""

import json
import os
import re
import socket
import struct
import subprocess
import sys
import threading
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

# name: (friendly name, URLBase or None). hue-a and hue-b are one bridge with two descriptions.
DEVICES = {
    "hue-a": ("Philips hue bridge 2012", "http://127.0.0.1:{port}/"),
    "hue-b": ("Philips hue bridge 2012", "http://127.0.0.1:{port}/"),
    "hue-c": ("Philips hue bridge 2012", None),
    "tv": ("Living room TV", "http://127.0.0.2/"),
}


class Bridge:
    def __init__(self):
        self.lock = threading.Lock()
        self.reset(None)

    def reset(self, press_after):
        """press_after: pairing attempts refused before the link button is pressed (None: never)."""
        with self.lock:
            self.press_after, self.posts, self.overloads = press_after, 0, 0
            self.users, self.log = set(), []
            self.lights = {n: {"on": True, "bri": 254, "ct": ct, "reachable": n != "3"}
                           for n, ct in (("1", 366), ("2", 366), ("3", 153))}


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def reply(self, body, status=200, content_type="application/json"):
        body = body.encode()
        # Head and body in one write: the client reads what is there at its first look.
        self.wfile.write((f"HTTP/1.1 {status} {'OK' if status == 200 else 'Error'}\r\n"
                          f"Content-Type: {content_type}\r\nContent-Length: {len(body)}\r\n"
                          "Cache-Control: no-store, no-cache, must-revalidate\r\n"
                          "Pragma: no-cache\r\nConnection: close\r\n\r\n").encode() + body)
        self.close_connection = True

    def body(self):
        return self.rfile.read(int(self.headers.get("Content-Length") or 0))

    def do_GET(self):
        bridge, port = self.server.bridge, self.server.server_address[1]
        url = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(url.query))
        parts = [p for p in url.path.split("/") if p] + [""]
        with bridge.lock:
            if parts[0] == "api" and parts[1] in bridge.users:
                return self.reply(json.dumps({"config": {"name": "Simulated bridge"}, "lights": {
                    n: {"state": s, "type": "Color temperature light", "name": f"Lamp {n}"}
                    for n, s in bridge.lights.items()}}, separators=(",", ":")))
            if parts[0] == "api":
                return self.reply('[{"error":{"type":1,"address":"/",'
                                  '"description":"unauthorized user"}}]')
            if parts[0] == "vendor":
                answers = {"self": [{"id": "sim", "internalipaddress": f"127.0.0.1:{port}"}],
                           "one": [{"id": "x", "internalipaddress": "127.0.0.1"}]}
                return self.reply(json.dumps(answers.get(parts[1], [])))
            if parts[0] == "desc":
                name, base = DEVICES[parts[1][:-len(".xml")]]
                base_tag = f"<URLBase>{base.format(port=port)}</URLBase>" if base else ""
                return self.reply(
                    '<?xml version="1.0"?><root xmlns="urn:schemas-upnp-org:device-1-0">'
                    f'<specVersion><major>1</major><minor>0</minor></specVersion>{base_tag}'
                    f'<device><friendlyName>{name}</friendlyName></device></root>', 200, "text/xml")
        if parts[0] != "control":
            return self.reply("not found", 404, "text/plain")
        if parts[1] == "reset":
            after = query.get("press_after", "never")
            bridge.reset(None if after == "never" else int(after))
        with bridge.lock:
            if parts[1] == "overload":
                bridge.overloads = int(query["count"])
            elif parts[1] == "wall":
                bridge.lights[query["light"]]["ct"] = int(query["ct"])
            elif parts[1] == "log":
                return self.reply("".join(f"{p}\t{b}\n" for p, b in bridge.log), 200, "text/plain")
            elif parts[1] == "posts":
                return self.reply(str(bridge.posts), 200, "text/plain")
        self.reply("ok", 200, "text/plain")

    def do_POST(self):
        bridge, body = self.server.bridge, self.body()
        with bridge.lock:
            bridge.posts += 1
            user = re.search(rb'"username": "([^"]*)"', body)
            pressed = bridge.press_after is not None and bridge.posts > bridge.press_after
            if self.path.rstrip("/") == "/api" and user and pressed:
                bridge.users.add(user.group(1).decode())
                return self.reply(f'[{{"success":{{"username":"{user.group(1).decode()}"}}}}]')
        self.reply('[{"error":{"type":101,"address":"","description":"link button not pressed"}}]')

    def do_PUT(self):
        bridge, body = self.server.bridge, self.body()
        parts = [p for p in self.path.split("/") if p]
        with bridge.lock:
            bridge.log.append((self.path, body.decode("latin-1").replace("\0", "\\0")))
            if bridge.overloads > 0:
                bridge.overloads -= 1
                return self.reply("error, 503, bridge busy", 503, "text/plain")
            light = bridge.lights.get(parts[3]) if len(parts) == 5 and parts[2] == "lights" else None
            if parts[1] in bridge.users and light and light["reachable"]:
                values = json.loads(body.rstrip(b"\0"))
                light.update({k: values[k] for k in ("bri", "ct") if k in values})
        self.reply('[{"success":{}}]')


class Simulator:
    """The HTTP side, started on a free port of 127.0.0.1; `stop` ends it."""

    def __init__(self):
        self.server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.server.daemon_threads = True
        self.bridge = self.server.bridge = Bridge()
        self.port = self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def stop(self):
        self.server.shutdown()
        self.server.server_close()


def ssdp_responder(port):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM, socket.IPPROTO_UDP)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("0.0.0.0", 1900))
    s.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
                 struct.pack("4s4s", socket.inet_aton("239.255.255.250"),
                             socket.inet_aton("127.0.0.1")))

    def serve():
        while True:
            data, sender = s.recvfrom(65536)
            for name in DEVICES if data.startswith(b"M-SEARCH") else ():
                answer = ("HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=100\r\nEXT:\r\n"
                          f"Location: http://127.0.0.1:{port}/desc/{name}.xml\r\n"
                          "SERVER: Linux/3.14 UPnP/1.0 Sim/1.0\r\nST: upnp:rootdevice\r\n"
                          f"USN: uuid:{name}::upnp:rootdevice\r\n\r\n").encode()
                s.sendto(answer, sender)
                s.sendto(answer, sender)

    threading.Thread(target=serve, daemon=True).start()


def main():
    split = sys.argv.index("--")
    sim = Simulator()
    if "--ssdp" in sys.argv[1:split]:
        ssdp_responder(sim.port)
    env = dict(os.environ, TINTEL_TEST_BRIDGE_PORT=str(sim.port))
    code = subprocess.run(sys.argv[split + 1:], env=env).returncode
    sim.stop()
    sys.exit(code)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""A light bridge simulator on 127.0.0.1 for the bridge tests, optionally with an SSDP responder.

    bridge_sim.py [--ssdp] -- COMMAND...

runs COMMAND with TINTEL_TEST_BRIDGE_PORT set to the simulator's port and answers with its exit
code. The simulator speaks the bridge's HTTP interface:
  GET  /api/<user>                      the full state of a paired user, else "unauthorized user"
  POST /api                             pairs the posted "username" once the link button is
                                        pressed, else "link button not pressed"
  PUT  /api/<user>/lights/<n>/state     recorded; sets the light's "bri" and "ct" when reachable;
                                        answers "error, 503" while overloads are pending
Vendor discovery answers: /vendor/self (this simulator), /vendor/one (127.0.0.1), /vendor/empty.
Device descriptions for SSDP: /desc/<name>.xml (DEVICES below).
Test control (GET): /control/reset?press_after=N|never, /control/press, /control/overload?count=N,
/control/wall?light=N&ct=V (a wall switch resets a light), /control/log (one line per PUT:
path, a tab, the body with its zero byte written \\0), /control/posts (pairing attempts).

With --ssdp (only inside a network namespace of the test's own) a responder joins 239.255.255.250
on the loopback interface and answers every M-SEARCH twice for every device.
"""

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


def initial_lights():
    return {
        "1": {"on": True, "bri": 254, "ct": 366, "reachable": True},
        "2": {"on": True, "bri": 254, "ct": 366, "reachable": True},
        "3": {"on": True, "bri": 254, "ct": 153, "reachable": False},
    }


class Bridge:
    def __init__(self):
        self.lock = threading.Lock()
        self.reset(None)

    def reset(self, press_after):
        with self.lock:
            self.press_after = press_after  # pairing attempts refused before the press
            self.posts = 0
            self.users = set()
            self.log = []
            self.overloads = 0
            self.lights = initial_lights()

    def full_state(self):
        return {"lights": {n: {"state": s, "type": "Color temperature light", "name": f"Lamp {n}"}
                           for n, s in self.lights.items()},
                "config": {"name": "Simulated bridge"}}


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def reply(self, body, status=200, content_type="application/json"):
        if isinstance(body, str):
            body = body.encode()
        head = (f"HTTP/1.1 {status} {'OK' if status == 200 else 'Error'}\r\n"
                f"Content-Type: {content_type}\r\nContent-Length: {len(body)}\r\n"
                "Cache-Control: no-store, no-cache, must-revalidate\r\nPragma: no-cache\r\n"
                "Connection: close\r\n\r\n").encode()
        if os.environ.get("BRIDGE_SIM_LOG"):
            sys.stderr.write(f"{self.requestline} -> {status} {body[:80]!r}\n")
        # Head and body in one write: the client reads what is there at its first look.
        self.wfile.write(head + body)
        self.close_connection = True

    def body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length else b""

    def do_GET(self):
        bridge, port = self.server.bridge, self.server.server_address[1]
        url = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(url.query))
        parts = [p for p in url.path.split("/") if p]
        with bridge.lock:
            if parts[:1] == ["api"] and len(parts) == 2:
                if parts[1] in bridge.users:
                    return self.reply(json.dumps(bridge.full_state(), separators=(",", ":")))
                return self.reply('[{"error":{"type":1,"address":"/",'
                                  '"description":"unauthorized user"}}]')
            if parts[:1] == ["vendor"]:
                answers = {"self": [{"id": "sim", "internalipaddress": f"127.0.0.1:{port}"}],
                           "one": [{"id": "x", "internalipaddress": "127.0.0.1"}], "empty": []}
                return self.reply(json.dumps(answers.get(parts[1], [])))
            if parts[:1] == ["desc"] and parts[1].endswith(".xml"):
                name, base = DEVICES[parts[1][:-4]]
                base_tag = f"<URLBase>{base.format(port=port)}</URLBase>" if base else ""
                return self.reply(
                    '<?xml version="1.0"?><root xmlns="urn:schemas-upnp-org:device-1-0">'
                    f'<specVersion><major>1</major><minor>0</minor></specVersion>{base_tag}'
                    f'<device><friendlyName>{name}</friendlyName></device></root>', 200, "text/xml")
        if parts[:1] == ["control"]:
            return self.control(parts[1], query)
        self.reply("not found", 404, "text/plain")

    def control(self, what, query):
        bridge = self.server.bridge
        if what == "reset":
            after = query.get("press_after", "never")
            bridge.reset(None if after == "never" else int(after))
        with bridge.lock:
            if what == "press":
                bridge.press_after = bridge.posts
            elif what == "overload":
                bridge.overloads = int(query["count"])
            elif what == "wall":
                bridge.lights[query["light"]]["ct"] = int(query["ct"])
            elif what == "log":
                return self.reply("".join(f"{p}\t{b}\n" for p, b in bridge.log), 200, "text/plain")
            elif what == "posts":
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
        self.server.bridge = Bridge()
        self.port = self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    @property
    def bridge(self):
        return self.server.bridge

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
            if not data.startswith(b"M-SEARCH"):
                continue
            for name in DEVICES:
                answer = ("HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=100\r\nEXT:\r\n"
                          f"Location: http://127.0.0.1:{port}/desc/{name}.xml\r\n"
                          "SERVER: Linux/3.14 UPnP/1.0 Sim/1.0\r\nST: upnp:rootdevice\r\n"
                          f"USN: uuid:{name}::upnp:rootdevice\r\n\r\n").encode()
                for _ in range(2):
                    s.sendto(answer, sender)

    threading.Thread(target=serve, daemon=True).start()


def main():
    args = sys.argv[1:]
    split = args.index("--")
    options, command = args[:split], args[split + 1:]
    sim = Simulator()
    if "--ssdp" in options:
        ssdp_responder(sim.port)
    env = dict(os.environ, TINTEL_TEST_BRIDGE_PORT=str(sim.port))
    code = subprocess.run(command, env=env).returncode
    sim.stop()
    sys.exit(code)


if __name__ == "__main__":
    main()

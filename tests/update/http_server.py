#!/usr/bin/env python3
"""Runs a test program against HTTP servers of its own on 127.0.0.1, then stops them.

    http_server.py [--wine] -- COMMAND...

The environment names them: TINTEL_TEST_HTTP_PORT (plain), port 443 (HTTPS, a certificate from
the run's own root TINTEL_TEST_CA_FILE; TINTEL_TEST_HTTPS_SKIP=<why> when 443 cannot be bound),
TINTEL_TEST_UNTRUSTED_PORT (HTTPS from a root nobody trusts), TINTEL_TEST_CLOSED_PORT (refuses),
in the program's own path form (--wine: Z:\\...). Paths (an extension on the last segment is
ignored): /echo... (the request line, the headers sorted as "name: value" with names in lower
case, a blank line and the exact body; lines end in "\\n"), /whoami ("tls" or "plain"), the fixed
answers of FIXED, /counter (cacheable count of its requests), /pieces (a second piece half a
second after the first), /site/... (the files under TINTEL_TEST_SITE_DIR; each target appended
to requests.log in TINTEL_TEST_SCRATCH). BROWSER appends its argument count and arguments, a
line each, to browser.log there."""

import os
import shutil
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

import signing

FIXED = {
    b"/text": (b"200 OK", b"hello from the test server"),
    b"/empty": (b"200 OK", b""),
    b"/missing": (b"404 Not Found", b"not here"),
    b"/redirect": (b"302 Found", b"", b"Location: /text\r\n"),
    b"/big": (b"200 OK", bytes((i * 7 + 3) & 255 for i in range(1 << 20))),
}


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def setup(self):
        if isinstance(self.request, ssl.SSLSocket):
            self.request.do_handshake()
        super().setup()

    def respond(self, status, body, extra=b""):
        # Head and body in one write: the client reads what is there at its first look.
        self.wfile.write(b"HTTP/1.1 " + status + b"\r\nContent-Length: " + str(len(body)).encode() +
                         b"\r\nConnection: close\r\n" + extra + b"\r\n" + body)
        self.close_connection = True

    def do_GET(self):
        server = self.server
        body = self.rfile.read(int(self.headers.get("Content-Length") or 0))
        sys.stderr.write("[%s] %s %r\n" % (server.label, self.requestline, body[:200]))
        target = self.path.encode("latin-1")
        path = target.split(b"?", 1)[0]
        if path.startswith(b"/site/"):
            return self.serve_site(target, path)
        # Wine's URL cache needs an extension on paths of numeric hosts.
        folder, _, name = path.rpartition(b"/")
        path = folder + b"/" + name.split(b".", 1)[0]
        if path in FIXED:
            self.respond(*FIXED[path])
        elif path == b"/echo" or path.startswith(b"/echo/"):
            headers = sorted("%s: %s" % (n.lower(), v.strip()) for n, v in self.headers.items())
            self.respond(b"200 OK", "\n".join([self.requestline, *headers, ""]).encode("latin-1") +
                         b"\n" + body)
        elif path == b"/whoami":
            self.respond(b"200 OK", b"tls" if isinstance(self.request, ssl.SSLSocket) else b"plain")
        elif path == b"/counter":
            with server.lock:
                server.counter += 1
                n = server.counter
            self.respond(b"200 OK", str(n).encode(), b"Cache-Control: max-age=3600\r\n"
                         b"Last-Modified: Mon, 01 Jan 2024 00:00:00 GMT\r\n")
        elif path == b"/pieces":
            self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Length: 24\r\n"
                             b"Connection: close\r\n\r\nfirst piece;")
            time.sleep(0.5)
            self.wfile.write(b"second piece")
            self.close_connection = True
        else:
            self.respond(b"404 Not Found", b"")

    do_POST = do_PUT = do_GET

    def serve_site(self, target, path):
        server = self.server
        with server.lock, open(os.path.join(server.scratch, "requests.log"), "ab") as log:
            log.write(target + b"\n")
        relative = os.path.normpath(path[len(b"/site/"):].decode("latin-1"))
        try:
            if relative.startswith(".."):
                raise OSError
            with open(os.path.join(server.scratch, "site", relative), "rb") as f:
                self.respond(b"200 OK", f.read(), b"Cache-Control: no-cache\r\n")
        except OSError:
            self.respond(b"404 Not Found", b"")


class Server(ThreadingHTTPServer):
    def __init__(self, port, label, scratch, certificate=None):
        super().__init__(("127.0.0.1", port), Handler)
        self.label, self.scratch = label, scratch
        self.lock = threading.Lock()
        self.counter = 0
        if certificate:
            key, cert = certificate
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(cert, key)
            self.socket = context.wrap_socket(self.socket, server_side=True,
                                              do_handshake_on_connect=False)

    def handle_error(self, request, client_address):
        pass  # a client that gives up (a rejected certificate) is part of the tests


def server_cert(folder, name, root):
    """A certificate for 127.0.0.1 issued by `root`; the address is also a DNS name, the only
    kind Wine's WinInet matches the host against."""
    return signing.make_cert(folder, name, "/CN=127.0.0.1", root,
                             "subjectAltName=IP:127.0.0.1,DNS:127.0.0.1\n"
                             "extendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n"
                             "keyUsage=digitalSignature,keyEncipherment\n")


def main():
    args = sys.argv[1:]
    wine = args[:1] == ["--wine"]
    args = args[1:] if wine else args
    if args[:1] != ["--"] or len(args) < 2:
        sys.exit(__doc__)

    def native(path):
        return "Z:" + path.replace("/", "\\") if wine else path

    scratch = tempfile.mkdtemp(prefix="tintel-http-")
    servers, closed, child = [], None, None
    try:
        os.makedirs(os.path.join(scratch, "site"))
        trusted = signing.make_root(scratch, "trusted-ca")
        untrusted = signing.make_root(scratch, "untrusted-ca")
        env = {k: v for k, v in os.environ.items()
               if k.lower() not in ("http_proxy", "https_proxy", "all_proxy", "ftp_proxy")
               and k not in ("XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                             "GNOME_DESKTOP_SESSION_ID", "XDG_SESSION_DESKTOP")}
        env["no_proxy"] = env["NO_PROXY"] = "127.0.0.1,localhost"
        servers.append(Server(0, "http", scratch))
        env["TINTEL_TEST_HTTP_PORT"] = str(servers[0].server_address[1])
        try:
            servers.append(Server(443, "https:443", scratch,
                                  server_cert(scratch, "server", trusted)))
            env["TINTEL_TEST_HTTPS_PORT"] = "443"
        except OSError as e:
            env["TINTEL_TEST_HTTPS_SKIP"] = "cannot listen on 127.0.0.1:443 (%s)" % e.strerror
        servers.append(Server(0, "https:untrusted", scratch,
                              server_cert(scratch, "stray", untrusted)))
        env["TINTEL_TEST_UNTRUSTED_PORT"] = str(servers[-1].server_address[1])
        closed = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        closed.bind(("127.0.0.1", 0))  # bound, never listening: connections are refused
        env["TINTEL_TEST_CLOSED_PORT"] = str(closed.getsockname()[1])

        env["TINTEL_TEST_CA_FILE"] = native(trusted[1])
        env["TINTEL_TEST_SCRATCH"] = native(scratch)
        env["TINTEL_TEST_SCRATCH_UNIX"] = scratch
        env["TINTEL_TEST_SITE_DIR"] = native(os.path.join(scratch, "site"))
        for name in ("XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS"):
            env[name] = os.path.join(scratch, name.lower())
            os.makedirs(env[name])
        env["XDG_CONFIG_DIRS"] = env["XDG_DATA_DIRS"]
        if not wine:
            env["TINTEL_TEST_URLCACHE"] = os.path.join(env["XDG_CACHE_HOME"], "tintel", "urlcache")
        env["BROWSER"] = os.path.join(scratch, "browser")
        with open(env["BROWSER"], "w") as f:
            f.write('#!/bin/sh\n{ echo "$#"; for a in "$@"; do printf "%%s\\n" "$a"; done; } '
                    '>> "%s/browser.log"\n' % scratch)
        os.chmod(env["BROWSER"], 0o755)

        for server in servers:
            threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.1},
                             daemon=True).start()
        child = subprocess.Popen(args[1:], env=env)
        for signum in (signal.SIGTERM, signal.SIGINT):
            signal.signal(signum, lambda signum, frame: child.send_signal(signum))
        return child.wait()
    finally:
        if child and child.poll() is None:
            child.kill()
            child.wait()
        for server in servers:
            server.shutdown()
            server.server_close()
        if closed:
            closed.close()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Runs a test program against HTTP servers of its own on 127.0.0.1, then stops them.

    http_server.py [--wine] -- COMMAND...

Servers (threads of this process, so none outlives it):
  plain HTTP on a free port                      TINTEL_TEST_HTTP_PORT
  HTTPS on port 443, certificate of a test CA    TINTEL_TEST_HTTPS_PORT=443, or
                                                 TINTEL_TEST_HTTPS_SKIP=<why> when 443 cannot be bound
  HTTPS on a free port, certificate of a CA      TINTEL_TEST_UNTRUSTED_PORT
  that nobody trusts
  a bound port that does not listen (refuses)    TINTEL_TEST_CLOSED_PORT

The test CA is made for this run with openssl and trusted only by the program under test:
TINTEL_TEST_CA_FILE names it (the Linux HTTP code reads that variable; the Windows test adds the
certificate to its private Wine prefix's trusted roots). Nothing else on the machine trusts it.

Paths in the environment are in the program's own form: with --wine, Z:\\... (Wine's drive for /).
Requests are answered by path:
  /echo...  the exact bytes of the request (head and body) as the body
  /whoami   "tls" or "plain": how the request arrived
  /text     a short text            /json     a small update feed
  /empty    an empty body           /missing  404 with a body
  /pieces   "first piece;" at once, "second piece" half a second later (one response)
  /redirect 302 to /text            /counter  the number of /counter requests so far, cacheable
  /big      1 MiB of a known byte pattern
  /site/... the files under the folder TINTEL_TEST_SITE_DIR names (404 when missing); every
            /site request's target is appended to requests.log in the scratch folder
An extension on the last path segment is ignored ("/text.txt" is "/text").
Each request's head is logged to standard error.
"""

import os
import shutil
import signal
import socket
import socketserver
import ssl
import subprocess
import sys
import tempfile
import threading
import time

import signing

# Paths answered with a fixed status, body and extra header lines.
FIXED = {
    b"/text": (b"200 OK", b"hello from the test server"),
    b"/json": (b"200 OK", b'{"version":"2.14","update":"http://127.0.0.1/setup.exe",'
               b'"message":"New"}', b"Content-Type: application/json\r\n"),
    b"/empty": (b"200 OK", b""),
    b"/missing": (b"404 Not Found", b"not here"),
    b"/redirect": (b"302 Found", b"", b"Location: /text\r\n"),
}


def big_body():
    return bytes((i * 7 + 3) & 255 for i in range(1 << 20))


class Handler(socketserver.BaseRequestHandler):
    def read_request(self, conn):
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = conn.recv(65536)
            if not chunk:
                return None
            data += chunk
            if len(data) > 1 << 20:
                return None
        head, _, body = data.partition(b"\r\n\r\n")
        length = 0
        for line in head.split(b"\r\n")[1:]:
            name, _, value = line.partition(b":")
            if name.strip().lower() == b"content-length":
                length = int(value.strip())
        while len(body) < length:
            chunk = conn.recv(65536)
            if not chunk:
                break
            body += chunk
        return head + b"\r\n\r\n", body

    def respond(self, conn, status, body, extra=b""):
        head = (b"HTTP/1.1 " + status + b"\r\nContent-Length: " + str(len(body)).encode() +
                b"\r\nConnection: close\r\n" + extra + b"\r\n")
        conn.sendall(head + body)

    def handle(self):
        conn = self.request
        try:
            if isinstance(conn, ssl.SSLSocket):
                conn.do_handshake()
            request = self.read_request(conn)
        except (OSError, ssl.SSLError):
            return
        if request is None:
            return
        head, body = request
        sys.stderr.write("[%s] %r\n" % (self.server.label, head + body))
        target = head.split(b"\r\n", 1)[0].split(b" ")
        path = target[1].split(b"?", 1)[0] if len(target) > 1 else b""
        if path.startswith(b"/site/"):
            self.serve_site(conn, target[1], path)
            return
        # "/text.txt" is "/text": Wine's URL cache needs an extension on paths of numeric hosts.
        folder, _, name = path.rpartition(b"/")
        path = folder + b"/" + name.split(b".", 1)[0]
        try:
            self.route(conn, path, head + body)
        except OSError:
            pass

    def serve_site(self, conn, target, path):
        server = self.server
        with server.lock, open(os.path.join(server.scratch, "requests.log"), "ab") as log:
            log.write(target + b"\n")
        relative = os.path.normpath(path[len(b"/site/"):].decode("latin-1"))
        file = os.path.join(server.scratch, "site", relative)
        try:
            if relative.startswith(".."):
                raise OSError
            with open(file, "rb") as f:
                body = f.read()
        except OSError:
            self.respond(conn, b"404 Not Found", b"")
            return
        self.respond(conn, b"200 OK", body, b"Cache-Control: no-cache\r\n")

    def route(self, conn, path, raw):
        server = self.server
        if path in FIXED:
            self.respond(conn, *FIXED[path])
        elif path == b"/echo" or path.startswith(b"/echo/"):
            self.respond(conn, b"200 OK", raw)
        elif path == b"/whoami":
            self.respond(conn, b"200 OK", b"tls" if isinstance(conn, ssl.SSLSocket) else b"plain")
        elif path == b"/counter":
            with server.lock:
                server.counter += 1
                n = server.counter
            self.respond(conn, b"200 OK", str(n).encode(),
                         b"Cache-Control: max-age=3600\r\nLast-Modified: "
                         b"Mon, 01 Jan 2024 00:00:00 GMT\r\n")
        elif path == b"/pieces":
            first, second = b"first piece;", b"second piece"
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: " +
                         str(len(first) + len(second)).encode() +
                         b"\r\nConnection: close\r\n\r\n" + first)
            time.sleep(0.5)
            conn.sendall(second)
        elif path == b"/big":
            self.respond(conn, b"200 OK", server.big)
        else:
            self.respond(conn, b"404 Not Found", b"")


class Server(socketserver.ThreadingMixIn, socketserver.TCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, port, label, context=None):
        super().__init__(("127.0.0.1", port), Handler)
        self.label = label
        self.lock = threading.Lock()
        self.counter = 0
        self.big = big_body()
        if context:
            self.socket = context.wrap_socket(self.socket, server_side=True,
                                              do_handshake_on_connect=False)

    def handle_error(self, request, client_address):
        pass  # a client that gives up (a rejected certificate) is part of the tests


def make_server_cert(folder, name, root):
    """A certificate for 127.0.0.1 issued by `root`. The address is also given as a DNS name:
    Wine's WinInet matches the host only against DNS names."""
    return signing.make_cert(folder, name, "/CN=127.0.0.1", root,
                             "subjectAltName=IP:127.0.0.1,DNS:127.0.0.1\n"
                             "extendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n"
                             "keyUsage=digitalSignature,keyEncipherment\n")


def tls_context(key, cert):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context


def serve(server):
    thread = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.1},
                              daemon=True)
    thread.start()
    return thread


def main():
    args = sys.argv[1:]
    wine = False
    if args and args[0] == "--wine":
        wine, args = True, args[1:]
    if not args or args[0] != "--" or len(args) < 2:
        sys.exit(__doc__)
    command = args[1:]

    def native(path):
        return "Z:" + path.replace("/", "\\") if wine else path

    scratch = tempfile.mkdtemp(prefix="tintel-http-")
    servers = []
    closed = None
    child = None
    try:
        plain = Server(0, "http")
        plain.scratch = scratch
        os.makedirs(os.path.join(scratch, "site"))
        servers.append(plain)
        trusted = signing.make_root(scratch, "trusted-ca")
        ca_cert = trusted[1]
        key, cert = make_server_cert(scratch, "server", trusted)
        stray_key, stray_cert = make_server_cert(scratch, "stray",
                                                 signing.make_root(scratch, "untrusted-ca"))

        env = {k: v for k, v in os.environ.items()
               if k.lower() not in ("http_proxy", "https_proxy", "all_proxy", "ftp_proxy")
               and k not in ("XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                             "GNOME_DESKTOP_SESSION_ID", "XDG_SESSION_DESKTOP")}
        env["no_proxy"] = env["NO_PROXY"] = "127.0.0.1,localhost"

        env["TINTEL_TEST_HTTP_PORT"] = str(plain.server_address[1])
        try:
            secure = Server(443, "https:443", tls_context(key, cert))
            servers.append(secure)
            env["TINTEL_TEST_HTTPS_PORT"] = "443"
        except OSError as e:
            env["TINTEL_TEST_HTTPS_SKIP"] = "cannot listen on 127.0.0.1:443 (%s)" % e.strerror
        stray = Server(0, "https:untrusted", tls_context(stray_key, stray_cert))
        servers.append(stray)
        env["TINTEL_TEST_UNTRUSTED_PORT"] = str(stray.server_address[1])

        closed = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        closed.bind(("127.0.0.1", 0))  # bound, never listening: connections are refused
        env["TINTEL_TEST_CLOSED_PORT"] = str(closed.getsockname()[1])

        env["TINTEL_TEST_CA_FILE"] = native(ca_cert)
        env["TINTEL_TEST_SCRATCH"] = native(scratch)
        env["TINTEL_TEST_SCRATCH_UNIX"] = scratch
        env["TINTEL_TEST_SITE_DIR"] = native(os.path.join(scratch, "site"))
        for name in ("XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"):
            env[name] = os.path.join(scratch, name.lower())
            os.makedirs(env[name])
        env["XDG_DATA_DIRS"] = env["XDG_CONFIG_DIRS"] = os.path.join(scratch, "empty")
        os.makedirs(env["XDG_DATA_DIRS"])
        if not wine:
            env["TINTEL_TEST_URLCACHE"] = os.path.join(env["XDG_CACHE_HOME"], "tintel", "urlcache")
        # The browser: records each call's arguments, one per line, after a line with their count.
        browser = os.path.join(scratch, "browser")
        with open(browser, "w") as f:
            f.write('#!/bin/sh\n{ echo "$#"; for a in "$@"; do printf "%%s\\n" "$a"; done; } '
                    '>> "%s/browser.log"\n' % scratch)
        os.chmod(browser, 0o755)
        env["BROWSER"] = browser

        for server in servers:
            serve(server)
        child = subprocess.Popen(command, env=env)

        def forward(signum, frame):
            child.send_signal(signum)
        signal.signal(signal.SIGTERM, forward)
        signal.signal(signal.SIGINT, forward)
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

#!/usr/bin/env python3
"""The map page (res/map/winmap.html) in headless Chromium: it centres on "?lat=&lng=", looks
"?geo=" text up, and navigates to "?redir=1&lat=..&lng=.." when the map is clicked. Every request
is held over the DevTools pipe and answered here (the page, tiles, the place search); the host
resolver maps every name to nowhere besides."""

import argparse
import base64
import json
import os
import re
import select
import subprocess
import sys
import tempfile
import time
import unittest

ARGS = None
ORIGIN = "https://map.tintel.test"
PAGE = ORIGIN + "/winmap.html"
TILE = re.compile(r"^https://tile\.openstreetmap\.org/(\d+)/(\d+)/(\d+)\.png$")
SEARCH = "https://nominatim.openstreetmap.org/search?"
# A 1 x 1 grey PNG, enough for the map to draw a tile.
TILE_PNG = base64.b64decode("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAAAAAA6fptVAAAACklEQVR4nGNoAAAAggCB"
                            "d81ytgAAAABJRU5ErkJggg==")


class Browser:
    """Headless Chromium driven over the DevTools pipe (fd 3 in, fd 4 out, NUL-separated JSON)."""

    def __init__(self, profile):
        to_child, self._write = os.pipe()
        self._read, from_child = os.pipe()

        def wire():  # by way of free numbers, in case the ends are 3 or 4 already
            high_in, high_out = os.dup(to_child), os.dup(from_child)
            os.dup2(high_in, 3)
            os.dup2(high_out, 4)
        self.proc = subprocess.Popen(
            [ARGS.chromium, "--headless=new", "--remote-debugging-pipe", "--no-sandbox",
             "--user-data-dir=" + profile, "--no-first-run", "--disable-gpu",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--disable-default-apps", "--host-resolver-rules=MAP * ~NOTFOUND",
             "--window-size=400,300", "about:blank"],
            preexec_fn=wire, pass_fds=(3, 4), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(to_child)
        os.close(from_child)
        self._buffer, self._next = b"", 0
        self.session = self.on_request = None

    def close(self):
        try:
            self.send("Browser.close", session=False)
            self.proc.wait(timeout=20)
        except (OSError, subprocess.TimeoutExpired):
            self.proc.kill()
            self.proc.wait()
        os.close(self._write)
        os.close(self._read)

    def send(self, method, params=None, session=True):
        self._next += 1
        message = {"id": self._next, "method": method, "params": params or {}}
        if session and self.session:
            message["sessionId"] = self.session
        os.write(self._write, json.dumps(message).encode() + b"\0")
        return self._next

    def receive(self, deadline):
        """The next message, or None at the deadline."""
        while b"\0" not in self._buffer:
            if not select.select([self._read], [], [], max(0, deadline - time.monotonic()))[0]:
                return None
            data = os.read(self._read, 1 << 20)
            if not data:
                raise EOFError("the browser closed its pipe")
            self._buffer += data
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def dispatch(self, message):
        if message.get("method") == "Fetch.requestPaused":
            self.on_request(message)  # held requests must not wait for a call's answer

    def call(self, method, params=None, session=True, timeout=30):
        wanted = self.send(method, params, session)
        deadline = time.monotonic() + timeout
        while True:
            message = self.receive(deadline)
            if message is None:
                raise TimeoutError(method)
            if message.get("id") == wanted:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']}")
                return message.get("result", {})
            self.dispatch(message)


class MapPageTest(unittest.TestCase):
    def setUp(self):
        with open(ARGS.page, "rb") as f:
            self.page = f.read()
        self.profile = tempfile.TemporaryDirectory()
        self.browser = Browser(self.profile.name)
        targets = self.browser.call("Target.getTargets", session=False)["targetInfos"]
        page = next(t for t in targets if t["type"] == "page")
        self.browser.session = self.browser.call(
            "Target.attachToTarget", {"targetId": page["targetId"], "flatten": True},
            session=False)["sessionId"]
        self.browser.call("Fetch.enable", {"patterns": [{"urlPattern": "*"}]})
        # The web view's size in the location dialog.
        self.browser.call("Emulation.setDeviceMetricsOverride", {
            "width": 400, "height": 300, "deviceScaleFactor": 1, "mobile": False})
        self.requests = []
        self.places = []  # the place search's answer
        self.browser.on_request = self.answer

    def tearDown(self):
        self.browser.close()
        self.profile.cleanup()

    def answer(self, event):
        """Answers one held request: the page, a tile, the place search; refuses anything else."""
        params = event["params"]
        url = params["request"]["url"]
        self.requests.append(url)
        if url.split("?")[0] == PAGE:
            body, kind = self.page, "text/html; charset=utf-8"
        elif TILE.match(url):
            body, kind = TILE_PNG, "image/png"
        elif url.startswith(SEARCH):
            body, kind = json.dumps(self.places).encode(), "application/json"
        else:
            self.browser.send("Fetch.failRequest", {"requestId": params["requestId"],
                                                    "errorReason": "BlockedByClient"})
            return
        self.browser.send("Fetch.fulfillRequest", {
            "requestId": params["requestId"], "responseCode": 200,
            "responseHeaders": [{"name": "Content-Type", "value": kind},
                                {"name": "Access-Control-Allow-Origin", "value": "*"}],
            "body": base64.b64encode(body).decode()})

    def run_until(self, done, timeout=30):
        """Answers requests until done() holds."""
        end = time.monotonic() + timeout
        while not done() and time.monotonic() < end:
            message = self.browser.receive(time.monotonic() + 0.5)
            if message:
                self.browser.dispatch(message)
        return done()

    def tiles_at(self, zoom):
        return [u for u in self.requests if TILE.match(u) and TILE.match(u).group(1) == str(zoom)]

    def chosen(self):
        """The coordinates of the redir page request, once the page has navigated there."""
        for url in self.requests:
            if url.startswith(PAGE + "?redir="):
                query = dict(p.split("=", 1) for p in url.split("?", 1)[1].split("&"))
                return float(query["lat"]), float(query["lng"])
        return None

    def note(self):
        return self.browser.call("Runtime.evaluate", {
            "expression": "document.getElementById('note').textContent",
            "returnByValue": True})["result"].get("value", "")

    def test_centres_on_the_place_and_reports_a_click(self):
        # The query; the place search's answer; the zoom and the tile (column, row) that must be
        # asked for (None: any); the search text sent; where a click at the centre lands, or the
        # note the page shows.
        sydney = [{"lat": "-33.8688", "lon": "151.2093", "display_name": "Sydney"}]
        cases = (("?lat=40.700000&lng=-74.000000", [], 9, ("150", "192"), None, (40.7, -74.0)),
                 ("?geo=New York City", sydney, 10, None, "q=New%20York%20City",
                  (-33.8688, 151.2093)),
                 ("?geo=Nowhere%25", [], None, None, "q=Nowhere%25",
                  "No place called Nowhere% was found."))
        for query, places, zoom, tile, search, place in cases:
            with self.subTest(query=query):
                self.requests.clear()
                self.places = places
                self.browser.call("Page.navigate", {"url": PAGE + query})
                searches = lambda: [u for u in self.requests if u.startswith(SEARCH)]  # noqa
                self.assertTrue(self.run_until(lambda: (searches() or not search) and (
                    zoom is None or any(tile in (None, TILE.match(u).group(2, 3))
                                        for u in self.tiles_at(zoom)))), self.requests)
                self.assertEqual([search in u for u in searches()], [True] if search else [])
                if isinstance(place, str):
                    self.run_until(lambda: self.note() == place, timeout=20)
                    self.assertEqual(self.note(), place)
                    continue
                for kind in ("mousePressed", "mouseReleased"):
                    self.browser.call("Input.dispatchMouseEvent", {
                        "type": kind, "x": 200, "y": 150, "button": "left", "clickCount": 1})
                self.assertTrue(self.run_until(lambda: self.chosen() is not None), self.requests)
                for got, want in zip(self.chosen(), place):
                    self.assertAlmostEqual(got, want, delta=0.01)
                # Nothing is asked of anyone but the page's origin, the tiles and the search.
                for url in self.requests:
                    self.assertTrue(url.startswith((ORIGIN, SEARCH)) or TILE.match(url), url)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", required=True)
    parser.add_argument("--chromium", default="chromium")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest)

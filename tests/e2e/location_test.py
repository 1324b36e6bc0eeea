#!/usr/bin/env python3
"""The location dialog end to end, driven with xdotool: a hidden first run (longitude 0) asks
"Where am I?"; what is typed is stored with OK, and Cancel keeps the store. On Linux a map page
served from 127.0.0.1 follows what is typed (loaded once, not on every poll of the dialog) and its
own choice is stored; its browser engine runs in a helper process below the program, which ends
with the dialog and with the program, and whose death leaves the dialog working."""

import http.server
import os
import signal
import subprocess
import threading
import time
import urllib.parse

from startup_test import (HostCase, X_TIMEOUT, parse_host_arguments, run_cases, screenshot,
                          wait_until, xdotool_search)

DIALOG = r"^Where am I\?$"


class PageServer(http.server.ThreadingHTTPServer):
    """Serves the stand-in map page on 127.0.0.1 and records every path asked."""

    def __init__(self, page):
        self.page, self.paths = page, []
        handler = type("Handler", (http.server.BaseHTTPRequestHandler,), {
            "do_GET": lambda h: self.answer(h), "log_message": lambda *a: None})
        super().__init__(("127.0.0.1", 0), handler)
        self.url = f"http://127.0.0.1:{self.server_port}/winmap.html"
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def answer(self, handler):
        self.paths.append(handler.path)
        handler.send_response(200)
        handler.send_header("Content-Type", "text/html; charset=utf-8")
        handler.send_header("Content-Length", str(len(self.page)))
        handler.end_headers()
        handler.wfile.write(self.page)


def process_tree(pid):
    """The process and all its descendants, each as (pid, start time, name); a process that ends
    while it is read is left out."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            stat = f.read()
        children = []
        for task in os.listdir(f"/proc/{pid}/task"):
            with open(f"/proc/{pid}/task/{task}/children") as f:
                children += f.read().split()
    except OSError:
        return []
    name = stat[stat.index("(") + 1:stat.rindex(")")]
    start = stat[stat.rindex(")") + 2:].split()[19]
    return [(pid, start, name)] + [p for c in children for p in process_tree(int(c))]


def alive(process):
    """True while (pid, start time, name) still names a running process (not a zombie)."""
    pid, start, _ = process
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except OSError:
        return False
    return fields[19] == start and fields[0] != "Z"


class DialogCase(HostCase):
    """Drives the dialog of a hidden first run."""

    def open_dialog(self, preferences):
        """Starts a hidden first run and gives the dialog the keyboard."""
        self.host.store_preferences({"Longitude": 0, **preferences})
        self.program = self.host.start(["noshow"])
        found = wait_until(lambda: xdotool_search("--onlyvisible", "--name", DIALOG), 60)
        self.assertTrue(found, "the location dialog did not open")
        # No window manager runs: the test gives the dialog the focus a user's click would.
        self.keys("windowfocus", "--sync", found[0])

    def keys(self, *args):
        subprocess.run(["xdotool", *args], check=True, timeout=X_TIMEOUT)

    def shoot(self, name):
        os.makedirs(ARGS.screenshots, exist_ok=True)
        screenshot(os.path.join(ARGS.screenshots, name))

    def answer(self, key, expected):
        """Ends the dialog with key; the store then holds expected, and the program runs on,
        hidden, without asking again."""
        self.keys("key", key)
        self.assertTrue(wait_until(lambda: not xdotool_search("--onlyvisible", "--name", DIALOG),
                                   20), f"{key} did not close the dialog")
        self.wait_stored(expected)
        time.sleep(2)
        self.assertFalse(xdotool_search("--onlyvisible", "--name", DIALOG), "asked again")
        self.assertIsNone(self.program.poll())


class WineFirstRun(DialogCase):
    """The Windows build under Wine. Debian's Wine has no browser engine: the dialog runs with an
    empty map, and typed places are all it takes."""

    def test_a_first_run_takes_postal_codes_and_coordinates_and_cancel_keeps_the_store(self):
        for typed, key, expected in (
                ("90210", "Return", {"ZipCode": 90210, "Latitude": 3409, "Longitude": -11840}),
                ("12.5S 45E", "Return", {"ZipCode": 0, "Latitude": -1250, "Longitude": 4500}),
                ("25N 32W", "Escape", {"ZipCode": 0, "Latitude": -1250, "Longitude": 0})):
            with self.subTest(typed=typed, key=key):
                self.open_dialog({})
                self.keys("type", "--delay", "60", typed)
                time.sleep(1)  # two polls of the dialog, which must not hang it
                self.shoot(f"windows-{typed.replace(' ', '_')}.png")
                self.answer(key, expected)
                self.assertEqual(self.host.window(), "hidden")
                self.assertEqual(self.host.close(self.program), 0)


class LocationDialog(DialogCase):
    def setUp(self):
        super().setUp()
        with open(ARGS.page, "rb") as f:
            self.server = PageServer(f.read())
        self.addCleanup(self.server.server_close)
        self.addCleanup(self.server.shutdown)

    def engine(self):
        """Waits for the map's helper below the program, with the browser engine's processes
        below it; answers them all, the helper first."""
        def below():
            tree = process_tree(self.program.pid)[1:]
            return tree if len(tree) > 1 and tree[0][2] == "tintel_webview" else None
        tree = wait_until(below, 30)
        self.assertTrue(tree, f"no map helper below the program: {process_tree(self.program.pid)}")
        return tree

    def assert_engine_ended(self, engine):
        """Nothing is left below the program (if it runs), and no process the map had started is
        left anywhere (none was orphaned)."""
        self.assertTrue(wait_until(lambda: len(process_tree(self.program.pid)) <= 1, 20),
                        f"left below the program: {process_tree(self.program.pid)[1:]}")
        self.assertTrue(wait_until(lambda: not any(alive(p) for p in engine), 20),
                        f"still running: {[p for p in engine if alive(p)]}")

    def test_the_map_follows_a_postal_code_and_its_choice_is_stored(self):
        # A first run but for the map page's address: the stand-in page on 127.0.0.1 (the
        # installed page would ask the internet for map tiles).
        self.open_dialog({"MapPage": self.server.url})
        self.keys("type", "--delay", "60", "90210")
        # The map, which starts beside the dialog, goes to the postal code's point, once.
        self.assertTrue(wait_until(lambda: self.server.paths, 30), "the map was not shown")
        engine = self.engine()
        time.sleep(1.5)  # three more polls, which must not load the page again
        self.shoot("linux-90210.png")
        self.assertEqual(self.server.paths, ["/winmap.html?lat=34.093750&lng=-118.406250"])
        # A place looked up on the page (Search), which chooses New York.
        self.keys("key", *["BackSpace"] * 5)
        self.keys("type", "--delay", "30", "New York City")
        self.keys("key", "Tab", "space")
        chose = wait_until(lambda: any(p.startswith("/winmap.html?redir=")
                                       for p in self.server.paths), 30)
        self.assertTrue(chose, f"the page was not asked for the place: {self.server.paths}")
        time.sleep(3)  # six polls of the dialog
        self.shoot("linux-map.png")
        self.assertEqual(self.server.paths[1:], ["/winmap.html?geo=New%20York%20City",
                                                 "/winmap.html?redir=1&lat=40.7&lng=-74.0"])
        # Back from Search to the text, where Enter presses the default button, OK (a Tab
        # onward would go into the web view).
        self.keys("key", "shift+Tab")
        self.answer("Return", {"ZipCode": 0, "Latitude": 4070, "Longitude": -7400})
        self.assert_engine_ended(engine)

    def test_a_killed_map_leaves_the_dialog_working(self):
        self.open_dialog({"MapPage": self.server.url})
        engine = self.engine()
        os.kill(engine[0][0], signal.SIGKILL)
        self.assertTrue(wait_until(lambda: not alive(engine[0]), 20), "the helper did not die")
        # The dialog goes on without its map: it still resolves text, and OK takes it.
        self.keys("type", "--delay", "60", "90210")
        time.sleep(1.5)  # three polls, each asking the dead map where it is
        self.assertIsNone(self.program.poll(), "the program died with its map")
        self.shoot("linux-no-map.png")
        self.answer("Return", {"ZipCode": 90210, "Latitude": 3409, "Longitude": -11840})
        self.assert_engine_ended(engine)

    def test_the_map_dies_with_the_program(self):
        self.open_dialog({"MapPage": "file://" + urllib.parse.quote(os.path.abspath(ARGS.page))})
        engine = self.engine()
        self.program.kill()
        self.program.wait(timeout=20)
        self.assert_engine_ended(engine)


if __name__ == "__main__":
    ARGS, HOST = parse_host_arguments("--page", "--screenshots")
    run_cases(HOST, WineFirstRun if ARGS.platform == "win32" else LocationDialog)

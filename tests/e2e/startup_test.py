#!/usr/bin/env python3
"""Start-up end to end: the real program (native, or the Windows build under Wine) on the
harness's X server, its windows seen through xdotool or winprobe, its preferences in the file
store or the Wine registry. The hosts here are shared by the other end-to-end drivers."""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from quiet_run import run_quiet

CLASS, TITLE = "ytWindow", "Tintel"
PREFS = "Software\\Brisbel\\tintel\\Preferences"
DEFAULTS = {"SafeMode": 0, "Latitude": 3600, "ImplicitMode": 0, "Longitude": 0, "ZipCode": 0,
            "Outdoor": 6500, "Indoor": 3400, "hotkeys": 1, "tray": 0, "Hue": 0, "huepoll": 0,
            "webcam": 0, "candle": 0, "backlight": 1, "usertrack": 0, "CK": 0}
X_TIMEOUT = 20  # seconds any one X client call may take


def wait_until(predicate, timeout, step=0.1):
    """Polls predicate until it holds or timeout seconds (an upper bound, not a delay) pass."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


def x_out(*argv):
    return subprocess.run(argv, capture_output=True, text=True, timeout=X_TIMEOUT).stdout


def xdotool_search(*args):
    return x_out("xdotool", "search", *args).split()


def screenshot(path):
    subprocess.run(["import", "-window", "root", path], timeout=60)


def popup_menus():
    """{window: (x, y, width, height)} of mapped override-redirect windows big enough to be
    a popup menu."""
    found = {}
    for wid in re.findall(r"^\s+(0x[0-9a-f]+)", x_out("xwininfo", "-root", "-children"), re.M):
        info = x_out("xwininfo", "-id", wid)
        if "Map State: IsViewable" in info and "Override Redirect State: yes" in info:
            g = [int(re.search(p + r":\s+(-?\d+)", info).group(1)) for p in
                 ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")]
            if g[2] > 50 and g[3] > 100:
                found[wid] = g
    return found


def docked_icon(window):
    """The centre of an icon-sized window that xwininfo names so (its name and class, as in
    '"Tintel": ("tintel" "tintel")'), docked in trayer, or None."""
    out = x_out("xwininfo", "-root", "-tree")
    for w, h, x, y in re.findall(re.escape(window) +
                                 r"\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)", out):
        if 8 <= int(w) <= 64 and 8 <= int(h) <= 64:
            return int(x) + int(w) // 2, int(y) + int(h) // 2
    return None


class Host:
    """What both builds share: starting the program and watching its window on the X server."""

    def __init__(self, program, work):
        self.program, self.work = program, work
        self.processes, self.temporary = [], []

    def setup(self, name):
        self.dir = os.path.join(self.work, name)
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        self.env = dict(os.environ)

    def teardown(self):
        for p in self.processes:
            if p.poll() is None:
                p.kill()
                p.wait()
            p.log.close()
        for path in self.temporary:
            shutil.rmtree(path, ignore_errors=True)
        self.processes, self.temporary = [], []

    def popen(self, argv, env=None):
        # Output to a file, not a pipe: services Wine starts for the program may hold a pipe open.
        log = open(os.path.join(self.dir, f"program-{len(self.processes)}.log"), "w+b")
        p = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=log,
                             stderr=subprocess.STDOUT)
        p.log = log
        self.processes.append(p)
        return p

    def start_trayer(self, edge):
        self.popen(["trayer", "--edge", edge, "--align", "right", "--width", "10", "--height",
                    "32", "--SetDockType", "false"])
        return wait_until(lambda: xdotool_search("--class", "trayer"), 10)

    def visible_on_x(self):
        return xdotool_search("--onlyvisible", "--name", f"^{TITLE}$")


class LinuxHost(Host):
    exe_suffix = ""

    def setup(self, name):
        super().setup(name)
        self.env["XDG_CONFIG_HOME"] = os.path.join(self.dir, "config")
        # A short path: the instance socket's address must fit a sockaddr_un.
        self.env["XDG_RUNTIME_DIR"] = tempfile.mkdtemp(prefix="tintel-e2e-")
        self.temporary.append(self.env["XDG_RUNTIME_DIR"])

    def start(self, args, program=None):
        return self.popen([program or self.program, *args], env=self.env)

    def main_windows(self, *flags):
        """The settings window's X windows: its title and the toolkit's class (the docked tray
        icon and the map's helper carry the program's name too)."""
        return [w for w in xdotool_search(*flags, "--class", f"^{CLASS}$")
                if x_out("xdotool", "getwindowname", w).strip() == TITLE]

    def visible_on_x(self):
        return self.main_windows("--onlyvisible")

    def window(self):
        if not self.main_windows():
            return "none"
        return "visible" if self.visible_on_x() else "hidden"

    def close(self, process):
        process.send_signal(signal.SIGTERM)
        return process.wait(timeout=20)

    def gammas(self):
        return re.findall(r"^(\S+) connected.*?\n(?:\t.*\n)*?\tGamma:\s+(\S+)",
                          x_out("xrandr", "--verbose"), re.M)

    def tint_displays(self):
        return all(subprocess.run(["xrandr", "--output", name, "--gamma", "1:0.7:0.5"],
                                  timeout=X_TIMEOUT).returncode == 0 for name, _ in self.gammas())

    def displays_neutral(self):
        return all(g == "1.0:1.0:1.0" for _, g in self.gammas() or [("", "")])

    def store(self):
        return os.path.join(self.env["XDG_CONFIG_HOME"], "Brisbel", "preferences.reg")

    def store_preferences(self, values, key=PREFS):
        """Adds a key of numbers (DWORDs) and texts to a store the program has not written yet."""
        os.makedirs(os.path.dirname(self.store()), exist_ok=True)
        with open(self.store(), "a") as f:
            f.write(f"[{key}]\n")
            for name, v in values.items():
                f.write(f'"{name}"="{v}"\n' if isinstance(v, str) else
                        f'"{name}"=dword:{v & 0xFFFFFFFF:08x}\n')

    def preferences(self, base="tintel"):
        values, section = {}, None
        lines = open(self.store(), encoding="utf-8", errors="replace").read().splitlines() \
            if os.path.exists(self.store()) else []
        for line in lines:
            if line.startswith("["):
                section = line.strip("[]").lower()
            m = re.match(r'^"([^"]+)"=dword:([0-9a-f]{8})$', line)
            if m and section == f"software\\brisbel\\{base}\\preferences":
                v = int(m.group(2), 16)
                values[m.group(1)] = v - (1 << 32) if v >= 1 << 31 else v
        return values


class WineHost(Host):
    exe_suffix = ".exe"

    def __init__(self, program, work, probe):
        super().__init__(program, work)
        self.probe = probe

    def setup(self, name):
        super().setup(name)
        self.winprobe("delete", "Software\\Brisbel")

    def winprobe(self, *args):
        code, out, _ = run_quiet(["wine", self.probe, *args])
        return code, out.strip()

    def start(self, args, program=None):
        return self.popen(["wine", program or self.program, *args], env=self.env)

    def window(self):
        return self.winprobe("window", CLASS, TITLE)[1] or "none"

    def close(self, process):
        self.winprobe("close", CLASS, TITLE)
        return process.wait(timeout=30)

    def tint_displays(self):
        return self.winprobe("gamma-set", "100", "70", "50")[0] == 0

    def displays_neutral(self):
        # Wine reads ramps back through the X server's gamma ramp, within about half a percent.
        code, out = self.winprobe("gamma-get")
        return code == 0 and all(abs(int(v) - 65535) < 400 for v in out.split())

    def store_preferences(self, values, key=PREFS):
        for name, v in values.items():
            if isinstance(v, str):
                code, _, _ = run_quiet(["wine", "reg", "add", "HKCU\\" + key, "/v", name, "/t",
                                        "REG_SZ", "/d", v, "/f"])
            else:
                code = self.winprobe("hkcu-dword", key, name, str(v))[0]
            assert code == 0, name

    def preferences(self, base="tintel"):
        out = self.winprobe("dump", f"Software\\Brisbel\\{base}\\Preferences")[1]
        return {name: int.from_bytes(bytes.fromhex(v), "little", signed=True)
                for name, v in re.findall(r"^\s*(.*)=4:([0-9a-f]{8})\s*$", out, re.M)}


class HostCase(unittest.TestCase):
    """A test with a fresh folder, environment and store on the host; what it started ends."""
    host = None

    def setUp(self):
        self.host.setup(self.id().split(".")[-1])

    def tearDown(self):
        self.host.teardown()

    def wait_window(self, state, timeout=30):
        seen = wait_until(lambda: self.host.window() == state, timeout)
        self.assertTrue(seen, f"the window did not become {state} (now {self.host.window()})")
        if state == "hidden":
            # A window about to show exists unmapped for a moment: hidden must last.
            self.assertFalse(wait_until(lambda: self.host.window() == "visible", 1.5),
                             "the window showed")

    def wait_stored(self, expected, timeout=20):
        """Waits for the store to hold the expected values (written a moment after they show)."""
        def now():
            return {n: self.host.preferences().get(n) for n in expected}
        wait_until(lambda: now() == expected, timeout)
        self.assertEqual(now(), expected)

    def run_to_exit(self, args, timeout=30):
        return self.host.start(args).wait(timeout=timeout)

    def start_and_close(self, args, state, program=None):
        p = self.host.start(args, program)
        self.wait_window(state)
        self.assertEqual(self.host.close(p), 0, args)
        self.wait_window("none", 10)


class Startup(HostCase):
    def focus_elsewhere(self):
        """Focuses the program's window, then another X client's (answered)."""
        x_out("xdotool", "windowfocus", "--sync", wait_until(self.host.visible_on_x, 10)[0])
        time.sleep(1.5)
        self.assertEqual(self.host.window(), "visible", "hidden while it had the focus")
        other = self.host.popen(["xmessage", "-geometry", "+700+400", "another client"])
        theirs = wait_until(lambda: xdotool_search("--onlyvisible", "--class", "^Xmessage$"), 10)
        self.assertTrue(theirs, "xmessage did not show")
        x_out("xdotool", "windowfocus", "--sync", theirs[0])
        return other

    def test_first_start_command_lines_and_the_store_they_leave(self):
        # The maintenance switches act only as the whole command line and start nothing (under
        # Wine the first two ask: see test_range_switches).
        switches = ["/lockwingamma"]
        if isinstance(self.host, LinuxHost):
            switches[:0] = ["/unlockwingamma", "/adminlockwingamma"]
        for switch in switches:
            self.assertEqual(self.run_to_exit([switch]), 0, switch)
            self.assertEqual(self.host.window(), "none", switch)
        self.assertEqual(self.host.preferences(), {}, "a switch must not start the program")
        # "noshow" is case-sensitive: the first start shows the window, which stays when another
        # client takes the focus while no location is set; its stop leaves the defaults.
        p = self.host.start(["NOSHOW"])
        self.wait_window("visible")
        if isinstance(self.host, LinuxHost):
            ids = self.host.visible_on_x()
            self.assertEqual(len(ids), 1)
            self.assertIn('"ytWindow", "ytWindow"', x_out("xprop", "-id", ids[0], "WM_CLASS"))
        other = self.focus_elsewhere()
        time.sleep(2.5)
        self.assertEqual(self.host.window(), "visible", "hidden without a location")
        other.kill()
        self.assertEqual(self.host.close(p), 0)
        self.wait_window("none", 10)
        self.assertEqual(self.host.preferences(), DEFAULTS)
        # "noshow" anywhere in the line hides; a renamed executable keeps its preferences under
        # its own name.
        renamed = os.path.join(self.host.dir, "other" + self.host.exe_suffix)
        shutil.copy(self.host.program, renamed)
        for args, state, program in ((["a", "noshow", "b"], "hidden", renamed),
                                     (["/adminlockwingamma", "noshow"], "hidden", None),
                                     (["/lockwingamma "], "visible", None)):
            self.start_and_close(args, state, program)
        self.assertEqual(self.host.preferences("other"), DEFAULTS)

    def test_one_instance_at_a_time_the_focus_and_a_clean_stop(self):
        self.host.store_preferences({"Longitude": 1500})
        first = self.host.start(["noshow"])
        self.wait_window("hidden")
        # A second start shows the running instance (one window on the X server) and exits.
        self.assertEqual(self.run_to_exit([], timeout=20), 0)
        self.wait_window("visible", timeout=5)
        self.assertEqual(len(wait_until(self.host.visible_on_x, 5)), 1)
        self.assertIsNone(first.poll())
        # A killed instance does not block the next start. With a location set, the window hides
        # when another client takes the focus; the stop resets a tint.
        first.kill()
        first.wait()
        self.wait_window("none", 10)
        self.assertTrue(self.host.tint_displays())
        self.assertFalse(self.host.displays_neutral(), "the tint did not take")
        p = self.host.start([])
        self.wait_window("visible")
        self.focus_elsewhere()
        self.wait_window("hidden", timeout=10)
        self.assertEqual(self.host.close(p), 0)
        self.assertTrue(self.host.displays_neutral())


class LinuxOnly(Startup):
    def test_unusable_store_still_runs_on_defaults(self):
        with open(os.path.join(self.host.dir, "config"), "w") as f:
            f.write("a file where the configuration folder should be")
        self.start_and_close([], "visible")

    def test_no_display_is_reported(self):
        env = {k: v for k, v in self.host.env.items() if k != "DISPLAY"}
        out = subprocess.run([self.host.program], env=env, capture_output=True, text=True,
                             timeout=30)
        self.assertNotEqual(out.returncode, 0)
        self.assertIn("display", out.stderr.lower())


class WineOnly(Startup):
    """The end of a Windows session, the extended gamma range switches (with Wine's administrator
    rights: the restart is only ever answered "Later") and the tray menu."""
    ICM = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ICM"

    def test_end_of_session_leaves_the_displays_neutral(self):
        self.assertTrue(self.host.tint_displays())
        p = self.host.start(["noshow"])
        self.wait_window("hidden")
        # Wine's own end of session: WM_QUERYENDSESSION and WM_ENDSESSION to every window.
        self.assertEqual(run_quiet(["wineboot", "--end-session"])[0], 0)
        self.assertTrue(wait_until(self.host.displays_neutral, 30))
        p.wait(timeout=30)

    def set_range(self, value):
        self.assertEqual(self.host.winprobe("hklm-dword", self.ICM, "GdiICMGammaRange", value)[0],
                         0)

    def test_range_switches(self):
        self.addCleanup(self.set_range, "-")
        # The range before, the boxes and buttons pressed (2 "Later", 7 "No", 6 "Yes", 1 "OK"),
        # the range in both views after ("-": absent).
        for switch, before, boxes, after in (
                ("/unlockwingamma", "-", (("Tintel feature unlocked!", 2),), "256"),
                ("/lockwingamma", "256", (("Back to normal?", 7),), "256"),
                ("/lockwingamma", "256", (("Back to normal?", 6), ("Back to normal", 1)), "-"),
                ("/adminlockwingamma", "256", (("Back to normal", 1),), "-")):
            with self.subTest(switch=switch, boxes=boxes):
                self.set_range(before)
                p = self.host.start([switch])
                for title, button in boxes:
                    shown = wait_until(lambda: xdotool_search(
                        "--onlyvisible", "--name", "^%s$" % re.escape(title)), 30)
                    self.assertTrue(shown, f"no {title!r}")
                    time.sleep(0.5)  # a picture of the drawn box, for people to look at
                    screenshot(os.path.join(self.host.dir, title.strip("!?") + ".png"))
                    self.assertEqual(self.host.winprobe("answer", title, str(button))[0], 0)
                self.assertEqual(p.wait(timeout=30), 0)
                self.assertEqual(self.host.winprobe("hklm-get", self.ICM, "GdiICMGammaRange")[1]
                                 .split(), [after, after])
                self.assertEqual(self.host.window(), "none")

    def test_tray_menu_opens_on_the_press_and_a_click_chooses(self):
        # The menu is open while the right button is still down on the icon, and a click on its
        # last item ("Exit Tintel") chooses it. (A drag and release cannot be driven: the press's
        # X pointer grab belongs to explorer.exe's icon window, never to tintel.exe's menu.)
        self.assertTrue(self.host.start_trayer("bottom"), "no trayer")
        p = self.host.start(["noshow"])
        self.wait_window("hidden")
        icon = wait_until(lambda: docked_icon('("explorer.exe" "explorer.exe")'), 30)
        self.assertTrue(icon, "Wine did not dock the icon in trayer")
        x_out("xdotool", "mousemove", *map(str, icon), "mousedown", "3")
        menu = wait_until(popup_menus, 10)
        self.assertTrue(menu, "no menu while the button is down")
        screenshot(os.path.join(self.host.dir, "menu.png"))
        x_out("xdotool", "mouseup", "3")
        time.sleep(0.5)
        self.assertTrue(popup_menus(), "the release on the icon closed the menu")
        mx, my, mw, mh = list(menu.values())[0]
        x_out("xdotool", "mousemove", str(mx + mw // 2), str(my + mh - 10), "sleep", "0.3",
              "click", "1")
        self.assertEqual(p.wait(timeout=30), 0)
        self.assertEqual(self.host.window(), "none")


def parse_host_arguments(*extra_arguments):
    """The arguments every end-to-end script takes (and any extra ones), and the host they name."""
    parser = argparse.ArgumentParser()
    for name in ("--program", "--work", *extra_arguments):
        parser.add_argument(name, required=True)
    parser.add_argument("--platform", choices=["linux", "win32"], default="linux")
    parser.add_argument("--probe")
    args, _ = parser.parse_known_args()
    os.makedirs(args.work, exist_ok=True)
    if args.platform == "linux":
        return args, LinuxHost(args.program, args.work)
    return args, WineHost(args.program, args.work, args.probe)


def run_cases(host, *cases):
    """Runs the cases' own tests (not those they inherit from another case given) on the host;
    TINTEL_E2E_ONLY=name,name runs only those."""
    loader, suite = unittest.TestLoader(), unittest.TestSuite()
    only = [n for n in os.environ.get("TINTEL_E2E_ONLY", "").split(",") if n]
    for case in cases:
        case.host = host
        inherited = loader.getTestCaseNames(case.__base__) if case.__base__ in cases else []
        suite.addTests(case(n) for n in loader.getTestCaseNames(case)
                       if n not in inherited and (not only or n in only))
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    ARGS, HOST = parse_host_arguments()
    run_cases(HOST, Startup, LinuxOnly if ARGS.platform == "linux" else WineOnly)

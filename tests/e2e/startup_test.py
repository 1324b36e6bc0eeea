#!/usr/bin/env python3
"""Start-up end to end: the real program (native, or the Windows build under Wine) on the
harness's X server. Windows are observed on the X server (xdotool) or through Win32 (winprobe);
preferences in the file store or the Wine registry."""

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

ARGS = None
CLASS, TITLE = "ytWindow", "Tintel"
DEFAULTS = {"SafeMode": 0, "Latitude": 3600, "ImplicitMode": 0, "Longitude": 0, "ZipCode": 0,
            "Outdoor": 6500, "Indoor": 3400, "hotkeys": 1, "tray": 0, "Hue": 0, "huepoll": 0,
            # The extras' switches, read by the first panel build.
            "webcam": 0, "candle": 0, "backlight": 1, "usertrack": 0, "CK": 0}
# Seconds any one X client call (xdotool, xrandr, xprop) may take before the test gives up on it.
X_TIMEOUT = 20


def wait_until(predicate, timeout, step=0.1):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


def xdotool_search(*args):
    out = subprocess.run(["xdotool", "search", *args], capture_output=True, text=True,
                         timeout=X_TIMEOUT)
    return out.stdout.split()


class Host:
    """What both builds share: starting the program and watching its window on the X server."""

    def __init__(self, program, work):
        self.program, self.work = program, work
        self.processes = []
        self.temporary = []

    def setup(self, name):
        self.dir = os.path.join(self.work, name)
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)

    def teardown(self):
        for p in self.processes:
            if p.poll() is None:
                p.kill()
                p.wait()
        self.processes = []
        for path in self.temporary:
            shutil.rmtree(path, ignore_errors=True)
        self.temporary = []

    def popen(self, argv, env=None):
        # Output to a file, not a pipe: services Wine starts for the program may hold a pipe open.
        log = open(os.path.join(self.dir, f"program-{len(self.processes)}.log"), "w+b")
        p = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=log,
                             stderr=subprocess.STDOUT)
        p.log = log
        self.processes.append(p)
        return p

    def visible_on_x(self):
        return xdotool_search("--onlyvisible", "--name", f"^{TITLE}$")


class LinuxHost(Host):
    exe_suffix = ""

    def setup(self, name):
        super().setup(name)
        self.env = dict(os.environ)
        self.env["XDG_CONFIG_HOME"] = os.path.join(self.dir, "config")
        # A short path: the instance socket's address must fit a sockaddr_un.
        self.env["XDG_RUNTIME_DIR"] = tempfile.mkdtemp(prefix="tintel-e2e-")
        self.temporary.append(self.env["XDG_RUNTIME_DIR"])

    def start(self, args, program=None):
        return self.popen([program or self.program, *args], env=self.env)

    def window(self):
        if not xdotool_search("--name", f"^{TITLE}$"):
            return "none"
        return "visible" if self.visible_on_x() else "hidden"

    def close(self, process):
        process.send_signal(signal.SIGTERM)
        return process.wait(timeout=20)

    def outputs(self):
        text = subprocess.run(["xrandr", "--verbose"], capture_output=True, text=True,
                              timeout=X_TIMEOUT).stdout
        return re.findall(r"^(\S+) connected.*?\n(?:\t.*\n)*?\tGamma:\s+(\S+)", text, re.M)

    def tint_displays(self):
        return all(subprocess.run(["xrandr", "--output", name, "--gamma", "1:0.7:0.5"],
                                  timeout=X_TIMEOUT).returncode == 0
                   for name, _ in self.outputs())

    def displays_neutral(self):
        gammas = self.outputs()
        return bool(gammas) and all(g == "1.0:1.0:1.0" for _, g in gammas)

    def preferences(self, base="tintel"):
        path = os.path.join(self.env["XDG_CONFIG_HOME"], "Brisbel", "preferences.reg")
        if not os.path.exists(path):
            return {}
        values, section = {}, None
        for line in open(path, encoding="utf-8", errors="replace"):
            line = line.rstrip("\n")
            if line.startswith("["):
                section = line.strip("[]").lower()
            elif section == f"software\\brisbel\\{base}\\preferences".lower():
                m = re.match(r'^"([^"]+)"=dword:([0-9a-f]{8})$', line)
                if m:
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
        self.env = dict(os.environ)
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
        code, out = self.winprobe("gamma-get")
        # Wine reads ramps back through the X server's gamma ramp, within about half a percent.
        return code == 0 and all(abs(int(v) - 65535) < 400 for v in out.split())

    def preferences(self, base="tintel"):
        code, out = self.winprobe("dump", f"Software\\Brisbel\\{base}\\Preferences")
        values = {}
        for line in out.splitlines():
            m = re.match(r"^(.*)=4:([0-9a-f]{8})$", line.strip())
            if m:
                values[m.group(1)] = int.from_bytes(bytes.fromhex(m.group(2)), "little", signed=True)
        return values


class Startup(unittest.TestCase):
    host = None

    def setUp(self):
        self.host.setup(self.id().split(".")[-1])

    def tearDown(self):
        self.host.teardown()

    def wait_window(self, state, timeout=30):
        seen = wait_until(lambda: self.host.window() == state, timeout)
        self.assertTrue(seen, f"the window did not become {state} (now {self.host.window()})")

    def run_to_exit(self, args, timeout=30):
        start = time.monotonic()
        p = self.host.start(args)
        code = p.wait(timeout=timeout)
        p.log.seek(0)
        return code, time.monotonic() - start, p.log.read().decode(errors="replace")

    def test_first_start_creates_defaults_and_shows_the_window(self):
        p = self.host.start([])
        self.wait_window("visible")
        if isinstance(self.host, LinuxHost):
            ids = self.host.visible_on_x()
            self.assertEqual(len(ids), 1)
            wm_class = subprocess.run(["xprop", "-id", ids[0], "WM_CLASS"], capture_output=True,
                                      text=True, timeout=X_TIMEOUT).stdout
            self.assertIn('"ytWindow", "ytWindow"', wm_class)
            geometry = subprocess.run(["xdotool", "getwindowgeometry", ids[0]],
                                      capture_output=True, text=True, timeout=X_TIMEOUT).stdout
            self.assertIn("Geometry: 554x243", geometry)
        self.assertEqual(self.host.close(p), 0)
        self.assertEqual(self.host.window(), "none")
        self.assertEqual(self.host.preferences(), DEFAULTS)

    def test_second_start_shows_the_running_instance_and_exits(self):
        first = self.host.start(["noshow"])
        self.wait_window("hidden")
        time.sleep(0.5)
        self.assertEqual(self.host.window(), "hidden", "noshow must keep the window hidden")
        code, seconds, _ = self.run_to_exit([], timeout=20)
        print(f"second start ended in {seconds:.2f} s")
        self.assertEqual(code, 0)
        self.wait_window("visible", timeout=5)
        # Seen on the X server too: exactly one visible window of that title, the first's.
        self.assertEqual(len(wait_until(self.host.visible_on_x, 5)), 1)
        self.assertIsNone(first.poll())
        self.assertEqual(self.host.close(first), 0)

    def test_noshow_is_a_case_sensitive_substring(self):
        for args, state in ((["--xnoshowx"], "hidden"), (["NOSHOW"], "visible"),
                            (["a", "noshow", "b"], "hidden")):
            p = self.host.start(args)
            self.wait_window(state)
            self.assertEqual(self.host.close(p), 0, args)
            wait_until(lambda: self.host.window() == "none", 10)

    def test_renamed_executable_uses_its_own_root(self):
        other = os.path.join(self.host.dir, "other" + self.host.exe_suffix)
        shutil.copy(self.host.program, other)
        p = self.host.start(["noshow"], program=other)
        self.wait_window("hidden")
        self.assertEqual(self.host.close(p), 0)
        self.assertEqual(self.host.preferences("other"), DEFAULTS)
        self.assertEqual(self.host.preferences("tintel"), {})

    def test_maintenance_switches_must_be_the_whole_command_line(self):
        for switch in ("/unlockwingamma", "/adminlockwingamma", "/lockwingamma"):
            code, _, _ = self.run_to_exit([switch])
            self.assertEqual(code, 0, switch)
            self.assertEqual(self.host.window(), "none", switch)
        self.assertEqual(self.host.preferences(), {}, "a switch must not start the program")
        for args in (["/unlockwingammaX"], ["/adminlockwingamma", "noshow"], ["/lockwingamma "]):
            p = self.host.start(args)
            self.wait_window("hidden" if "noshow" in args else "visible")
            self.assertEqual(self.host.close(p), 0, args)
            wait_until(lambda: self.host.window() == "none", 10)
        self.assertEqual(self.host.preferences(), DEFAULTS)

    def test_killed_instance_does_not_block_the_next_start(self):
        p = self.host.start(["noshow"])
        self.wait_window("hidden")
        p.kill()
        p.wait()
        wait_until(lambda: self.host.window() == "none", 10)
        again = self.host.start([])
        self.wait_window("visible")
        self.assertEqual(self.host.close(again), 0)


    def test_clean_stop_leaves_the_displays_neutral(self):
        self.assertTrue(self.host.tint_displays())
        self.assertFalse(self.host.displays_neutral(), "the tint did not take")
        p = self.host.start(["noshow"])
        self.wait_window("hidden")
        self.assertEqual(self.host.close(p), 0)
        self.assertTrue(self.host.displays_neutral())


class LinuxOnly(Startup):
    def test_unusable_store_still_runs_on_defaults(self):
        with open(os.path.join(self.host.dir, "config"), "w") as f:
            f.write("a file where the configuration folder should be")
        p = self.host.start([])
        self.wait_window("visible")
        self.assertEqual(self.host.close(p), 0)

    def test_no_display_is_reported(self):
        env = dict(self.host.env)
        env.pop("DISPLAY", None)
        out = subprocess.run([self.host.program], env=env, capture_output=True, text=True,
                             timeout=30)
        self.assertNotEqual(out.returncode, 0)
        self.assertIn("display", out.stderr.lower())


class WineOnly(Startup):
    ICM = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ICM"

    def test_end_of_session_leaves_the_displays_neutral(self):
        self.assertTrue(self.host.tint_displays())
        p = self.host.start(["noshow"])
        self.wait_window("hidden")
        # Wine's own end of session: WM_QUERYENDSESSION and WM_ENDSESSION to every window.
        self.assertEqual(run_quiet(["wineboot", "--end-session"])[0], 0)
        self.assertTrue(wait_until(self.host.displays_neutral, 30))
        p.wait(timeout=30)

    def test_lockwingamma_asks_only_when_the_extended_range_is_on(self):
        self.assertEqual(self.host.winprobe("hklm-dword", self.ICM, "GdiICMGammaRange", "256")[0], 0)
        try:
            p = self.host.start(["/lockwingamma"])
            asked = wait_until(lambda: xdotool_search("--name", "^Back to normal\\?$"), 30)
            self.assertTrue(asked, "no question was asked")
            self.assertEqual(self.host.winprobe("answer", "Back to normal?", "7")[0], 0)
            self.assertEqual(p.wait(timeout=30), 0)
            self.assertEqual(self.host.window(), "none")
        finally:
            self.host.winprobe("hklm-dword", self.ICM, "GdiICMGammaRange", "-")


def parse_host_arguments(*extra_arguments):
    """The arguments every end-to-end script takes (and any extra ones), and the host they name."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--platform", required=True, choices=["linux", "win32"])
    parser.add_argument("--probe")
    parser.add_argument("--work", required=True)
    for name in extra_arguments:
        parser.add_argument(name, required=True)
    args, _ = parser.parse_known_args()
    os.makedirs(args.work, exist_ok=True)
    if args.platform == "linux":
        return args, LinuxHost(args.program, args.work)
    return args, WineHost(args.program, args.work, args.probe)


def main():
    global ARGS
    ARGS, Startup.host = parse_host_arguments()
    extra = LinuxOnly if ARGS.platform == "linux" else WineOnly
    loader = unittest.TestLoader()
    suite = loader.loadTestsFromTestCase(Startup)
    for name in loader.getTestCaseNames(extra):
        if name not in loader.getTestCaseNames(Startup):
            suite.addTest(extra(name))
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()

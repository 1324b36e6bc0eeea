#!/usr/bin/env python3
"""A toolkit window on the harness's X server, driven from outside: its pixels read back with
ImageMagick's import, mouse and keys injected with xdotool, a global hotkey pressed and removed.
Runs the probe of either build (the Windows one under Wine)."""
import argparse
import os
import subprocess
import sys
import time
import unittest

ARGS = None


def run(cmd, timeout=20):
    return subprocess.run(cmd, capture_output=True, text=True, timeout=timeout)


def xdo(*args):
    subprocess.run(["xdotool", *args], timeout=10, check=True)
    time.sleep(0.15)


def pixel(x, y):
    """The colour at a screen point as (r, g, b)."""
    out = run(["import", "-window", "root", "-crop", "1x1+%d+%d" % (x, y), "-depth", "8",
               "txt:-"]).stdout
    line = [l for l in out.splitlines() if not l.startswith("#")][0]
    values = line.split("(")[1].split(")")[0].split(",")
    return tuple(int(float(v)) for v in values[:3])


class ProbeRun:
    def __init__(self, name, *extra):
        self.log = os.path.join(ARGS.work, name + ".log")
        os.makedirs(ARGS.work, exist_ok=True)
        if os.path.exists(self.log):
            os.remove(self.log)
        cmd = [ARGS.probe, self.log, *extra]
        if ARGS.platform == "win32":
            cmd = ["wine", *cmd]
        self.proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.ready = [l for l in self.wait_for("ready", 60) if l.startswith("ready")][0].split()

    def lines(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log) as f:
            return [l.strip() for l in f if l.strip()]

    def wait_for(self, prefix, timeout=10):
        end = time.time() + timeout
        while time.time() < end:
            lines = self.lines()
            if any(l.startswith(prefix) for l in lines):
                return lines
            if self.proc.poll() is not None and not any(l.startswith(prefix) for l in self.lines()):
                raise AssertionError("probe ended early: %s" % self.lines())
            time.sleep(0.1)
        raise AssertionError("no %r in %s" % (prefix, self.lines()))

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait(timeout=10)


class WindowInput(unittest.TestCase):
    """Without a compositor (the harness's X server runs none)."""

    def setUp(self):
        self.assertFalse(composited())

    def test_pixels_mouse_keys_and_hotkey(self):
        probe = ProbeRun("input")
        try:
            left, top = int(probe.ready[1]), int(probe.ready[2])
            self.assertIn("hotkey=1", probe.ready)
            time.sleep(1.0)
            # The known scene where it belongs: red left half, blue right half, green button.
            self.assertEqual(pixel(left + 60, top + 90), (255, 0, 0))
            self.assertEqual(pixel(left + 150, top + 60), (0, 0, 255))
            self.assertEqual(pixel(left + 30, top + 30), (0, 255, 0))

            # Hover, press on the button (captured), drag, release; then a press off the button.
            xdo("mousemove", str(left + 100), str(top + 80))
            xdo("mousemove", str(left + 30), str(top + 30))
            xdo("mousedown", "1")
            xdo("mousemove", str(left + 80), str(top + 50))
            xdo("mouseup", "1")
            xdo("click", "4")
            xdo("click", "5")
            xdo("mousemove", str(left + 150), str(top + 90))
            xdo("click", "--repeat", "2", "--delay", "80", "1")
            xdo("mousemove", str(left + 30), str(top + 30))
            xdo("click", "2")
            time.sleep(0.5)
            mouse = [l.split()[1:] for l in probe.lines() if l.startswith("mouse")]
            kinds = [(int(m[0]), m[3]) for m in mouse if m[0] != "2"]
            self.assertEqual(kinds[:3], [(1, "captured=0"), (3, "captured=1"), (4, "captured=1")],
                             mouse)
            wheel = [m for m in mouse if m[0] == "6"]
            self.assertEqual([m[4] for m in wheel], ["notches=1", "notches=-1"])
            self.assertEqual((int(wheel[0][1]), int(wheel[0][2])), (80, 50))
            rest = [k for k, _ in kinds[3:] if k != 6]
            # Double click: a press, then the double click in place of the second press; then the
            # middle button, captured by the button and released to it.
            self.assertEqual(rest, [1, 13, 7, 8], mouse)
            hover = [m for m in mouse if m[0] == "2"]
            self.assertTrue(hover, mouse)

            # Tab and Shift+Tab move the focus forwards and back.
            xdo("key", "Tab")
            xdo("key", "shift+Tab")
            probe.wait_for("focus")
            time.sleep(0.3)
            focus = [l for l in probe.lines() if l.startswith("focus")]
            self.assertEqual(focus, ["focus 1", "focus 0"])

            # The hotkey arrives once: the probe removes it when it comes.
            xdo("key", "alt+Next")
            probe.wait_for("hotkey")
            xdo("key", "alt+Next")
            time.sleep(0.5)
            self.assertEqual([l for l in probe.lines() if l.startswith("hotkey")], ["hotkey 7"])

            xdo("key", "Escape")
            probe.wait_for("end", 20)
            self.assertEqual(probe.proc.wait(timeout=20), 0)
        finally:
            probe.stop()


class Compositor(unittest.TestCase):
    """The same window under a compositor (xcompmgr): per-pixel alpha on (Linux: an RGBA visual;
    Windows: a layered popup either way), the window alpha blends with what is below; without
    per-pixel alpha SetAlpha(128) changes nothing and the frames still arrive."""

    def setUp(self):
        self.compositor = subprocess.Popen(["xcompmgr"], stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL)
        end = time.time() + 10
        while time.time() < end:
            if self.compositor.poll() is not None:
                self.fail("xcompmgr did not start")
            if composited():
                break
            time.sleep(0.1)
        else:
            self.fail("no compositor selection owner")

    def tearDown(self):
        self.compositor.terminate()
        self.compositor.wait(timeout=10)
        time.sleep(0.5)

    def probe_pixels(self, name, *extra):
        probe = ProbeRun(name, *extra)
        try:
            time.sleep(1.5)
            left, top = int(probe.ready[1]), int(probe.ready[2])
            red = pixel(left + 60, top + 90)
            green = pixel(left + 30, top + 30)
            xdo("mousemove", str(left + 100), str(top + 60))
            xdo("key", "Escape")
            probe.wait_for("end", 20)
            return probe.ready, probe.lines(), red, green
        finally:
            probe.stop()

    def test_alpha_with_and_without_per_pixel_alpha(self):
        ready, _, red, green = self.probe_pixels("composited")
        self.assertIn("perpixel=1", ready)
        self.assertEqual((red, green), ((255, 0, 0), (0, 255, 0)))

        ready, lines, red, _ = self.probe_pixels("composited_alpha", "alpha=128")
        self.assertIn("alpha 128", lines)
        # Half the red over whatever the root shows.
        self.assertTrue(110 <= red[0] <= 240 and red[2] <= 140, red)

        ready, lines, red, green = self.probe_pixels("composited_noperpixel", "noperpixel",
                                                     "alpha=128")
        self.assertIn("perpixel=0", ready)
        self.assertIn("alpha 255", lines)
        self.assertEqual((red, green), ((255, 0, 0), (0, 255, 0)))


def composited():
    """Whether a compositing manager owns the screen's _NET_WM_CM_S0 selection (asked through
    GDK, which is what the Linux build asks too)."""
    code = ("import gi; gi.require_version('Gdk', '3.0'); from gi.repository import Gdk; "
            "Gdk.init([]); print(Gdk.Screen.get_default().is_composited())")
    # Debian's interpreter: PyGObject comes from its packages.
    return run(["/usr/bin/python3", "-c", code]).stdout.strip() == "True"


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--probe", required=True)
    parser.add_argument("--platform", required=True)
    parser.add_argument("--work", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)


if __name__ == "__main__":
    main()

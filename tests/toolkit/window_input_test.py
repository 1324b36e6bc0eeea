#!/usr/bin/env python3
"""A toolkit window on the harness's X server, driven from outside: its pixels read back with
ImageMagick's import, mouse and keys injected with xdotool, a global hotkey pressed and removed,
focus changes between clients, the desktop's work area, and the window over a compositor."""
import subprocess
import time
import sys
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import probe_driver as pd  # noqa: E402
from probe_driver import xdo  # noqa: E402


def pixel(x, y):
    """The colour at a screen point as (r, g, b)."""
    out = pd.run(["import", "-window", "root", "-crop", "1x1+%d+%d" % (x, y), "-depth", "8",
                  "txt:-"]).stdout
    line = [l for l in out.splitlines() if not l.startswith("#")][0]
    return tuple(int(float(v)) for v in line.split("(")[1].split(")")[0].split(",")[:3])


def start(name, *extra):
    """The probe with its "ready" line's words (left and top at 1 and 2)."""
    probe = pd.Probe(name, *extra)
    return probe, probe.wait_for("ready", 60).split()


def composited():
    """Whether a compositing manager owns the screen's _NET_WM_CM_S0 selection (asked through
    GDK, which is what the Linux build asks too)."""
    code = ("import gi; gi.require_version('Gdk', '3.0'); from gi.repository import Gdk; "
            "Gdk.init([]); print(Gdk.Screen.get_default().is_composited())")
    # Debian's interpreter: PyGObject comes from its packages.
    return pd.run(["/usr/bin/python3", "-c", code]).stdout.strip() == "True"


class WindowInput(unittest.TestCase):
    """Without a compositor (the harness's X server runs none)."""

    def setUp(self):
        self.assertFalse(composited())

    def test_pixels_mouse_keys_and_hotkey(self):
        probe, ready = start("input")
        with probe:
            left, top = int(ready[1]), int(ready[2])
            self.assertIn("hotkey=1", ready)
            # The known scene where it belongs: red left half, blue right half, green button.
            scene = {(60, 90): (255, 0, 0), (150, 60): (0, 0, 255), (30, 30): (0, 255, 0)}
            shown = lambda: {(x, y): pixel(left + x, top + y) for x, y in scene}
            pd.wait_until(lambda: shown() == scene, 10)
            self.assertEqual(shown(), scene)

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
            pd.click_at(left + 30, top + 30, "2")
            xdo("mousemove", str(left + 70), str(top + 30))
            time.sleep(0.5)
            xdo("click", "1")  # on the hidden button: the background gets it
            probe.wait_for("mouse background 1 70 30")
            mouse = [l.split()[1:] for l in probe.lines("mouse")]
            mouse = [(m[0], int(m[1]), int(m[2]), int(m[3]), m[4], m[5]) for m in mouse
                     if m[1] != "2"]
            button = [(k, c) for n, k, _, _, c, _ in mouse if n == "button"]
            self.assertEqual(button, [(1, "captured=0"), (3, "captured=1"), (4, "captured=1"),
                                      (7, "captured=0"), (8, "captured=1")], mouse)
            wheel = [(x, y, w) for n, k, x, y, _, w in mouse if k == 9]
            self.assertEqual(wheel, [(80, 50, "notches=1"), (80, 50, "notches=-1")], mouse)
            # A double click: a press, then the double click in place of the second press.
            right = [(k, x, y) for n, k, x, y, _, _ in mouse if n == "right"]
            self.assertEqual(right, [(1, 150, 90), (13, 150, 90)], mouse)
            self.assertFalse([m for m in mouse if m[0] == "hidden"], mouse)

            # Tab and Shift+Tab move the focus forwards and back.
            xdo("key", "Tab")
            xdo("key", "shift+Tab")
            probe.wait_for("focus second")
            self.assertEqual(probe.lines("focus"), ["focus first", "focus second"])

            # The hotkey arrives once: the probe removes it when it comes.
            xdo("key", "alt+Next")
            probe.wait_for("hotkey")
            xdo("key", "alt+Next")
            time.sleep(0.5)
            self.assertEqual(probe.lines("hotkey"), ["hotkey 7"])

            xdo("key", "Escape")
            probe.finish(self)

    def test_activation_is_reported_for_the_application(self):
        if pd.ARGS.platform == "win32":
            # Wine makes WM_ACTIVATEAPP itself, and does not activate its windows on a bare X focus
            # change (no window manager runs here), so focusing the probe's windows is no gesture.
            self.skipTest("WM_ACTIVATEAPP is Wine's own; the Linux host's translation is tested")
        # Focus between the program's own windows is no change; focus leaving for another client
        # is one WM_ACTIVATEAPP 0 to every window, coming back one WM_ACTIVATEAPP 1.
        probe, _ = start("activate", "activate")
        other = subprocess.Popen(["xmessage", "-geometry", "+600+300", "another client"],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            windows = {}
            for name, by in (("Probe owner", "--name"), ("Probe second", "--name"),
                             ("another client", "--class")):
                found = pd.find_windows(by, "^%s$" % (name if by == "--name" else "xmessage"))
                self.assertTrue(found, name)
                windows[name] = found[0]

            # From a known state: the other client has the focus.
            xdo("windowfocus", "--sync", windows["another client"])
            time.sleep(0.6)
            steps = (("Probe owner", "1"), ("Probe second", None), ("Probe owner", None),
                     ("another client", "0"), ("Probe second", "1"), ("another client", "0"))
            for target, expected in steps:
                before = len(probe.lines("activateapp"))
                xdo("windowfocus", "--sync", windows[target])
                time.sleep(0.6)
                news = sorted(l.split()[1:] for l in probe.lines("activateapp")[before:])
                self.assertEqual(news, [] if expected is None else [
                    ["owner", expected], ["popup", expected], ["second", expected]], target)
            xdo("windowfocus", "--sync", windows["Probe owner"])
            xdo("key", "Escape")
        finally:
            other.kill()
            other.wait()
            probe.stop()

    def test_work_area_of_the_desktop(self):
        # The desktop publishes its work area on the root window (one rectangle per desktop).
        xprop = ["xprop", "-root", "-f", "_NET_WORKAREA", "32c", "-set", "_NET_WORKAREA"]
        subprocess.run(xprop + ["10,20,900,600"], timeout=10, check=True)
        try:
            probe, _ = start("workarea")
            with probe:
                area = probe.wait_for("workarea")
                if pd.ARGS.platform == "linux":
                    self.assertEqual(area, "workarea 10 20 910 620")
                else:
                    # Wine answers SPI_GETWORKAREA from the monitor here (it does not follow the
                    # root's _NET_WORKAREA without a window manager): only its shape is checked.
                    left, top, right, bottom = map(int, area.split()[1:])
                    self.assertTrue(left < right and top < bottom, area)
        finally:
            subprocess.run(["xprop", "-root", "-remove", "_NET_WORKAREA"], timeout=10)


class Compositor(unittest.TestCase):
    """The same window under a compositor (xcompmgr): per-pixel alpha on (Linux: an RGBA visual;
    Windows: a layered popup either way), the window alpha blends with what is below; without
    per-pixel alpha SetAlpha(128) changes nothing and the frames still arrive."""

    def setUp(self):
        self.compositor = subprocess.Popen(["xcompmgr"], stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL)
        if not pd.wait_until(lambda: self.compositor.poll() is not None or composited(), 10):
            self.fail("no compositor selection owner")
        if self.compositor.poll() is not None:
            self.fail("xcompmgr did not start")

    def tearDown(self):
        self.compositor.terminate()
        self.compositor.wait(timeout=10)
        pd.wait_until(lambda: not composited(), 10)

    def probe_pixels(self, name, *extra):
        probe, ready = start(name, *extra)
        with probe:
            time.sleep(1.5)
            left, top = int(ready[1]), int(ready[2])
            red = pixel(left + 60, top + 90)
            green = pixel(left + 30, top + 30)
            xdo("mousemove", str(left + 100), str(top + 60))
            xdo("key", "Escape")
            probe.wait_for("end", 20)
            return ready, probe.lines(), red, green

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


if __name__ == "__main__":
    pd.main()

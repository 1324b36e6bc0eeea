#!/usr/bin/env python3
"""The settings window end to end: the real program (native, or the Windows build under Wine) on
the harness's X server, driven with xdotool like a user: where the window appears, what it shows
by day and by night (screenshots), the night slider dragged and released (ramps read back from
every display, the stored "Indoor"), the menu button, Escape, and Alt+End's overlay.

The location is stored so that it is solar noon (or midnight) now at latitude 10 N, as the
day/night test does, so no clock is faked. Points inside the window are those of the layout
"tintel" (res/tintel.tre and the layer rectangles of res/tintel.psd)."""

import datetime
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import startup_test  # noqa: E402  (the hosts that start the program and watch its window)
from day_night_test import Probe, night_longitude, ramps_close  # noqa: E402

ARGS = None
# Waits are upper bounds: under Wine every ramp read starts a Windows process, which takes seconds
# on a loaded machine.
WIDTH, HEIGHT = 554, 243
# Window points of the layout "tintel".
SETTINGS_BUTTON = (470, 208)
MENU_BUTTON = (484, 31)
NIGHT_THUMB = (241, 117)  # at 3400 K
NIGHT_TRACK_LEFT = 100    # beyond the track's left end
TITLE_AREA = (330, 31)    # no control there
SKY = (24, 22, 252, 164)  # left, top, width, height of the sky picture
# The sun's core colours (#ffb43f to #ffd36b); nothing else in the window is that saturated.
SUN_PIXELS = "(r>0.97&&g>0.66&&g<0.86&&b<0.30)?1:0"


def x(*args, check=True):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True, check=check,
                          timeout=startup_test.X_TIMEOUT).stdout


def window_ids(name):
    return startup_test.xdotool_search("--onlyvisible", "--name", name)


def geometry(window):
    out = x("getwindowgeometry", "--shell", window)
    values = dict(line.split("=", 1) for line in out.split() if "=" in line)
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def primary_monitor():
    """The primary monitor's rectangle (the harness runs no panel: the work area is all of it)."""
    for line in subprocess.run(["xrandr"], capture_output=True, text=True,
                               timeout=startup_test.X_TIMEOUT).stdout.splitlines():
        if " connected primary " in line:
            size = line.split(" connected primary ")[1].split()[0]
            wh, left, top = size.split("+")
            w, h = wh.split("x")
            return int(left), int(top), int(w), int(h)
    raise AssertionError("no primary monitor")


def count_pixels(path, rect, expression):
    left, top, w, h = rect
    out = subprocess.run(["convert", path, "-crop", f"{w}x{h}+{left}+{top}", "+repage", "-fx",
                          expression, "-format", "%[fx:round(mean*w*h)]", "info:"],
                         capture_output=True, text=True, check=True, timeout=60).stdout
    return int(float(out))


class PanelWindow(unittest.TestCase):
    host = None
    probe = None
    tolerance = 0

    def setUp(self):
        self.host.setup(self.id().split(".")[-1])
        self.shots = os.path.join(ARGS.work, "screenshots")
        os.makedirs(self.shots, exist_ok=True)

    def tearDown(self):
        self.host.teardown()

    def start_at(self, night):
        """Starts the program with a location where it is solar midnight or noon now."""
        longitude = night_longitude(datetime.datetime.now(datetime.timezone.utc))
        if not night:
            longitude = longitude + 18000 if longitude <= 0 else longitude - 18000
        values = {"Latitude": 1000, "Longitude": longitude, "Outdoor": 6500, "Indoor": 3400,
                  "ImplicitMode": 0, "SafeMode": 1}
        if isinstance(self.host, startup_test.LinuxHost):
            folder = os.path.join(self.host.env["XDG_CONFIG_HOME"], "Brisbel")
            os.makedirs(folder, exist_ok=True)
            with open(os.path.join(folder, "preferences.reg"), "w") as f:
                f.write("[Software\\Brisbel\\tintel\\Preferences]\n")
                for name, v in values.items():
                    f.write(f'"{name}"=dword:{v & 0xFFFFFFFF:08x}\n')
        else:
            for name, v in values.items():
                self.host.winprobe("hkcu-dword", "Software\\Brisbel\\tintel\\Preferences", name,
                                   str(v))
        self.host.env["TZ"] = "Asia/Kolkata"
        p = self.host.start([])
        self.assertTrue(startup_test.wait_until(lambda: window_ids("^Tintel$"), 30))
        self.window = window_ids("^Tintel$")[0]
        # The colour settles on the schedule (a glide of about 20 s from neutral at night).
        target = self.probe.expected(3400 if night else 6500)
        settled = startup_test.wait_until(
            lambda: all(ramps_close(r, target, self.tolerance)
                        for r in self.probe.displays().values()), 60, 0.5)
        self.assertTrue(settled, "the displays did not reach the schedule's colour")
        return p

    def at(self, point):
        left, top, _, _ = geometry(self.window)
        return str(left + point[0]), str(top + point[1])

    def picture(self):
        return subprocess.run(["import", "-window", self.window, "rgb:-"], capture_output=True,
                              timeout=60).stdout

    def screenshot(self, name):
        path = os.path.join(self.shots, f"{name}.png")
        subprocess.run(["import", "-window", "root", path], check=True, timeout=60)
        left, top, _, _ = geometry(self.window)
        return path, (left + SKY[0], top + SKY[1], SKY[2], SKY[3])

    def test_by_day_the_window_sits_in_the_corner_and_the_night_slider_drives_the_ramps(self):
        p = self.start_at(night=False)
        left, top, w, h = geometry(self.window)
        m_left, m_top, m_w, m_h = primary_monitor()
        self.assertEqual((w, h), (WIDTH, HEIGHT))
        # The window's outer corner is the work area's; under Wine the X window seen here is the
        # client area, inside the frame Wine draws around it.
        frame = 4 if isinstance(self.host, startup_test.WineHost) else 0
        for edge, corner in ((left + w, m_left + m_w), (top + h, m_top + m_h)):
            self.assertTrue(corner - frame <= edge <= corner,
                            f"the bottom-right corner of the work area: {edge} for {corner}")
        shot, sky = self.screenshot("day")
        self.assertGreater(count_pixels(shot, sky, SUN_PIXELS), 40, "the sun shows by day")

        # The settings page; the night slider dragged to its left end and held there.
        before = self.picture()
        x("mousemove", *self.at(SETTINGS_BUTTON), "click", "1")
        self.assertTrue(startup_test.wait_until(lambda: self.picture() != before, 15),
                        "the settings page did not show")
        time.sleep(0.3)
        x("mousemove", *self.at(NIGHT_THUMB), "mousedown", "1")
        x("mousemove", *self.at((NIGHT_THUMB[0] - 40, NIGHT_THUMB[1])))
        x("mousemove", *self.at((NIGHT_TRACK_LEFT, NIGHT_THUMB[1])))
        warm = self.probe.expected(2700)
        dragged = startup_test.wait_until(
            lambda: all(ramps_close(r, warm, self.tolerance)
                        for r in self.probe.displays().values()), 15, 0.1)
        self.assertTrue(dragged, "the dragged temperature shows at once")
        self.assertEqual(self.host.preferences().get("Indoor"), 2700)
        self.screenshot("settings-dragged")

        # Released: the schedule (day, 6500 K) comes back with a fast glide.
        x("mouseup", "1")
        neutral = self.probe.expected(6500)
        back = startup_test.wait_until(
            lambda: all(ramps_close(r, neutral, self.tolerance)
                        for r in self.probe.displays().values()), 20, 0.2)
        self.assertTrue(back, "the release glides back to the schedule")
        self.assertEqual(self.host.preferences().get("Indoor"), 2700)

        # The menu button opens the tray menu at the button: a new popup window shows.
        before = set(startup_test.xdotool_search("--onlyvisible", "--name", ""))
        x("mousemove", *self.at(MENU_BUTTON), "click", "1")
        opened = startup_test.wait_until(
            lambda: set(startup_test.xdotool_search("--onlyvisible", "--name", "")) - before, 15)
        self.assertTrue(opened, "no menu appeared")
        self.screenshot("menu")
        x("key", "Escape")
        time.sleep(1)

        # Escape hides the window (safe mode: at once).
        x("mousemove", *self.at(TITLE_AREA), "click", "1")
        x("key", "Escape")
        self.assertTrue(startup_test.wait_until(lambda: not window_ids("^Tintel$"), 15),
                        "Escape did not hide the window")
        self.assertEqual(self.host.close(p), 0)

    def test_by_night_the_moon_shows_and_alt_end_says_off(self):
        p = self.start_at(night=True)
        shot, sky = self.screenshot("night")
        self.assertEqual(count_pixels(shot, sky, SUN_PIXELS), 0, "no sun at night")

        # (Wine delivers its hotkeys while one of its windows has the keyboard.)
        x("mousemove", *self.at(TITLE_AREA), "click", "1")
        x("key", "alt+End")
        self.assertTrue(startup_test.wait_until(lambda: window_ids("^Tintelnote$"), 15),
                        "the overlay did not show")
        time.sleep(0.5)
        self.screenshot("overlay")
        # Off for an hour: the displays fade to neutral; the overlay goes after a few seconds.
        neutral = self.probe.expected(6500)
        self.assertTrue(startup_test.wait_until(
            lambda: all(ramps_close(r, neutral, self.tolerance)
                        for r in self.probe.displays().values()), 30, 0.3))
        self.assertTrue(startup_test.wait_until(lambda: not window_ids("^Tintelnote$"), 20),
                        "the overlay stayed")
        self.assertEqual(self.host.close(p), 0)


def main():
    global ARGS
    ARGS, PanelWindow.host = startup_test.parse_host_arguments("--ramp-probe")
    wine = ARGS.platform == "win32"
    PanelWindow.probe = Probe(ARGS.ramp_probe, wine)
    # Wine reads ramps back within about half a percent; XRandR resamples other gamma sizes.
    PanelWindow.tolerance = 400 if wine else 2
    suite = unittest.TestLoader().loadTestsFromTestCase(PanelWindow)
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()

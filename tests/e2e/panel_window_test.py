#!/usr/bin/env python3
"""The settings window end to end: the real program (native, or the Windows build under Wine) on
the harness's X server, driven with xdotool like a user: where the window appears, what it shows
by day and by night (screenshots), the night slider dragged and released (ramps read back from
every display, the stored "Indoor"), the menu button, Safe Mode switched off from it, Escape, and Alt+End's overlay.

The location is stored so that it is solar noon (or midnight) now at latitude 10 N, as the
day/night test does, so no clock is faked. Points inside the window are those of the layout
"tintel" (res/tintel.tre and the layer rectangles of res/tintel.psd)."""

import os
import subprocess
import time

from day_night_test import Probe, store_solar_time
from startup_test import (CLASS, TITLE, HostCase, WineHost, X_TIMEOUT, parse_host_arguments,
                          run_cases, screenshot, wait_until, xdotool_search)

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


def x(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True, check=True,
                          timeout=X_TIMEOUT).stdout


def window_ids(name):
    return xdotool_search("--onlyvisible", "--name", name)


def geometry(window):
    values = dict(line.split("=", 1) for line in x("getwindowgeometry", "--shell", window).split()
                  if "=" in line)
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def primary_monitor():
    """The primary monitor's rectangle (the harness runs no panel: the work area is all of it)."""
    for line in subprocess.run(["xrandr"], capture_output=True, text=True,
                               timeout=X_TIMEOUT).stdout.splitlines():
        if " connected primary " in line:
            wh, left, top = line.split(" connected primary ")[1].split()[0].split("+")
            return (int(left), int(top), *map(int, wh.split("x")))
    raise AssertionError("no primary monitor")


def count_pixels(path, rect, expression):
    left, top, w, h = rect
    out = subprocess.run(["convert", path, "-crop", f"{w}x{h}+{left}+{top}", "+repage", "-fx",
                          expression, "-format", "%[fx:round(mean*w*h)]", "info:"],
                         capture_output=True, text=True, check=True, timeout=60).stdout
    return int(float(out))


class PanelWindow(HostCase):
    probe = None

    def start_at(self, night):
        """Starts the program where it is solar midnight or noon now; waits for the colour to
        settle on the schedule (a glide of about 20 s from neutral at night)."""
        store_solar_time(self.host, night, SafeMode=1)
        p = self.host.start([])
        shown = wait_until(lambda: window_ids("^Tintel$"), 30)
        self.assertTrue(shown, "the window did not show")
        self.window = shown[0]
        self.assertTrue(self.probe.shows(3400 if night else 6500, 60),
                        "the displays did not reach the schedule's colour")
        return p

    def at(self, point):
        left, top, _, _ = geometry(self.window)
        return str(left + point[0]), str(top + point[1])

    def picture(self):
        return subprocess.run(["import", "-window", self.window, "rgb:-"], capture_output=True,
                              timeout=60).stdout

    def lightness(self):
        """The mean lightness (0 to 1) of what the window shows."""
        shown = subprocess.run(["import", "-window", self.window, "miff:-"], capture_output=True,
                               timeout=60).stdout
        out = subprocess.run(["convert", "miff:-", "-format", "%[fx:mean]", "info:"],
                             input=shown, capture_output=True, timeout=60).stdout
        return float(out or 0)

    def sun_pixels(self, name):
        """Screenshots the screen (kept in the work folder); counts the sun's pixels in the sky."""
        path = os.path.join(self.host.work, "screenshots", f"{name}.png")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        screenshot(path)
        left, top, _, _ = geometry(self.window)
        return count_pixels(path, (left + SKY[0], top + SKY[1], SKY[2], SKY[3]), SUN_PIXELS)

    def test_by_day_the_window_sits_in_the_corner_and_the_night_slider_drives_the_ramps(self):
        p = self.start_at(night=False)
        left, top, w, h = geometry(self.window)
        m_left, m_top, m_w, m_h = primary_monitor()
        self.assertEqual((w, h), (WIDTH, HEIGHT))
        # The window's outer corner is the work area's; under Wine the X window seen here is the
        # client area, inside the frame Wine draws around it.
        frame = 4 if isinstance(self.host, WineHost) else 0
        for edge, corner in ((left + w, m_left + m_w), (top + h, m_top + m_h)):
            self.assertTrue(corner - frame <= edge <= corner,
                            f"the bottom-right corner of the work area: {edge} for {corner}")
        self.assertGreater(self.sun_pixels("day"), 40, "the sun shows by day")

        # The settings page; the night slider dragged to its left end and held there: the
        # dragged temperature shows at once and is stored.
        before = self.picture()
        x("mousemove", *self.at(SETTINGS_BUTTON), "click", "1")
        self.assertTrue(wait_until(lambda: self.picture() != before, 15),
                        "the settings page did not show")
        time.sleep(0.3)
        x("mousemove", *self.at(NIGHT_THUMB), "mousedown", "1")
        x("mousemove", *self.at((NIGHT_THUMB[0] - 40, NIGHT_THUMB[1])))
        x("mousemove", *self.at((NIGHT_TRACK_LEFT, NIGHT_THUMB[1])))
        self.assertTrue(self.probe.shows(2700, 15), "the dragged temperature")
        self.assertEqual(self.host.preferences().get("Indoor"), 2700)
        self.sun_pixels("settings-dragged")
        # Released: the schedule (day, 6500 K) comes back with a fast glide.
        x("mouseup", "1")
        self.assertTrue(self.probe.shows(6500, 20), "the release glides back to the schedule")
        self.assertEqual(self.host.preferences().get("Indoor"), 2700)

        # The menu button opens the tray menu at the button: a new popup window shows.
        before = set(xdotool_search("--onlyvisible", "--name", ""))
        x("mousemove", *self.at(MENU_BUTTON), "click", "1")
        self.assertTrue(wait_until(
            lambda: set(xdotool_search("--onlyvisible", "--name", "")) - before, 15),
            "no menu appeared")
        self.sun_pixels("menu")
        x("key", "Escape")
        self.assertTrue(wait_until(
            lambda: not set(xdotool_search("--onlyvisible", "--name", "")) - before, 15))

        # Safe Mode (the menu's second item here) switched off: stored, and the window is drawn
        # with per-pixel alpha at once (a layered window under Wine; the harness's X server has
        # no compositor, so Linux stays opaque), showing its whole picture.
        x("mousemove", *self.at(MENU_BUTTON), "click", "1")
        self.assertTrue(wait_until(
            lambda: set(xdotool_search("--onlyvisible", "--name", "")) - before, 15))
        x("key", "Down", "Down", "Return")
        self.assertTrue(wait_until(lambda: self.host.preferences().get("SafeMode") == 0, 15),
                        "Safe Mode was not switched off")
        if isinstance(self.host, WineHost):
            self.assertTrue(wait_until(lambda: self.host.winprobe(
                "layered", CLASS, TITLE)[1] == "layered", 10), "the window is not layered")
        # (Wine may give the window another X window as its style changes.)
        shown = wait_until(lambda: window_ids("^Tintel$"), 10)
        self.assertTrue(shown, "the window went")
        self.window = shown[0]
        # The settings page is light grey: an unpainted window would show the black root.
        self.sun_pixels("safe-mode-off")
        self.assertGreater(self.lightness(), 0.6, "the window lost its picture")

        # Escape hides the window (after a half-second fade now).
        x("mousemove", *self.at(TITLE_AREA), "click", "1")
        x("key", "Escape")
        self.assertTrue(wait_until(lambda: not window_ids("^Tintel$"), 15),
                        "Escape did not hide the window")
        self.assertEqual(self.host.close(p), 0)

    def test_by_night_the_moon_shows_and_alt_end_says_off(self):
        p = self.start_at(night=True)
        self.assertEqual(self.sun_pixels("night"), 0, "no sun at night")
        # (Wine delivers its hotkeys while one of its windows has the keyboard.)
        x("mousemove", *self.at(TITLE_AREA), "click", "1")
        x("key", "alt+End")
        self.assertTrue(wait_until(lambda: window_ids("^Tintelnote$"), 15),
                        "the overlay did not show")
        time.sleep(0.5)
        self.sun_pixels("overlay")
        # Off for an hour: the displays fade to neutral; the overlay goes after a few seconds.
        self.assertTrue(self.probe.shows(6500, 30))
        self.assertTrue(wait_until(lambda: not window_ids("^Tintelnote$"), 20),
                        "the overlay stayed")
        self.assertEqual(self.host.close(p), 0)


if __name__ == "__main__":
    ARGS, HOST = parse_host_arguments("--ramp-probe")
    PanelWindow.probe = Probe(ARGS.ramp_probe, ARGS.platform == "win32")
    run_cases(HOST, PanelWindow)

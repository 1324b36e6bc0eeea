#!/usr/bin/env python3
"""The displays follow the sun and the settings window shows it: the real program (native, or the
Windows build under Wine) on the harness's X server, driven with xdotool; ramps read back from
every display; screenshots kept in the work folder.

No clock is faked: the location stored is where it is solar midnight (or noon) now, longitude
-(UTC minutes) / 4 degrees at latitude 10 N, where sunrise and sunset are about six hours away all
year. The zone (TZ; Wine maps it to its Windows zone) is Asia/Kolkata, which disagrees with the
longitude on purpose: only the program's sum of table time, longitude shift and zone offset puts
it at night. Points inside the window are those of the layout "tintel" (res/tintel.tre and the
layer rectangles of res/tintel.psd)."""

import datetime
import os
import re
import subprocess
import time

from quiet_run import run_quiet
from startup_test import (CLASS, TITLE, HostCase, LinuxHost, WineHost, X_TIMEOUT,
                          parse_host_arguments, run_cases, screenshot, wait_until, x_out,
                          xdotool_search)

NIGHT, DAY = 3400, 6500
# The variation the colour setter adds to one red entry (128 .. 191) of every other ramp.
VARIATION = 256


def store_solar_time(host, night, **more):
    """Stores a place where it is solar midnight (or noon) now, and the zone that disagrees."""
    now = datetime.datetime.now(datetime.timezone.utc)
    degrees = (180 - (now.hour * 60 + now.minute + now.second / 60) / 4 + (0 if night else 180)) \
        % 360 - 180
    values = {"Latitude": 1000, "Longitude": round(degrees * 100) or 1,  # 0: no place chosen
              "Outdoor": DAY, "Indoor": NIGHT, "ImplicitMode": 0, **more}
    host.store_preferences(values)
    host.env["TZ"] = "Asia/Kolkata"
    return values


class Probe:
    """The ramps of every display as the platform reads them back (tests/tools/ramp_probe)."""

    def __init__(self, program, wine):
        self.command = (["wine"] if wine else []) + [program]
        # Wine reads ramps back through the X server within about half a percent; XRandR
        # resamples CRTC gamma of another size than 256 on the way in and out.
        self.tolerance = 400 if wine else 2

    def run(self, *args):
        code, out, err = run_quiet(self.command + list(args))
        if code != 0:
            raise RuntimeError(f"ramp_probe {' '.join(args)} failed: {err}")
        return out

    def displays(self):
        """{display name: 768 entries}."""
        return {name: [int(v) for v in values.split()]
                for name, values in (line.split("\t") for line in self.run("get").splitlines())}

    def expected(self, kelvin):
        return [int(v) for v in self.run("expect", str(kelvin)).split()]

    def close(self, got, want):
        """Every entry within the tolerance; the varied red entries within the variation too."""
        return len(got) == len(want) == 768 and all(
            abs(g - w) <= self.tolerance + (VARIATION if 128 <= i < 192 else 0)
            for i, (g, w) in enumerate(zip(got, want)))

    def shows(self, kelvin, within=0):
        """Whether every display shows the ramp of kelvin, waiting up to `within` seconds."""
        want = self.expected(kelvin)

        def now():
            ramps = self.displays()
            return bool(ramps) and all(self.close(r, want) for r in ramps.values())
        return wait_until(now, within, 0.2)


WIDTH, HEIGHT = 554, 243
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
    shell = x("getwindowgeometry", "--shell", window)
    return [int(re.search(rf"^{k}=(-?\d+)$", shell, re.M)[1])
            for k in ("X", "Y", "WIDTH", "HEIGHT")]


class DayAndNight(HostCase):
    probe = None

    def start_at(self, night):
        store_solar_time(self.host, night, SafeMode=1)
        p = self.host.start([])
        shown = wait_until(lambda: window_ids("^Tintel$"), 30)
        self.assertTrue(shown, "the window did not show")
        self.window = shown[0]
        return p

    def at(self, point):
        left, top, _, _ = geometry(self.window)
        return str(left + point[0]), str(top + point[1])

    def picture(self, form="rgb"):
        return subprocess.run(["import", "-window", self.window, f"{form}:-"],
                              capture_output=True, timeout=60).stdout

    def sun_pixels(self, name):
        """Screenshots the screen (kept in the work folder); counts the sun's pixels in the sky."""
        path = os.path.join(self.host.work, "screenshots", f"{name}.png")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        screenshot(path)
        left, top, _, _ = geometry(self.window)
        out = subprocess.run(["convert", path, "-crop",
                              f"{SKY[2]}x{SKY[3]}+{left + SKY[0]}+{top + SKY[1]}", "+repage",
                              "-fx", SUN_PIXELS, "-format", "%[fx:round(mean*w*h)]", "info:"],
                             capture_output=True, text=True, check=True, timeout=60).stdout
        return int(float(out))

    def test_by_night_the_colour_glides_to_the_night_ramp_and_the_hotkeys_act(self):
        night, identity = self.probe.expected(NIGHT), self.probe.expected(DAY)
        self.assertEqual(identity, [(i % 256) * 257 for i in range(768)])
        # The comparison tells 3400 K from its neighbours even at Wine's tolerance.
        for other in (NIGHT - 100, NIGHT + 100):
            self.assertFalse(self.probe.close(self.probe.expected(other), night), other)
        p = self.start_at(night=True)

        # Every display reaches the night ramp; the readings on the way include ones between
        # neutral and night (a glide, not a jump).
        seen = []

        def at_night():
            seen.append(self.probe.displays())
            return seen[-1] and all(self.probe.close(r, night) for r in seen[-1].values())
        self.assertTrue(wait_until(at_night, 60, 0.5), "no night ramp after 60 s; last: %s" %
                        {n: (r[255], r[511], r[767]) for n, r in seen[-1].items()})
        if os.environ.get("TINTEL_X_SERVER") == "xorg" and isinstance(self.host, LinuxHost):
            self.assertGreaterEqual(len(seen[-1]), 2, "the harness runs two monitors")
        self.assertGreaterEqual(sum(any(not self.probe.close(r, night) and not self.probe.close(
            r, identity) for r in ramps.values()) for ramps in seen), 3, "no glide")
        self.assertEqual(self.sun_pixels("night"), 0, "no sun at night")
        self.assertTrue(self.probe.shows(NIGHT), "the night did not last")

        # (Wine delivers its hotkeys while one of its windows has the keyboard.) Alt+Page Down:
        # a third of a stop darker.
        x("mousemove", *self.at(TITLE_AREA), "click", "1")
        x("key", "alt+Next")

        def dimmed():
            return all(abs(r[255] / 65535 - 2 ** (-1 / 3)) < 0.02
                       for r in self.probe.displays().values())
        self.assertTrue(wait_until(dimmed, 30), "Alt+Page Down did not dim")
        # Alt+End: off for an hour, the overlay says so; the displays fade to neutral at full
        # brightness and the overlay goes after a few seconds.
        x("key", "alt+End")
        self.assertTrue(wait_until(lambda: window_ids("^Tintelnote$"), 15),
                        "the overlay did not show")
        time.sleep(0.5)
        self.sun_pixels("overlay")
        self.assertTrue(self.probe.shows(DAY, 30))
        self.assertTrue(wait_until(lambda: not window_ids("^Tintelnote$"), 20),
                        "the overlay stayed")
        self.assertEqual(self.host.close(p), 0)

    def test_by_day_the_window_sits_in_the_corner_and_the_night_slider_drives_the_ramps(self):
        p = self.start_at(night=False)
        self.assertTrue(self.probe.shows(DAY, 60), "not neutral by day")
        left, top, w, h = geometry(self.window)
        self.assertEqual((w, h), (WIDTH, HEIGHT))
        # The window's outer corner is the work area's, all of the primary monitor here (no
        # panel runs); under Wine the X window seen is the client area, inside Wine's frame.
        m = [int(v) for v in re.search(r" connected primary (\d+)x(\d+)\+(\d+)\+(\d+)",
                                       x_out("xrandr")).groups()]
        frame = 4 if isinstance(self.host, WineHost) else 0
        for edge, corner in ((left + w, m[2] + m[0]), (top + h, m[3] + m[1])):
            self.assertTrue(corner - frame <= edge <= corner,
                            f"the bottom-right corner of the work area: {edge} for {corner}")
        self.assertTrue(wait_until(lambda: self.sun_pixels("day") > 40, 15), "no sun by day")

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
        self.wait_stored({"Indoor": 2700})
        self.sun_pixels("settings-dragged")
        # Released: the schedule (day, 6500 K) comes back with a fast glide.
        x("mouseup", "1")
        self.assertTrue(self.probe.shows(DAY, 20), "the release glides back to the schedule")
        self.wait_stored({"Indoor": 2700})

        # The menu button opens the tray menu at the button; Safe Mode (its second item here)
        # switched off is stored, and the window is drawn with per-pixel alpha at once (a
        # layered window under Wine; the harness's X server has no compositor, so Linux stays
        # opaque), showing its whole picture.
        before = set(window_ids(""))
        x("mousemove", *self.at(MENU_BUTTON), "click", "1")
        self.assertTrue(wait_until(lambda: set(window_ids("")) - before, 15), "no menu appeared")
        self.sun_pixels("menu")
        x("key", "Down", "Down", "Return")
        self.wait_stored({"SafeMode": 0}, 15)
        if isinstance(self.host, WineHost):
            self.assertTrue(wait_until(lambda: self.host.winprobe(
                "layered", CLASS, TITLE)[1] == "layered", 10), "the window is not layered")
        # (Wine may give the window another X window as its style changes.)
        shown = wait_until(lambda: window_ids("^Tintel$"), 10)
        self.assertTrue(shown, "the window went")
        self.window = shown[0]
        self.sun_pixels("safe-mode-off")
        # The settings page is light grey: an unpainted window would show the black root.
        out = subprocess.run(["convert", "miff:-", "-format", "%[fx:mean]", "info:"],
                             input=self.picture("miff"), capture_output=True, timeout=60).stdout
        self.assertGreater(float(out or 0), 0.6, "the window lost its picture")

        # Escape hides the window (after a half-second fade now).
        x("mousemove", *self.at(TITLE_AREA), "click", "1")
        x("key", "Escape")
        self.assertTrue(wait_until(lambda: not window_ids("^Tintel$"), 15),
                        "Escape did not hide the window")
        self.assertEqual(self.host.close(p), 0)


if __name__ == "__main__":
    ARGS, HOST = parse_host_arguments("--ramp-probe")
    DayAndNight.probe = Probe(ARGS.ramp_probe, ARGS.platform == "win32")
    run_cases(HOST, DayAndNight)

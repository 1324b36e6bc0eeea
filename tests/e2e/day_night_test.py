#!/usr/bin/env python3
"""The displays follow the sun, end to end: the real program (native, or the Windows build under
Wine) started hidden on the harness's X server with a stored location where it is deep night right
now, so no clock is faked. The test reads the ramps back from every display while the colour
glides from neutral to the night temperature, then stops the program and reads the neutral ramp.

Where it is night: the longitude whose local solar time is midnight now, -(UTC minutes) / 4
degrees, at latitude 10 N, where sunrise and sunset are each about six hours away at solar
midnight on every day of the year. The program's zone is set through TZ (Wine maps TZ to its
Windows zone); Asia/Kolkata makes the zone offset and the longitude disagree on purpose, so the
program's sum of table time, longitude shift and zone offset is what puts it at night."""

import datetime
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import startup_test  # noqa: E402  (the hosts that start the program and watch its window)
from quiet_run import run_quiet  # noqa: E402

ARGS = None
NIGHT, DAY = 3400, 6500
ZONE = "Asia/Kolkata"
LATITUDE = 1000  # hundredths of a degree
# The variation the colour setter adds to one red entry (128 .. 191) of every other ramp.
VARIATION = 256


def night_longitude(now_utc):
    """Hundredths of a degree east where local solar time is midnight at now_utc."""
    minutes = now_utc.hour * 60 + now_utc.minute + now_utc.second / 60
    degrees = -minutes / 4
    if degrees <= -180:
        degrees += 360
    hundredths = round(degrees * 100)
    return hundredths or 1  # 0 would mean "no location chosen"


def ramps_close(got, want, tolerance):
    """Every entry within tolerance; the varied red entry within the variation too."""
    for i, (g, w) in enumerate(zip(got, want)):
        allowed = tolerance + (VARIATION if 128 <= i < 192 else 0)
        if abs(g - w) > allowed:
            return False
    return len(got) == len(want) == 768


class Probe:
    def __init__(self, program, wine):
        self.command = (["wine"] if wine else []) + [program]

    def run(self, *args):
        code, out, err = run_quiet(self.command + list(args))
        if code != 0:
            raise RuntimeError(f"ramp_probe {' '.join(args)} failed: {err}")
        return out

    def displays(self):
        """{display name: 768 entries} as the platform reads them back."""
        ramps = {}
        for line in self.run("get").splitlines():
            name, values = line.split("\t")
            ramps[name] = [int(v) for v in values.split()]
        return ramps

    def expected(self, kelvin):
        return [int(v) for v in self.run("expect", str(kelvin)).split()]


class FollowsTheSun(unittest.TestCase):
    host = None
    probe = None
    tolerance = 0

    def setUp(self):
        self.host.setup(self.id().split(".")[-1])

    def tearDown(self):
        self.host.teardown()

    def store_location(self, longitude):
        values = {"Latitude": LATITUDE, "Longitude": longitude, "Outdoor": DAY, "Indoor": NIGHT,
                  "ImplicitMode": 0}
        if isinstance(self.host, startup_test.LinuxHost):
            folder = os.path.join(self.host.env["XDG_CONFIG_HOME"], "Brisbel")
            os.makedirs(folder, exist_ok=True)
            with open(os.path.join(folder, "preferences.reg"), "w") as f:
                f.write("[Software\\Brisbel\\tintel\\Preferences]\n")
                for name, v in values.items():
                    f.write(f'"{name}"=dword:{v & 0xFFFFFFFF:08x}\n')
        else:
            for name, v in values.items():
                code, _ = self.host.winprobe("hkcu-dword", "Software\\Brisbel\\tintel\\Preferences",
                                             name, str(v))
                self.assertEqual(code, 0, name)
        self.assertEqual({k: self.host.preferences().get(k) for k in values}, values)

    def test_hidden_start_glides_every_display_to_the_night_ramp_and_stop_resets(self):
        night, identity = self.probe.expected(NIGHT), self.probe.expected(DAY)
        self.assertEqual(identity, [(i % 256) * 257 for i in range(768)])
        # The comparison tells 3400 K from its neighbours even at Wine's tolerance.
        for other in (NIGHT - 100, NIGHT + 100):
            self.assertFalse(ramps_close(self.probe.expected(other), night, self.tolerance), other)

        self.store_location(night_longitude(datetime.datetime.now(datetime.timezone.utc)))
        self.host.env["TZ"] = ZONE
        p = self.host.start(["noshow"])
        self.assertTrue(startup_test.wait_until(lambda: self.host.window() == "hidden", 30))

        # Poll until every display shows the night ramp; the readings on the way must include
        # ones between neutral and night (a glide, not a jump).
        between, reached, readings = 0, None, []
        end = time.monotonic() + 60
        while time.monotonic() < end:
            ramps = self.probe.displays()
            readings.append(ramps)
            if ramps and all(ramps_close(r, night, self.tolerance) for r in ramps.values()):
                reached = ramps
                break
            if any(not ramps_close(r, night, self.tolerance) and
                   not ramps_close(r, identity, self.tolerance) for r in ramps.values()):
                between += 1
            time.sleep(0.5)
        self.assertIsNotNone(reached, f"no night ramp after 60 s; last: "
                             f"{ {n: (r[255], r[511], r[767]) for n, r in readings[-1].items()} }")
        if os.environ.get("TINTEL_X_SERVER") == "xorg" and isinstance(self.host,
                                                                       startup_test.LinuxHost):
            self.assertGreaterEqual(len(reached), 2, "the harness runs two monitors")
        self.assertGreaterEqual(between, 3, "the colour should glide for about 20 seconds")
        print(f"night ramp on {sorted(reached)} after {len(readings)} readings, "
              f"{between} between neutral and night")

        # It stays there: a second later the schedule still says night.
        time.sleep(1.5)
        self.assertTrue(all(ramps_close(r, night, self.tolerance)
                            for r in self.probe.displays().values()))

        self.assertEqual(self.host.close(p), 0)
        after = self.probe.displays()
        for name, ramp in after.items():
            self.assertTrue(ramps_close(ramp, identity, self.tolerance), name)


def main():
    global ARGS
    ARGS, FollowsTheSun.host = startup_test.parse_host_arguments("--ramp-probe")
    wine = ARGS.platform == "win32"
    if wine:
        # Wine reads ramps back through the X server's gamma ramp: within about half a percent.
        FollowsTheSun.tolerance = 400
    else:
        # CRTC gamma of another size than 256 is resampled on the way in and out.
        FollowsTheSun.tolerance = 2
    FollowsTheSun.probe = Probe(ARGS.ramp_probe, wine)
    suite = unittest.TestLoader().loadTestsFromTestCase(FollowsTheSun)
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()

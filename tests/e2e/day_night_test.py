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
import time

from quiet_run import run_quiet
from startup_test import HostCase, LinuxHost, parse_host_arguments, run_cases, wait_until

NIGHT, DAY = 3400, 6500
# The variation the colour setter adds to one red entry (128 .. 191) of every other ramp.
VARIATION = 256


def night_longitude(now_utc):
    """Hundredths of a degree east where local solar time is midnight at now_utc."""
    minutes = now_utc.hour * 60 + now_utc.minute + now_utc.second / 60
    degrees = -minutes / 4
    if degrees <= -180:
        degrees += 360
    return round(degrees * 100) or 1  # 0 would mean "no location chosen"


def store_solar_time(host, night, **more):
    """Stores a location at latitude 10 N where it is solar midnight (or noon) now, and the zone
    that disagrees with it."""
    longitude = night_longitude(datetime.datetime.now(datetime.timezone.utc))
    if not night:
        longitude = longitude + 18000 if longitude <= 0 else longitude - 18000
    values = {"Latitude": 1000, "Longitude": longitude, "Outdoor": DAY, "Indoor": NIGHT,
              "ImplicitMode": 0, **more}
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


class FollowsTheSun(HostCase):
    probe = None

    def test_hidden_start_glides_every_display_to_the_night_ramp_and_stop_resets(self):
        night, identity = self.probe.expected(NIGHT), self.probe.expected(DAY)
        self.assertEqual(identity, [(i % 256) * 257 for i in range(768)])
        # The comparison tells 3400 K from its neighbours even at Wine's tolerance.
        for other in (NIGHT - 100, NIGHT + 100):
            self.assertFalse(self.probe.close(self.probe.expected(other), night), other)

        stored = store_solar_time(self.host, night=True)
        self.assertEqual({k: self.host.preferences().get(k) for k in stored}, stored)
        p = self.host.start(["noshow"])
        self.wait_window("hidden")

        # Poll until every display shows the night ramp; the readings on the way must include
        # ones between neutral and night (a glide, not a jump).
        between, reached, ramps = 0, None, {}
        end = time.monotonic() + 60
        while time.monotonic() < end and not reached:
            ramps = self.probe.displays()
            if ramps and all(self.probe.close(r, night) for r in ramps.values()):
                reached = ramps
                continue
            between += any(not self.probe.close(r, night) and not self.probe.close(r, identity)
                           for r in ramps.values())
            time.sleep(0.5)
        self.assertIsNotNone(reached, "no night ramp after 60 s; last: %s" %
                             {n: (r[255], r[511], r[767]) for n, r in ramps.items()})
        if os.environ.get("TINTEL_X_SERVER") == "xorg" and isinstance(self.host, LinuxHost):
            self.assertGreaterEqual(len(reached), 2, "the harness runs two monitors")
        self.assertGreaterEqual(between, 3, "the colour should glide for about 20 seconds")

        # It stays there: a second later the schedule still says night.
        time.sleep(1.5)
        self.assertTrue(self.probe.shows(NIGHT))
        self.assertEqual(self.host.close(p), 0)
        self.assertTrue(self.probe.shows(DAY))


if __name__ == "__main__":
    ARGS, HOST = parse_host_arguments("--ramp-probe")
    FollowsTheSun.probe = Probe(ARGS.ramp_probe, ARGS.platform == "win32")
    run_cases(HOST, FollowsTheSun)

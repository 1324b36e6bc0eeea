#!/usr/bin/env python3
"""The light bridge end to end: the real program (native, or the Windows build under Wine) with
"Hue" switched on and the vendor discovery service pointed at the bridge simulator on 127.0.0.1.
At solar midnight (the location trick of tests/e2e/day_night_test.py) the simulator's lights are
driven to the night colour, and back to neutral when the program exits."""

import datetime
import os
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
sys.path.insert(0, HERE)
import bridge_sim  # noqa: E402
import day_night_test  # noqa: E402
import startup_test  # noqa: E402
from quiet_run import run_quiet  # noqa: E402

NIGHT, DAY = 3400, 6500
# The night colour at the deepest night: level 0.15 and 3400 K; neutral: 6500 K at full level.
NIGHT_BODY = '{"bri": 38,"ct":447}\\0'
NEUTRAL_BODY = '{"bri": 255,"ct":213}\\0'
KEY = "Software\\Brisbel\\tintel\\Preferences"


class HueEndToEnd(unittest.TestCase):
    host = None

    def setUp(self):
        self.host.setup(self.id().split(".")[-1])
        self.sim = bridge_sim.Simulator()
        self.sim.bridge.reset(0)  # the link button is pressed before the first attempt

    def tearDown(self):
        self.host.teardown()
        self.sim.stop()

    def store_preferences(self):
        now = datetime.datetime.now(datetime.timezone.utc)
        dwords = {"Latitude": day_night_test.LATITUDE, "Outdoor": DAY, "Indoor": NIGHT,
                  "Longitude": day_night_test.night_longitude(now), "ImplicitMode": 0, "Hue": 1,
                  "huepoll": 0}
        discovery = f"http://127.0.0.1:{self.sim.port}/vendor/self"
        if isinstance(self.host, startup_test.LinuxHost):
            folder = os.path.join(self.host.env["XDG_CONFIG_HOME"], "Brisbel")
            os.makedirs(folder, exist_ok=True)
            with open(os.path.join(folder, "preferences.reg"), "w") as f:
                f.write(f"[{KEY}]\n")
                for name, v in dwords.items():
                    f.write(f'"{name}"=dword:{v & 0xFFFFFFFF:08x}\n')
                f.write(f'"HueDiscovery"="{discovery}"\n')
        else:
            for name, v in dwords.items():
                self.assertEqual(self.host.winprobe("hkcu-dword", KEY, name, str(v))[0], 0, name)
            code, _, err = run_quiet(["wine", "reg", "add", "HKCU\\" + KEY, "/v", "HueDiscovery",
                                      "/t", "REG_SZ", "/d", discovery, "/f"])
            self.assertEqual(code, 0, err)
        self.assertEqual({k: self.host.preferences().get(k) for k in dwords}, dwords)

    def last_bodies(self):
        """The last body each light was sent, by light number."""
        with self.sim.bridge.lock:
            log = list(self.sim.bridge.log)
        last = {}
        for path, body in log:
            last[path.split("/")[4]] = body
        return last

    def test_lights_follow_the_night_and_return_to_neutral_at_exit(self):
        self.store_preferences()
        self.host.env["TZ"] = day_night_test.ZONE
        p = self.host.start(["noshow"])
        self.assertTrue(startup_test.wait_until(lambda: self.host.window() == "hidden", 30))
        night = {n: NIGHT_BODY for n in ("1", "2", "3")}
        self.assertTrue(startup_test.wait_until(lambda: self.last_bodies() == night, 60),
                        f"lights: {self.last_bodies()}")
        with self.sim.bridge.lock:
            self.assertEqual(self.sim.bridge.lights["1"]["ct"], 447)
            self.assertEqual(self.sim.bridge.lights["1"]["bri"], 38)
            sent = len(self.sim.bridge.log)
        # Nothing changes at night, so nothing more is sent.
        time.sleep(2)
        with self.sim.bridge.lock:
            self.assertEqual(len(self.sim.bridge.log), sent)

        self.assertEqual(self.host.close(p), 0)
        self.assertEqual(self.last_bodies(), {n: NEUTRAL_BODY for n in ("1", "2", "3")})
        with self.sim.bridge.lock:
            self.assertEqual(self.sim.bridge.lights["2"]["ct"], 213)


def main():
    _, HueEndToEnd.host = startup_test.parse_host_arguments()
    suite = unittest.TestLoader().loadTestsFromTestCase(HueEndToEnd)
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()

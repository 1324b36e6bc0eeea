#!/usr/bin/env python3
"""The light bridge end to end: the real program (native, or the Windows build under Wine) with
"Hue" switched on and the vendor discovery service pointed at the bridge simulator on 127.0.0.1.
At solar midnight (the location trick of tests/e2e/day_night_test.py) the simulator's lights are
driven to the night colour, and back to neutral when the program exits."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import bridge_sim  # noqa: E402
from day_night_test import store_solar_time  # noqa: E402
from startup_test import HostCase, parse_host_arguments, run_cases, wait_until  # noqa: E402

# The night colour at the deepest night (level 0.15, 3400 K) and neutral (6500 K, full level).
NIGHT, NEUTRAL = {"bri": 38, "ct": 447}, {"bri": 255, "ct": 213}


def body(state):
    return '{"bri": %d,"ct":%d}\\0' % (state["bri"], state["ct"])


class HueEndToEnd(HostCase):
    def setUp(self):
        super().setUp()
        self.sim = bridge_sim.Simulator()
        self.addCleanup(self.sim.stop)
        self.sim.bridge.reset(0)  # the link button is pressed before the first attempt

    def bridge(self):
        """The last body each light was sent (by light number), and the reachable light 1."""
        with self.sim.bridge.lock:
            log, light = list(self.sim.bridge.log), self.sim.bridge.lights["1"]
            return ({path.split("/")[4]: sent for path, sent in log},
                    {k: light[k] for k in ("bri", "ct")})

    def test_lights_follow_the_night_and_return_to_neutral_at_exit(self):
        stored = store_solar_time(self.host, night=True, Hue=1, huepoll=0, HueDiscovery=(
            f"http://127.0.0.1:{self.sim.port}/vendor/self"))
        del stored["HueDiscovery"]
        self.assertEqual({k: self.host.preferences().get(k) for k in stored}, stored)
        p = self.host.start(["noshow"])
        self.wait_window("hidden")
        night = {n: body(NIGHT) for n in ("1", "2", "3")}
        self.assertTrue(wait_until(lambda: self.bridge() == (night, NIGHT), 60), self.bridge())
        self.assertEqual(self.host.close(p), 0)
        self.assertEqual(self.bridge(), ({n: body(NEUTRAL) for n in ("1", "2", "3")}, NEUTRAL))


if __name__ == "__main__":
    run_cases(parse_host_arguments()[1], HueEndToEnd)

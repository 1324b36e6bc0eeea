#!/usr/bin/env python3
"""The light bridge end to end: the real program (native, or the Windows build under Wine) with
"Hue" switched on and the vendor discovery service pointed at the bridge simulator on 127.0.0.1.
At solar midnight (the location trick of tests/e2e/day_night_test.py) the simulator's lights are
driven to the night colour, and back to neutral when the program exits."""

import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import bridge_sim  # noqa: E402
from day_night_test import store_solar_time  # noqa: E402
from startup_test import HostCase, parse_host_arguments, run_cases, wait_until  # noqa: E402

# The night colour at the deepest night: level 0.15 and 3400 K; neutral: 6500 K at full level.
NIGHT_BODY, NIGHT_STATE = '{"bri": 38,"ct":447}\\0', {"bri": 38, "ct": 447}
NEUTRAL_BODY, NEUTRAL_STATE = '{"bri": 255,"ct":213}\\0', {"bri": 255, "ct": 213}


class HueEndToEnd(HostCase):
    def setUp(self):
        super().setUp()
        self.sim = bridge_sim.Simulator()
        self.addCleanup(self.sim.stop)
        self.sim.bridge.reset(0)  # the link button is pressed before the first attempt

    def bridge(self):
        """The last body each light was sent (by light number), the number of commands sent,
        and the state of the reachable light 1."""
        with self.sim.bridge.lock:
            log, light = list(self.sim.bridge.log), dict(self.sim.bridge.lights["1"])
        return ({path.split("/")[4]: body for path, body in log}, len(log),
                {k: light[k] for k in ("bri", "ct")})

    def test_lights_follow_the_night_and_return_to_neutral_at_exit(self):
        stored = store_solar_time(self.host, night=True, Hue=1, huepoll=0, HueDiscovery=(
            f"http://127.0.0.1:{self.sim.port}/vendor/self"))
        del stored["HueDiscovery"]
        self.assertEqual({k: self.host.preferences().get(k) for k in stored}, stored)
        p = self.host.start(["noshow"])
        self.wait_window("hidden")
        night = {n: NIGHT_BODY for n in ("1", "2", "3")}
        self.assertTrue(wait_until(lambda: self.bridge()[0] == night, 60), self.bridge())
        _, sent, state = self.bridge()
        self.assertEqual(state, NIGHT_STATE)
        # Nothing changes at night, so nothing more is sent.
        time.sleep(2)
        self.assertEqual(self.bridge()[1], sent)

        self.assertEqual(self.host.close(p), 0)
        bodies, _, state = self.bridge()
        self.assertEqual(bodies, {n: NEUTRAL_BODY for n in ("1", "2", "3")})
        self.assertEqual(state, NEUTRAL_STATE)


if __name__ == "__main__":
    run_cases(parse_host_arguments()[1], HueEndToEnd)

"""What the toolkit's drivers share: a probe program of either build (the Windows one under Wine)
that writes what happens to a log, one line each, and xdotool to drive it from outside."""
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
    time.sleep(0.2)


def click_at(x, y, button="1"):
    xdo("mousemove", str(x), str(y))
    xdo("click", button)


def wait_until(done, timeout, step=0.1):
    """done()'s first true answer, or its last answer once timeout seconds have passed."""
    end = time.time() + timeout
    while True:
        answer = done()
        if answer or time.time() >= end:
            return answer
        time.sleep(step)


def find_windows(by, name, timeout=30):
    """The ids of the viewable windows whose name (or class) matches, once there is one."""
    return wait_until(lambda: run(["xdotool", "search", "--onlyvisible", by, name]).stdout.split(),
                      timeout, 0.2)


class Probe:
    def __init__(self, name, *extra, env=None, prefix=None):
        self.log = os.path.join(ARGS.work, name + ".log")
        os.makedirs(ARGS.work, exist_ok=True)
        if os.path.exists(self.log):
            os.remove(self.log)
        cmd = [ARGS.probe, self.log, *extra]
        if prefix:
            cmd = [*prefix, *cmd]
        elif ARGS.platform == "win32":
            cmd = ["wine", *cmd]
        self.proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                     env=dict(os.environ, **(env or {})))

    def lines(self, prefix=""):
        if not os.path.exists(self.log):
            return []
        with open(self.log) as f:
            return [l.strip() for l in f if l.strip() and l.startswith(prefix)]

    def wait_for(self, prefix, timeout=30):
        """The first line starting with prefix; fails if the probe ends or time runs out first."""
        end = time.time() + timeout
        while True:
            ended = self.proc.poll() is not None
            found = self.lines(prefix)
            if found:
                return found[0]
            if ended:
                raise AssertionError("probe ended early: %s" % self.lines())
            if time.time() >= end:
                raise AssertionError("no %r in %s" % (prefix, self.lines()))
            time.sleep(0.1)

    def click_control(self, control_id):
        left, top, right, bottom = map(int, self.wait_for("control %d " % control_id).split()[2:])
        click_at((left + right) // 2, (top + bottom) // 2)

    def finish(self, test):
        """Waits for the probe's last line and its clean exit."""
        self.wait_for("end", 30)
        test.assertEqual(self.proc.wait(timeout=30), 0)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait(timeout=10)

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.stop()


def main(*options):
    """Reads --probe, --platform, --work and the driver's own options, then runs the tests."""
    global ARGS
    parser = argparse.ArgumentParser()
    for flag in ("--probe", "--platform", "--work"):
        parser.add_argument(flag, required=True)
    for flag, default in options:
        parser.add_argument(flag, default=default)
    ARGS, rest = parser.parse_known_args()
    unittest.main(module="__main__", argv=[sys.argv[0], *rest], verbosity=2)

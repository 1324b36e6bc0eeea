#!/usr/bin/env python3
"""The dialog framework on a real dialog box (GTK natively, Win32's dialog manager under Wine),
driven from outside with xdotool: OK, Cancel, Enter, Escape, F1 and the Help button, a minimised
owner, the owner closing while the dialog is up, a missing template; then the program's four
templates on screen, photographed for a look."""
import argparse
import os
import subprocess
import sys
import time
import unittest

ARGS = None


def xdo(*args):
    subprocess.run(["xdotool", *args], timeout=10, check=True)
    time.sleep(0.2)


class Probe:
    def __init__(self, name, *extra):
        self.log = os.path.join(ARGS.work, name + ".log")
        os.makedirs(ARGS.work, exist_ok=True)
        if os.path.exists(self.log):
            os.remove(self.log)
        cmd = [ARGS.probe, self.log, *extra]
        if ARGS.platform == "win32":
            cmd = ["wine", *cmd]
        self.proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def lines(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log) as f:
            return [l.rstrip("\n") for l in f if l.strip()]

    def wait_for(self, prefix, timeout=30):
        end = time.time() + timeout
        while time.time() < end:
            found = [l for l in self.lines() if l.startswith(prefix)]
            if found:
                return found[0]
            if self.proc.poll() is not None:
                found = [l for l in self.lines() if l.startswith(prefix)]
                if found:
                    return found[0]
                raise AssertionError("probe ended early: %s" % self.lines())
            time.sleep(0.1)
        raise AssertionError("no %r in %s" % (prefix, self.lines()))

    def ready(self, title):
        self.wait_for("ready", 60)
        window = subprocess.run(["xdotool", "search", "--name", title], capture_output=True,
                                text=True, timeout=10).stdout.split()
        if not window:
            raise AssertionError("no window titled %r" % title)
        xdo("windowfocus", "--sync", window[0])

    def control_centre(self, control_id):
        line = self.wait_for("control %d " % control_id)
        left, top, right, bottom = map(int, line.split()[2:])
        return (left + right) // 2, (top + bottom) // 2

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait(timeout=10)


class DialogFramework(unittest.TestCase):
    # (name, probe arguments, actions, lines expected in order, lines that must not appear).
    # Actions: ("key", keys...), ("type", text), ("click", control id).
    CASES = [
        ("ok_by_enter", [], [("type", "abc"), ("key", "Tab"), ("key", "space"), ("key", "Return")],
         ["command 101", "command 1", "result 1 accepted 1 text abc check 1", "owner-destroyed",
          "end"], ["help"]),
        ("ok_clicked", [], [("type", "xy"), ("click", 1)],
         ["command 1", "result 1 accepted 1 text xy check 0", "end"], []),
        ("cancel_by_escape", [], [("type", "abc"), ("key", "Escape")],
         ["command 2", "result 0 accepted 0", "end"], ["command 1"]),
        ("cancel_clicked", [], [("click", 2)], ["command 2", "result 0 accepted 0", "end"], []),
        ("help_by_f1_and_button", [], [("key", "F1"), ("click", 9), ("key", "Escape")],
         ["help", "command 9", "help", "command 2", "result 0 accepted 0"], []),
        ("minimised_owner_restored", ["minimized"], [("key", "Escape")],
         ["owner-minimized 0", "result 0 accepted 0", "end"], []),
        # The owner closes while the dialog is up: the dialog is cancelled first, then the owner
        # goes and the pump ends.
        ("owner_closed_under_dialog", [], [("click", 1100)],
         ["command 1100", "result 0 accepted 0", "owner-destroyed", "end"], ["command 1"]),
    ]

    def run_case(self, name, extra, actions, expected, absent):
        probe = Probe(name, *extra)
        try:
            probe.ready("Probe dialog")
            for action in actions:
                if action[0] == "key":
                    xdo("key", *action[1:])
                elif action[0] == "type":
                    xdo("type", action[1])
                else:
                    x, y = probe.control_centre(action[1])
                    xdo("mousemove", str(x), str(y))
                    xdo("click", "1")
            probe.wait_for("end", 30)
            self.assertEqual(probe.proc.wait(timeout=30), 0)
            lines = [l for l in probe.lines()
                     if not l.startswith(("control", "ready", "timer"))]
            position = 0
            for line in expected:
                found = [i for i in range(position, len(lines)) if lines[i].startswith(line)]
                self.assertTrue(found, "%s: %r not after line %d of %s" % (name, line, position,
                                                                           lines))
                position = found[0] + 1
            for line in absent:
                self.assertFalse([l for l in lines if l == line or l.startswith(line + " ")],
                                 (name, lines))
        finally:
            probe.stop()

    def test_cases(self):
        for case in self.CASES:
            with self.subTest(case[0]):
                self.run_case(*case)

    def test_missing_template_fails_with_an_error_box(self):
        probe = Probe("missing", "missing")
        try:
            # The "Error" box comes up; its default button closes it.
            end = time.time() + 60
            while time.time() < end:
                found = subprocess.run(["xdotool", "search", "--name", "^Error$"],
                                       capture_output=True, text=True, timeout=10).stdout.split()
                if found:
                    break
                time.sleep(0.2)
            self.assertTrue(found, probe.lines())
            xdo("windowfocus", "--sync", found[0])
            xdo("key", "Return")
            self.assertEqual(probe.wait_for("result"), "result 0 accepted 0 text  check 0")
        finally:
            probe.stop()


class Templates(unittest.TestCase):
    TITLES = {109: "Where am I?", 110: "Tintel extras",
              111: "Tintel has an update available. Get it now?", 112: "Tintel feature unlocked!"}

    def test_each_template_opens_and_is_photographed(self):
        for template, title in sorted(self.TITLES.items()):
            with self.subTest(template):
                probe = Probe("template%d" % template, "template=%d" % template)
                try:
                    probe.ready(title)
                    left, top, width, height = map(int, probe.wait_for("ready").split()[1:])
                    self.assertGreater(width, 200)
                    if ARGS.screenshots:
                        os.makedirs(ARGS.screenshots, exist_ok=True)
                        shot = os.path.join(ARGS.screenshots, "%s_%d.png" % (ARGS.platform,
                                                                             template))
                        subprocess.run(["import", "-window", "root", "-crop",
                                        "%dx%d+%d+%d" % (width + 20, height + 20,
                                                         max(left - 10, 0), max(top - 10, 0)),
                                        shot], timeout=20, check=True)
                    xdo("key", "Escape")
                    probe.wait_for("end", 30)
                finally:
                    probe.stop()


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--probe", required=True)
    parser.add_argument("--platform", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--screenshots", default=os.environ.get("TINTEL_DIALOG_SHOTS"))
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)


if __name__ == "__main__":
    main()

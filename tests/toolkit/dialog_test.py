#!/usr/bin/env python3
"""The dialog framework on a real dialog box (GTK natively, Win32's dialog manager under Wine),
driven from outside with xdotool: OK, Cancel, Enter, Escape, F1 and the Help button, a minimised
owner, the owner closing while the dialog is up, a missing template; then the program's four
templates on screen, photographed for a look."""
import os
import subprocess
import time
import sys
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import probe_driver as pd  # noqa: E402
from probe_driver import Probe, xdo  # noqa: E402

def start(name, *extra):
    env = {}
    if pd.ARGS.platform == "linux":
        env["XDG_CONFIG_HOME"] = os.path.join(pd.ARGS.work, name + ".config")
    return Probe(name, *extra, env=env)


def focus_window(probe, title):
    probe.wait_for("ready", 60)
    window = pd.find_windows("--name", title, 10)
    if not window:
        raise AssertionError("no window titled %r" % title)
    xdo("windowfocus", "--sync", window[0])


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
        # The owner closes while the dialog is up: the dialog is cancelled first, then the owner
        # goes and the pump ends.
        ("owner_closed_under_dialog", [], [("click", 1100)],
         ["command 1100", "result 0 accepted 0", "owner-destroyed", "end"], ["command 1"]),
    ]

    def run_case(self, name, extra, actions, expected, absent):
        with start(name, *extra) as probe:
            focus_window(probe, "Probe dialog")
            for action in actions:
                if action[0] == "click":
                    probe.click_control(action[1])
                else:
                    xdo(*action)
            probe.finish(self)
            lines = [l for l in probe.lines() if not l.startswith(("control", "ready", "timer"))]
            position = 0
            for line in expected:
                found = [i for i in range(position, len(lines)) if lines[i].startswith(line)]
                self.assertTrue(found, "%s: %r not after line %d of %s" % (name, line, position,
                                                                           lines))
                position = found[0] + 1
            for line in absent:
                self.assertFalse([l for l in lines if l == line or l.startswith(line + " ")],
                                 (name, lines))

    def test_cases(self):
        for case in self.CASES:
            with self.subTest(case[0]):
                self.run_case(*case)

    def test_minimised_owner_is_restored(self):
        # Minimising needs a window manager on X (Wine keeps the state itself): openbox runs
        # for this case on the Linux build.
        manager = None
        if pd.ARGS.platform == "linux":
            manager = subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
            pd.wait_until(lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in pd.run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"]).stdout, 10)
        try:
            self.run_case("minimised_owner_restored", ["minimized"], [("key", "Escape")],
                          ["minimized-before 1", "owner-minimized 0", "result 0 accepted 0", "end"], [])
        finally:
            if manager:
                manager.terminate()
                manager.wait(timeout=10)

    def test_missing_template_fails_with_an_error_box(self):
        with start("missing", "missing") as probe:
            # The "Error" box comes up; its default button closes it.
            found = pd.find_windows("--name", "^Error$", 60)
            self.assertTrue(found, probe.lines())
            xdo("windowfocus", "--sync", found[0])
            xdo("key", "Return")
            self.assertEqual(probe.wait_for("result"), "result 0 accepted 0 text  check 0")
            probe.finish(self)


class Templates(unittest.TestCase):
    TITLES = {109: "Where am I?", 110: "Tintel extras",
              111: "Tintel has an update available. Get it now?", 112: "Tintel feature unlocked!"}

    def test_each_template_opens_and_is_photographed(self):
        for template, title in sorted(self.TITLES.items()):
            with self.subTest(template), start("template%d" % template,
                                               "template=%d" % template) as probe:
                focus_window(probe, title)
                left, top, width, height = map(int, probe.wait_for("ready").split()[1:])
                self.assertGreater(width, 200)
                if pd.ARGS.screenshots:
                    os.makedirs(pd.ARGS.screenshots, exist_ok=True)
                    shot = os.path.join(pd.ARGS.screenshots,
                                        "%s_%d.png" % (pd.ARGS.platform, template))
                    subprocess.run(["import", "-window", "root", "-crop",
                                    "%dx%d+%d+%d" % (width + 20, height + 20, max(left - 10, 0),
                                                     max(top - 10, 0)), shot],
                                   timeout=20, check=True)
                xdo("key", "Escape")
                probe.finish(self)


if __name__ == "__main__":
    pd.main(("--screenshots", os.environ.get("TINTEL_DIALOG_SHOTS")))

#!/usr/bin/env python3
"""The update prompt of the native program, end to end, inside tests/update/http_server.py (which
serves the feed from 127.0.0.1 and records what the stand-in browser is given): with
"DisableUpdate" 1 a newer version in /update/linux.json brings up the prompt; Escape (Later) leaves
everything as it was and opens nothing; with "DisableUpdate" 0 the installer page goes to the
browser and the version is remembered, without a prompt."""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

ARGS = None
PROMPT_TITLE = "Tintel has an update available. Get it now?"
# The same as a POSIX regular expression (xdotool's --name).
PROMPT_PATTERN = "^Tintel has an update available\\. Get it now\\?$"
X_TIMEOUT = 20


def wait_until(predicate, timeout, step=0.2):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


def windows_named(pattern):
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", pattern],
                         capture_output=True, text=True, timeout=X_TIMEOUT)
    return out.stdout.split()


class Prompt(unittest.TestCase):
    def setUp(self):
        self.scratch = os.environ["TINTEL_TEST_SCRATCH"]
        self.site = os.path.join(self.scratch, "site")
        self.base_url = "http://127.0.0.1:%s/site" % os.environ["TINTEL_TEST_HTTP_PORT"]
        self.dir = os.path.join(ARGS.work, self.id().split(".")[-1])
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        self.env = dict(os.environ)
        self.env["XDG_CONFIG_HOME"] = os.path.join(self.dir, "config")
        self.env["XDG_RUNTIME_DIR"] = tempfile.mkdtemp(prefix="tintel-upd-")
        self.process = None

    def tearDown(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.env["XDG_RUNTIME_DIR"], ignore_errors=True)

    def start(self, site_dir, version, disable):
        feed = os.path.join(self.site, site_dir, "update")
        os.makedirs(feed, exist_ok=True)
        self.page = "http://127.0.0.1/download/%s/" % site_dir
        with open(os.path.join(feed, "linux.json"), "w") as f:
            f.write('{"version":"%s","message":"Tintel %s makes evenings warmer.","update":"%s"}'
                    % (version, version, self.page))
        store = os.path.join(self.env["XDG_CONFIG_HOME"], "Brisbel")
        os.makedirs(store)
        with open(os.path.join(store, "preferences.reg"), "w") as f:
            f.write('[Software\\Brisbel\\tintel\\Preferences]\n"Longitude"=dword:ffffe31c\n'
                    '"DisableUpdate"=dword:%08x\n"UpdateSite"="%s/%s"\n'
                    '[Software\\Brisbel\\tintel\\update]\n"lastmod"="0.1"\n'
                    % (disable, self.base_url, site_dir))
        self.browser_before = self.browser()
        log = open(os.path.join(self.dir, "program.log"), "w+b")
        self.process = subprocess.Popen([ARGS.program, "noshow"], env=self.env,
                                        stdout=log, stderr=subprocess.STDOUT)

    def browser(self):
        path = os.path.join(self.scratch, "browser.log")
        return open(path).read() if os.path.exists(path) else ""

    def stored(self):
        path = os.path.join(self.env["XDG_CONFIG_HOME"], "Brisbel", "preferences.reg")
        return open(path, encoding="utf-8").read()

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        return self.process.wait(timeout=20)

    def test_later_leaves_everything(self):
        self.start("ask", "9.9", 1)
        prompt = wait_until(lambda: windows_named(PROMPT_PATTERN), 60)
        self.assertTrue(prompt, "the update prompt did not appear")
        time.sleep(1)
        if ARGS.shots:
            os.makedirs(ARGS.shots, exist_ok=True)
            subprocess.run(["import", "-window", "root",
                            os.path.join(ARGS.shots, "update-prompt-linux.png")], timeout=30)
        subprocess.run(["xdotool", "windowfocus", "--sync", prompt[0], "key", "Escape"],
                       timeout=X_TIMEOUT)
        self.assertTrue(wait_until(lambda: not windows_named(PROMPT_PATTERN), 20))
        time.sleep(1)
        self.assertIsNone(self.process.poll(), "Later keeps the program running")
        self.assertNotIn(self.page, self.browser()[len(self.browser_before):])
        self.assertNotIn('"lastwebmod"="9.9"', self.stored())
        self.assertEqual(self.stop(), 0)

    def test_silent_update_opens_the_installer_page(self):
        self.start("silent", "9.9", 0)
        self.assertTrue(wait_until(lambda: self.page in self.browser()[len(self.browser_before):],
                                   60), "the installer page was not opened")
        self.assertFalse(windows_named(PROMPT_PATTERN))
        self.assertTrue(wait_until(lambda: '"lastwebmod"="9.9"' in self.stored(), 10))
        self.assertIsNone(self.process.poll(), "Linux keeps running: the user installs")
        self.assertEqual(self.stop(), 0)


def main():
    global ARGS
    p = argparse.ArgumentParser()
    p.add_argument("--program", required=True)
    p.add_argument("--work", required=True)
    p.add_argument("--shots")
    ARGS, rest = p.parse_known_args()
    unittest.main(argv=[sys.argv[0], "-v", *rest])


if __name__ == "__main__":
    main()

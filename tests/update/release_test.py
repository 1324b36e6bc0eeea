#!/usr/bin/env python3
"""Releases and updates under Wine, run inside tests/update/http_server.py (its plain server
serves the folder "site" of its scratch folder on 127.0.0.1):

- the program's own signature verification (installer_test.exe) on files signed for this run
  (signing.py), with the test root trusted in the prefix;
- a release published with tools/release/publish: its signed NSIS installer installs silently for
  the user, closes and restarts a running Tintel, and its uninstaller removes everything, the
  logon entry included;
- the update end to end: the real program fetches the feed, downloads the signed installer (the
  signed recorder, which notes that it ran with "/S"), verifies it, runs it and exits 0; with
  "DisableUpdate" 1 it asks instead, and neither "Later" nor "Skip" installs anything.
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import signing  # noqa: E402
from quiet_run import run_quiet  # noqa: E402
from startup_test import HostCase, WineHost, screenshot, wait_until  # noqa: E402

ARGS = None
PUBLISH = os.path.join(HERE, "..", "..", "tools", "release", "publish")
PROMPT_TITLE = "Tintel has an update available. Get it now?"
UPDATE = "Software\\Brisbel\\tintel\\update"
RUN_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Run"


def z(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine_out(*argv):
    return run_quiet(["wine", *argv], timeout=120)[1].strip()


def folder_of(variable):
    """The folder a Windows environment variable names, as a path of this machine."""
    return wine_out("winepath", "-u", wine_out("cmd", "/c", "echo %" + variable + "%"))


def read(path):
    if not os.path.exists(path):
        return ""
    with open(path) as f:
        return f.read()


class Release(HostCase):
    @classmethod
    def setUpClass(cls):
        cls.host = WineHost(ARGS.program, ARGS.work, ARGS.probe)
        cls.scratch = os.environ["TINTEL_TEST_SCRATCH_UNIX"]
        cls.site = os.path.join(cls.scratch, "site")
        cls.base_url = "http://127.0.0.1:%s/site" % os.environ["TINTEL_TEST_HTTP_PORT"]
        shutil.rmtree(ARGS.work, ignore_errors=True)
        # The recorder stands in for an installer: it notes its arguments.
        cls.signed = signing.SignedSet(os.path.join(ARGS.work, "signed"), ARGS.recorder)
        shutil.copytree(cls.signed.folder, os.path.join(cls.site, "signed"))
        cls.installer = os.path.join(cls.site, "rel", "download", "tintel-setup-0.2.exe")
        key, cert = cls.signed.signer
        subprocess.run([sys.executable, PUBLISH, "--version", "0.2", "--site",
                        cls.base_url + "/rel", "--program", ARGS.program, "--res", ARGS.res,
                        "--cert", cert, "--key", key, "--ca", cls.signed.root_cert,
                        "--out", os.path.join(cls.site, "rel"), "--readme",
                        "http://127.0.0.1/readme"], check=True)

    def stored(self, key, name):
        """A string value of HKCU\\key, or None."""
        for line in self.host.winprobe("dump", key)[1].splitlines():
            value, _, data = line.partition("=")
            if value == name:
                return bytes.fromhex(data.partition(":")[2]).split(b"\0")[0].decode("cp1252")
        return None

    def window(self, title=None):
        return self.host.winprobe("window", *(("#32770", title) if title else
                                               ("ytWindow", "Tintel")))[1]

    def test_1_signature_checks_and_published_feeds(self):
        self.assertTrue(signing.verify(self.installer, self.signed.root_cert))
        env = dict(os.environ, TINTEL_TEST_SIGNED_DIR=z(self.signed.folder),
                   TINTEL_TEST_SIGN_ROOT=z(self.signed.root_cert))
        code, out, err = run_quiet(["wine", ARGS.installer_test], timeout=300, env=env)
        self.assertEqual(code, 0, out[-4000:] + err[-2000:])
        self.assertIn("[  PASSED  ] 1 test", out)
        for name, update in (("windows", "/rel/download/tintel-setup-0.2.exe"),
                             ("linux", "/rel/download/")):
            with open(os.path.join(self.site, "rel", "update", name + ".json"), "rb") as f:
                self.assertEqual(json.loads(f.read().decode("cp1252")), {
                    "version": "0.2", "update": self.base_url + update,
                    "message": "Tintel 0.2 is ready to install.",
                    "readme": "http://127.0.0.1/readme"})

    def test_2_nsis_installs_closes_restarts_and_uninstalls(self):
        folder = os.path.join(folder_of("LOCALAPPDATA"), "Programs", "Tintel")
        shutil.rmtree(folder, ignore_errors=True)
        run_quiet(["wine", self.installer, "/S"], timeout=120)
        # wine's exit code says nothing about a 64-bit stub: look at what was installed.
        self.assertTrue(wait_until(lambda: os.path.exists(os.path.join(folder, "uninstall.exe")), 60))
        exe = os.path.join(folder, "tintel.exe")
        with open(exe, "rb") as a, open(ARGS.program, "rb") as b:
            self.assertTrue(a.read() == b.read(), "the installed program is the published one")
        for name in os.listdir(ARGS.res):
            self.assertTrue(os.path.exists(os.path.join(folder, "res", name)), name)
        self.assertTrue(os.path.exists(os.path.join(folder_of("APPDATA"), "Microsoft", "Windows", "Start Menu",
                                                    "Programs", "Tintel.lnk")))
        self.assertEqual(self.stored(RUN_KEY, "Tintel"),
                         '"%s" noshow' % wine_out("winepath", "-w", exe))

        # A running Tintel is closed for the update and started again afterwards.
        self.host.store_preferences({"Longitude": -7400})
        running = self.host.start(["noshow"], program=exe)
        self.assertTrue(wait_until(lambda: self.window() == "hidden", 60))
        run_quiet(["wine", self.installer, "/S"], timeout=120)
        self.assertEqual(running.wait(timeout=60), 0)
        self.assertTrue(wait_until(lambda: self.window() == "hidden", 60),
                        "the installer starts the program it closed")
        # The uninstaller closes it again and removes everything, the logon entry too.
        run_quiet(["wine", os.path.join(folder, "uninstall.exe"), "/S"], timeout=120)
        self.assertTrue(wait_until(lambda: not os.path.exists(folder), 60),
                        os.listdir(folder) if os.path.exists(folder) else "")
        self.assertIsNone(self.stored(RUN_KEY, "Tintel"))
        self.assertEqual(self.window(), "none")

    def start_program(self, site_dir, version, disable):
        """Serves a feed of `version` under site_dir; starts a copy of the program on it."""
        feed = os.path.join(self.site, site_dir, "update")
        os.makedirs(feed, exist_ok=True)
        with open(os.path.join(feed, "windows.json"), "w") as f:
            f.write('{"version":"%s","message":"Tintel %s makes evenings warmer.",'
                    '"update":"%s/signed/good.exe"}' % (version, version, self.base_url))
        program = os.path.join(self.host.dir, "tintel.exe")
        shutil.copyfile(ARGS.program, program)
        self.host.store_preferences({"Longitude": -7400, "DisableUpdate": disable,
                                     "UpdateSite": self.base_url + "/" + site_dir})
        self.host.store_preferences({"lastmod": "0.1"}, key=UPDATE)
        return self.host.start(["noshow"], program=program)

    def record(self):
        """What the recorder noted so far, and how often the installer was downloaded."""
        return (read(os.path.join(self.scratch, "args.log")),
                read(os.path.join(self.scratch, "requests.log")).count("/site/signed/good.exe"))

    def test_3_update_installs_silently_and_exits(self):
        before = self.record()[0]
        process = self.start_program("e2e", "9.9", 0)
        self.assertEqual(process.wait(timeout=120), 0)
        self.assertEqual(self.record()[0][len(before):], "1\n/S\n")
        self.assertEqual(self.stored(UPDATE, "lastwebmod"), "9.9")
        self.assertTrue(os.path.exists(os.path.join(self.host.dir, "update", "setup.exe")))

    def test_4_asking_later_and_skip_install_nothing(self):
        # Later (2) leaves everything; Skip (3) remembers the version so it never asks again.
        for answer, remembered in ((2, ""), (3, "9.10")):
            with self.subTest(answer=answer):
                self.host.setup("ask%d" % answer)
                before = self.record()
                process = self.start_program("ask%d" % answer, "9.10", 1)
                self.assertTrue(wait_until(lambda: self.window(PROMPT_TITLE) == "visible", 90),
                                "the update prompt did not appear")
                time.sleep(1)
                if ARGS.shots and answer == 2:
                    os.makedirs(ARGS.shots, exist_ok=True)
                    screenshot(os.path.join(ARGS.shots, "update-prompt-windows.png"))
                self.assertEqual(self.host.winprobe("answer", PROMPT_TITLE, str(answer))[0], 0)
                self.assertTrue(wait_until(lambda: self.window(PROMPT_TITLE) == "none", 20))
                time.sleep(2)
                self.assertIsNone(process.poll(), "the program keeps running")
                self.assertEqual(self.record(), before)
                self.assertEqual(self.stored(UPDATE, "lastwebmod") or "", remembered)
                self.assertFalse(os.path.exists(os.path.join(self.host.dir, "update")))
                self.assertEqual(self.host.close(process), 0)


def main():
    global ARGS
    p = argparse.ArgumentParser()
    for name in ("program", "probe", "installer-test", "recorder", "res", "work"):
        p.add_argument("--" + name, required=True)
    p.add_argument("--shots")
    ARGS, rest = p.parse_known_args()
    unittest.main(argv=[sys.argv[0], "-v", *rest])


if __name__ == "__main__":
    main()

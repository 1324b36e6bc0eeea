#!/usr/bin/env python3
"""Releases and updates under Wine, run inside tests/update/http_server.py (its plain server
serves the folder "site" of its scratch folder on 127.0.0.1):

- the signed files (signing.py, once per run): osslsigncode's opinion of each, then the
  program's own verification (installer_test.exe) with the test root trusted in the prefix;
- a release published with tools/release/publish (once per run): its NSIS installer installs
  silently for the user, closes and restarts a running Tintel, and its uninstaller removes
  everything, the logon entry included;
- the update end to end: the real program fetches the feed, downloads the signed installer (the
  signed recorder, which notes that it ran with "/S"), verifies it, runs it and exits 0; with
  "DisableUpdate" 1 it asks instead, and "Later" leaves everything as it was.
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
from startup_test import PREFS, WineHost, screenshot, wait_until  # noqa: E402

ARGS = HOST = None
PUBLISH = os.path.join(HERE, "..", "..", "tools", "release", "publish")
PROMPT_TITLE = "Tintel has an update available. Get it now?"
UPDATE = "Software\\Brisbel\\tintel\\update"
RUN_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Run"


def z(path):
    """Wine's name for a path of this machine."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine(*argv, timeout=120):
    return run_quiet(["wine", *argv], timeout=timeout)[1].strip()


def registry(key):
    """The values of HKCU\\key: strings as text, numbers as ints."""
    values = {}
    for line in HOST.winprobe("dump", key)[1].splitlines():
        name, _, rest = line.partition("=")
        kind, _, data = rest.partition(":")
        raw = bytes.fromhex(data)
        if kind == "1":
            values[name] = raw.split(b"\0", 1)[0].decode("cp1252")
        elif kind == "4":
            values[name] = int.from_bytes(raw, "little", signed=True)
    return values


def window():
    return HOST.winprobe("window", "ytWindow", "Tintel")[1]


def shell_folder(variable):
    return wine("winepath", "-u", wine("cmd", "/c", f"echo %{variable}%"))


class Release(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = os.environ["TINTEL_TEST_SCRATCH_UNIX"]
        cls.site = os.path.join(cls.scratch, "site")
        cls.base_url = "http://127.0.0.1:%s/site" % os.environ["TINTEL_TEST_HTTP_PORT"]
        shutil.rmtree(ARGS.work, ignore_errors=True)
        os.makedirs(ARGS.work)
        HOST.dir = ARGS.work
        # The signed files; the recorder stands in for an installer (it notes its arguments).
        cls.signed = signing.SignedSet(os.path.join(ARGS.work, "signed"), ARGS.recorder)
        shutil.copytree(cls.signed.folder, os.path.join(cls.site, "signed"))
        # One published release.
        cls.res = ARGS.res
        if not os.path.isdir(cls.res):
            cls.res = os.path.join(ARGS.work, "res")
            os.makedirs(cls.res)
            with open(os.path.join(cls.res, "readme.txt"), "w") as f:
                f.write("artwork goes here\n")
        key, cert = cls.signed.signer
        subprocess.run([sys.executable, PUBLISH, "--version", "0.2", "--site",
                        cls.base_url + "/rel", "--program", ARGS.program, "--res", cls.res,
                        "--cert", cert, "--key", key, "--ca", cls.signed.root_cert,
                        "--out", os.path.join(cls.site, "rel"), "--readme",
                        "http://127.0.0.1/readme"], check=True)
        cls.installer = os.path.join(cls.site, "rel", "download", "tintel-setup-0.2.exe")

    def tearDown(self):
        HOST.teardown()

    def test_1_signatures_by_osslsigncode_and_by_the_program(self):
        opinions = {name: signing.verify(path, self.signed.root_cert)
                    for name, path in self.signed.files.items()}
        # osslsigncode checks the signature and the chain; the signer's name is the program's rule.
        self.assertEqual(opinions, {"good": True, "lowercase": True, "unsigned": False,
                                    "tampered": False, "untrusted": False})
        self.assertTrue(signing.verify(self.installer, self.signed.root_cert))
        env = dict(os.environ, TINTEL_TEST_SIGNED_DIR=z(self.signed.folder),
                   TINTEL_TEST_SIGN_ROOT=z(self.signed.root_cert))
        code, out, err = run_quiet(["wine", ARGS.installer_test], timeout=300, env=env)
        self.assertEqual(code, 0, out[-4000:] + err[-2000:])
        self.assertIn("[  PASSED  ] 2 tests", out)

    def test_2_feeds_as_published(self):
        for name, update in (("windows", self.base_url + "/rel/download/tintel-setup-0.2.exe"),
                             ("linux", self.base_url + "/rel/download/")):
            with open(os.path.join(self.site, "rel", "update", name + ".json"), "rb") as f:
                feed = json.loads(f.read().decode("cp1252"))
            self.assertEqual(feed, {"version": "0.2", "update": update,
                                    "message": "Tintel 0.2 is ready to install.",
                                    "readme": "http://127.0.0.1/readme"})

    def test_3_nsis_installs_closes_restarts_and_uninstalls(self):
        folder = os.path.join(shell_folder("LOCALAPPDATA"), "Programs", "Tintel")
        shutil.rmtree(folder, ignore_errors=True)
        wine(self.installer, "/S")
        # wine's exit code says nothing about a 64-bit stub: look at what was installed.
        self.assertTrue(wait_until(lambda: os.path.exists(os.path.join(folder, "uninstall.exe")),
                                   60))
        exe = os.path.join(folder, "tintel.exe")
        with open(exe, "rb") as a, open(ARGS.program, "rb") as b:
            self.assertTrue(a.read() == b.read(), "the installed program is the published one")
        for name in os.listdir(self.res):
            self.assertTrue(os.path.exists(os.path.join(folder, "res", name)), name)
        self.assertTrue(os.path.exists(os.path.join(shell_folder("APPDATA"), "Microsoft",
                                                    "Windows", "Start Menu", "Programs",
                                                    "Tintel.lnk")))
        self.assertEqual(registry(RUN_KEY).get("Tintel"),
                         '"%s" noshow' % wine("winepath", "-w", exe))

        # A running Tintel is closed for the update and started again afterwards.
        HOST.store_preferences({"Longitude": -7400})
        running = HOST.start(["noshow"], program=exe)
        self.assertTrue(wait_until(lambda: window() == "hidden", 60))
        wine(self.installer, "/S")
        self.assertEqual(running.wait(timeout=60), 0)
        self.assertTrue(wait_until(lambda: window() == "hidden", 60),
                        "the installer starts the program it closed")

        # The uninstaller closes it again and removes everything, the logon entry too.
        wine(os.path.join(folder, "uninstall.exe"), "/S")
        self.assertTrue(wait_until(lambda: not os.path.exists(folder), 60),
                        os.listdir(folder) if os.path.exists(folder) else "")
        self.assertIsNone(registry(RUN_KEY).get("Tintel"))
        self.assertEqual(window(), "none")

    def start_program(self, site_dir, version, disable):
        """Serves a feed of `version` under site_dir and starts a copy of the program on it."""
        feed = os.path.join(self.site, site_dir, "update")
        os.makedirs(feed, exist_ok=True)
        with open(os.path.join(feed, "windows.json"), "w") as f:
            f.write('{"version":"%s","message":"Tintel %s makes evenings warmer.",'
                    '"update":"%s/signed/good.exe"}' % (version, version, self.base_url))
        folder = os.path.join(ARGS.work, site_dir)
        os.makedirs(folder, exist_ok=True)
        program = os.path.join(folder, "tintel.exe")
        shutil.copyfile(ARGS.program, program)
        HOST.winprobe("delete", "Software\\Brisbel\\tintel")
        HOST.store_preferences({"Longitude": -7400, "DisableUpdate": disable,
                                "UpdateSite": self.base_url + "/" + site_dir})
        HOST.store_preferences({"lastmod": "0.1"}, UPDATE)
        return folder, HOST.start(["noshow"], program=program)

    def recorded(self):
        """What the installer stand-in was given, and how often it was downloaded."""
        def read(name):
            path = os.path.join(self.scratch, name)
            if not os.path.exists(path):
                return ""
            with open(path) as f:
                return f.read()
        return read("args.log"), read("requests.log").count("/site/signed/good.exe")

    def test_4_update_installs_silently_and_exits(self):
        args = self.recorded()[0]
        folder, process = self.start_program("e2e", "9.9", 0)
        self.assertEqual(process.wait(timeout=120), 0)
        self.assertEqual(self.recorded()[0][len(args):], "1\n/S\n")
        self.assertEqual(registry(UPDATE).get("lastwebmod"), "9.9")
        self.assertTrue(os.path.exists(os.path.join(folder, "update", "setup.exe")))

    def test_5_asking_later_and_skip_install_nothing(self):
        # Later (2) leaves everything; Skip (3) remembers the version so it never asks again.
        prompt = lambda: HOST.winprobe("window", "#32770", PROMPT_TITLE)[1]  # noqa: E731
        for answer, remembered, site_dir in ((2, "", "ask"), (3, "9.10", "skip")):
            with self.subTest(answer=answer):
                before = self.recorded()
                folder, process = self.start_program(site_dir, "9.10", 1)
                self.assertTrue(wait_until(lambda: prompt() == "visible", 90),
                                "the update prompt did not appear")
                if answer == 2:
                    time.sleep(1)  # a drawn prompt in the screenshot
                    os.makedirs(ARGS.shots, exist_ok=True)
                    screenshot(os.path.join(ARGS.shots, "update-prompt-windows.png"))
                self.assertEqual(HOST.winprobe("answer", PROMPT_TITLE, str(answer))[0], 0)
                self.assertTrue(wait_until(lambda: prompt() == "none", 20))
                time.sleep(2)  # time for a wrong reaction to the answer to show
                self.assertIsNone(process.poll(), "the program keeps running")
                self.assertEqual(self.recorded(), before)
                self.assertEqual(registry(UPDATE).get("lastwebmod", ""), remembered)
                self.assertFalse(os.path.exists(os.path.join(folder, "update")))
                self.assertEqual(HOST.close(process), 0)


def main():
    global ARGS, HOST
    p = argparse.ArgumentParser()
    for name in ("--program", "--probe", "--installer-test", "--recorder", "--res", "--work",
                 "--shots"):
        p.add_argument(name, required=True)
    ARGS, rest = p.parse_known_args()
    HOST = WineHost(ARGS.program, ARGS.work, ARGS.probe)
    HOST.env = dict(os.environ)
    unittest.main(argv=[sys.argv[0], "-v", *rest])


if __name__ == "__main__":
    main()

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
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import signing  # noqa: E402
from quiet_run import run_quiet  # noqa: E402
from startup_test import wait_until  # noqa: E402

ARGS = None
PUBLISH = os.path.join(HERE, "..", "..", "tools", "release", "publish")
PROMPT_TITLE = "Tintel has an update available. Get it now?"
PREFS = "Software\\Brisbel\\tintel\\Preferences"
UPDATE = "Software\\Brisbel\\tintel\\update"
RUN_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Run"


def z(path):
    """Wine's name for a path of this machine."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine(*argv, timeout=120):
    return run_quiet(["wine", *argv], timeout=timeout)


def probe(*argv):
    code, out, _ = wine(ARGS.probe, *argv)
    return code, out.strip()


def registry(key):
    """The values of HKCU\\key: strings as text, numbers as ints."""
    values = {}
    for line in probe("dump", key)[1].splitlines():
        name, _, rest = line.partition("=")
        kind, _, data = rest.partition(":")
        raw = bytes.fromhex(data)
        if kind == "1":
            values[name] = raw.split(b"\0", 1)[0].decode("cp1252")
        elif kind == "4":
            values[name] = int.from_bytes(raw, "little", signed=True)
    return values


def set_string(key, name, value):
    code, _, err = wine("reg", "add", "HKCU\\" + key, "/v", name, "/t", "REG_SZ", "/d", value, "/f")
    assert code == 0, err


def unix_path(windows_path):
    code, out, _ = wine("winepath", "-u", windows_path)
    assert code == 0
    return out.strip()


class Release(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = os.environ["TINTEL_TEST_SCRATCH_UNIX"]
        cls.site = os.path.join(cls.scratch, "site")
        cls.base_url = "http://127.0.0.1:%s/site" % os.environ["TINTEL_TEST_HTTP_PORT"]
        shutil.rmtree(ARGS.work, ignore_errors=True)
        os.makedirs(ARGS.work)
        # The signed files; the recorder stands in for an installer (it notes its arguments).
        cls.signed = signing.SignedSet(os.path.join(ARGS.work, "signed"), ARGS.recorder)
        shutil.copytree(cls.signed.folder, os.path.join(cls.site, "signed"))
        # One published release.
        res = ARGS.res
        if not os.path.isdir(res):
            res = os.path.join(ARGS.work, "res")
            os.makedirs(res)
            with open(os.path.join(res, "readme.txt"), "w") as f:
                f.write("artwork goes here\n")
        cls.res = res
        key, cert = cls.signed.signer
        subprocess.run([sys.executable, PUBLISH, "--version", "0.2", "--site",
                        cls.base_url + "/rel", "--program", ARGS.program, "--res", res,
                        "--cert", cert, "--key", key, "--ca", cls.signed.root_cert,
                        "--out", os.path.join(cls.site, "rel"), "--readme",
                        "http://127.0.0.1/readme"], check=True)

    def test_1_signatures_by_osslsigncode_and_by_the_program(self):
        opinions = {name: signing.verify(path, self.signed.root_cert)
                    for name, path in self.signed.files.items()}
        # osslsigncode checks the signature and the chain; the signer's name is the program's rule.
        self.assertEqual(opinions, {"good": True, "lowercase": True, "unsigned": False,
                                    "tampered": False, "untrusted": False})
        installer = os.path.join(self.site, "rel", "download", "tintel-setup-0.2.exe")
        self.assertTrue(signing.verify(installer, self.signed.root_cert))
        env = dict(os.environ, TINTEL_TEST_SIGNED_DIR=z(self.signed.folder),
                   TINTEL_TEST_SIGN_ROOT=z(self.signed.root_cert))
        code, out, err = run_quiet(["wine", ARGS.installer_test], timeout=300, env=env)
        self.assertEqual(code, 0, out[-4000:] + err[-2000:])
        self.assertIn("[  PASSED  ] 2 tests", out)

    def test_2_feeds_as_published(self):
        import json
        for name, update in (("windows", self.base_url + "/rel/download/tintel-setup-0.2.exe"),
                             ("linux", self.base_url + "/rel/download/")):
            with open(os.path.join(self.site, "rel", "update", name + ".json"), "rb") as f:
                feed = json.loads(f.read().decode("cp1252"))
            self.assertEqual(feed, {"version": "0.2", "update": update,
                                    "message": "Tintel 0.2 is ready to install.",
                                    "readme": "http://127.0.0.1/readme"})

    def installed(self):
        local = unix_path(wine("cmd", "/c", "echo %LOCALAPPDATA%")[1].strip())
        return os.path.join(local, "Programs", "Tintel")

    def run_value(self):
        return registry(RUN_KEY).get("Tintel")

    def test_3_nsis_installs_closes_restarts_and_uninstalls(self):
        installer = os.path.join(self.site, "rel", "download", "tintel-setup-0.2.exe")
        folder = self.installed()
        shutil.rmtree(folder, ignore_errors=True)
        wine(installer, "/S")
        # wine's exit code says nothing about a 64-bit stub: look at what was installed.
        self.assertTrue(wait_until(lambda: os.path.exists(os.path.join(folder, "uninstall.exe")), 60))
        with open(os.path.join(folder, "tintel.exe"), "rb") as a, open(ARGS.program, "rb") as b:
            self.assertTrue(a.read() == b.read(), "the installed program is the published one")
        for name in os.listdir(self.res):
            self.assertTrue(os.path.exists(os.path.join(folder, "res", name)), name)
        menu = unix_path(wine("cmd", "/c", "echo %APPDATA%")[1].strip())
        self.assertTrue(os.path.exists(os.path.join(menu, "Microsoft", "Windows", "Start Menu",
                                                    "Programs", "Tintel.lnk")))
        exe = os.path.join(folder, "tintel.exe")
        windows_exe = wine("winepath", "-w", exe)[1].strip()
        self.assertEqual(self.run_value(), '"%s" noshow' % windows_exe)

        # A running Tintel is closed for the update and started again afterwards.
        probe("hkcu-dword", PREFS, "Longitude", "-7400")
        with open(os.path.join(ARGS.work, "installed-tintel.log"), "w+b") as log:
            running = subprocess.Popen(["wine", exe, "noshow"], stdout=log,
                                       stderr=subprocess.STDOUT)
        try:
            self.assertTrue(wait_until(lambda: probe("window", "ytWindow", "Tintel")[1] == "hidden",
                                       60))
            wine(installer, "/S")
            self.assertEqual(running.wait(timeout=60), 0)
            self.assertTrue(wait_until(lambda: probe("window", "ytWindow", "Tintel")[1] == "hidden",
                                       60), "the installer starts the program it closed")
        finally:
            if running.poll() is None:
                running.kill()

        # The uninstaller closes it again and removes everything, the logon entry too.
        wine(os.path.join(folder, "uninstall.exe"), "/S")
        self.assertTrue(wait_until(lambda: not os.path.exists(folder), 60),
                        os.listdir(folder) if os.path.exists(folder) else "")
        self.assertIsNone(self.run_value())
        self.assertEqual(probe("window", "ytWindow", "Tintel")[1], "none")

    def start_program(self, name, site_dir, disable):
        folder = os.path.join(ARGS.work, name)
        os.makedirs(folder, exist_ok=True)
        program = os.path.join(folder, "tintel.exe")
        shutil.copyfile(ARGS.program, program)
        probe("delete", "Software\\Brisbel\\tintel")
        probe("hkcu-dword", PREFS, "Longitude", "-7400")
        probe("hkcu-dword", PREFS, "DisableUpdate", str(disable))
        set_string(PREFS, "UpdateSite", self.base_url + "/" + site_dir)
        set_string(UPDATE, "lastmod", "0.1")
        with open(os.path.join(folder, "program.log"), "w+b") as log:
            process = subprocess.Popen(["wine", program, "noshow"], stdout=log,
                                       stderr=subprocess.STDOUT)
        return folder, process

    def put_feed(self, site_dir, version):
        folder = os.path.join(self.site, site_dir, "update")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "windows.json"), "w") as f:
            f.write('{"version":"%s","message":"Tintel %s makes evenings warmer.",'
                    '"update":"%s/signed/good.exe"}' % (version, version, self.base_url))

    def read(self, name):
        path = os.path.join(self.scratch, name)
        if not os.path.exists(path):
            return ""
        with open(path) as f:
            return f.read()

    def recorded(self):
        return self.read("args.log")

    def downloads(self):
        return self.read("requests.log").count("/site/signed/good.exe")

    def test_4_update_installs_silently_and_exits(self):
        self.put_feed("e2e", "9.9")
        before = self.recorded()
        folder, process = self.start_program("e2e", "e2e", 0)
        try:
            self.assertEqual(process.wait(timeout=120), 0)
        finally:
            if process.poll() is None:
                process.kill()
        self.assertEqual(self.recorded()[len(before):], "1\n/S\n")
        self.assertEqual(registry(UPDATE).get("lastwebmod"), "9.9")
        self.assertTrue(os.path.exists(os.path.join(folder, "update", "setup.exe")))

    def test_5_asking_later_and_skip_install_nothing(self):
        # Later (2) leaves everything; Skip (3) remembers the version so it never asks again.
        for answer, remembered, site_dir in ((2, "", "ask"), (3, "9.10", "skip")):
            with self.subTest(answer=answer):
                self.put_feed(site_dir, "9.10")
                before, downloads = self.recorded(), self.downloads()
                folder, process = self.start_program(site_dir, site_dir, 1)
                try:
                    shown = wait_until(
                        lambda: probe("window", "#32770", PROMPT_TITLE)[1] == "visible", 90)
                    self.assertTrue(shown, "the update prompt did not appear")
                    time.sleep(1)
                    if ARGS.shots and answer == 2:
                        os.makedirs(ARGS.shots, exist_ok=True)
                        subprocess.run(["import", "-window", "root",
                                        os.path.join(ARGS.shots, "update-prompt-windows.png")],
                                       timeout=30)
                    self.assertEqual(probe("answer", PROMPT_TITLE, str(answer))[0], 0)
                    self.assertTrue(wait_until(
                        lambda: probe("window", "#32770", PROMPT_TITLE)[1] == "none", 20))
                    time.sleep(2)
                    self.assertIsNone(process.poll(), "the program keeps running")
                    self.assertEqual(self.recorded(), before)
                    self.assertEqual(self.downloads(), downloads)
                    self.assertEqual(registry(UPDATE).get("lastwebmod", ""), remembered)
                    self.assertFalse(os.path.exists(os.path.join(folder, "update")))
                    probe("close", "ytWindow", "Tintel")
                    self.assertEqual(process.wait(timeout=30), 0)
                finally:
                    if process.poll() is None:
                        process.kill()


def main():
    global ARGS
    p = argparse.ArgumentParser()
    p.add_argument("--program", required=True)
    p.add_argument("--probe", required=True)
    p.add_argument("--installer-test", required=True)
    p.add_argument("--recorder", required=True)
    p.add_argument("--res", required=True)
    p.add_argument("--work", required=True)
    p.add_argument("--shots")
    ARGS, rest = p.parse_known_args()
    unittest.main(argv=[sys.argv[0], "-v", *rest])


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""The native program's update check, inside tests/update/http_server.py (the feed on 127.0.0.1,
a stand-in browser that logs what it is given): with "DisableUpdate" 1 a newer version brings up
the prompt and Later (Escape) leaves everything; with 0 the installer page goes to the browser and
the version is remembered, without a prompt."""

import os
import time

from startup_test import (HostCase, parse_host_arguments, run_cases, screenshot, wait_until,
                          x_out, xdotool_search)

# The prompt's title as a POSIX regular expression (xdotool's --name).
PROMPT = "^Tintel has an update available\\. Get it now\\?$"
SCRATCH = os.environ.get("TINTEL_TEST_SCRATCH", "")


def read(path):
    return open(path, encoding="utf-8").read() if os.path.exists(path) else ""


class Prompt(HostCase):
    def start(self, site_dir, disable):
        """Serves a feed of version 9.9 under site_dir; starts the program hidden on it."""
        feed = os.path.join(SCRATCH, "site", site_dir, "update")
        os.makedirs(feed, exist_ok=True)
        self.page = "http://127.0.0.1/download/%s/" % site_dir
        with open(os.path.join(feed, "linux.json"), "w") as f:
            f.write('{"version":"9.9","message":"Tintel 9.9 makes evenings warmer.","update":"%s"}'
                    % self.page)
        site = "http://127.0.0.1:%s/site/%s" % (os.environ["TINTEL_TEST_HTTP_PORT"], site_dir)
        self.host.store_preferences({"Longitude": -7396, "DisableUpdate": disable,
                                     "UpdateSite": site})
        self.host.store_preferences({"lastmod": "0.1"}, "Software\\Brisbel\\tintel\\update")
        self.browsed_before = len(self.browsed())
        self.process = self.host.start(["noshow"])

    def browsed(self):
        return read(os.path.join(SCRATCH, "browser.log"))

    def opened_page(self):
        return self.page in self.browsed()[self.browsed_before:]

    def remembered(self):
        return '"lastwebmod"="9.9"' in read(self.host.store())

    def test_later_leaves_everything(self):
        self.start("ask", 1)
        prompt = wait_until(lambda: xdotool_search("--onlyvisible", "--name", PROMPT), 60)
        self.assertTrue(prompt, "the update prompt did not appear")
        time.sleep(1)  # a drawn prompt in the screenshot
        screenshot(os.path.join(ARGS.shots, "update-prompt-linux.png"))
        x_out("xdotool", "windowfocus", "--sync", prompt[0], "key", "Escape")
        self.assertTrue(wait_until(lambda: not xdotool_search("--onlyvisible", "--name", PROMPT),
                                   20))
        time.sleep(1)  # time for a wrong reaction to the answer to show
        self.assertIsNone(self.process.poll(), "Later keeps the program running")
        self.assertFalse(self.opened_page())
        self.assertFalse(self.remembered())
        self.assertEqual(self.host.close(self.process), 0)

    def test_silent_update_opens_the_installer_page(self):
        self.start("silent", 0)
        self.assertTrue(wait_until(self.opened_page, 60), "the installer page was not opened")
        self.assertFalse(xdotool_search("--onlyvisible", "--name", PROMPT))
        self.assertTrue(wait_until(self.remembered, 10))
        self.assertIsNone(self.process.poll(), "Linux keeps running: the user installs")
        self.assertEqual(self.host.close(self.process), 0)


if __name__ == "__main__":
    ARGS, HOST = parse_host_arguments("--shots")
    os.makedirs(ARGS.shots, exist_ok=True)
    run_cases(HOST, Prompt)

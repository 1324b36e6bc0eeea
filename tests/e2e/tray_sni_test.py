#!/usr/bin/env python3
"""The Linux tray icon as a StatusNotifierItem, on a private session bus (run under
dbus-run-session): a watcher and host written here register the item, read its tooltip, picture
and exported menu, click on it, choose from the exported menu, and restart under the program.
Then, with no watcher on the bus, an XEmbed tray (trayer) on the test X server docks the icon and
xdotool clicks on it."""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

ARGS = None
WATCHER = "org.kde.StatusNotifierWatcher"
WATCHER_XML = """
<node><interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
</interface></node>"""


def pump(predicate, timeout):
    """Runs the main context until predicate() holds or the time is up."""
    end = time.monotonic() + timeout
    context = GLib.MainContext.default()
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        context.iteration(False)
        time.sleep(0.02)
    return predicate()


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout.split()


def tintel_visible():
    return xdotool("search", "--onlyvisible", "--name", "^Tintel$")


def menu_windows():
    """Mapped override-redirect windows: GTK's popup menus."""
    out = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True, text=True).stdout
    found = []
    for wid in re.findall(r"^\s+(0x[0-9a-f]+)", out, re.M):
        info = subprocess.run(["xwininfo", "-id", wid], capture_output=True, text=True).stdout
        if "Map State: IsViewable" in info and "Override Redirect State: yes" in info:
            size = re.search(r"Width: (\d+).*?Height: (\d+)", info, re.S)
            if size and int(size.group(1)) > 50 and int(size.group(2)) > 100:
                found.append(wid)
    return found


class Watcher:
    """A StatusNotifierWatcher with a host: remembers the items that register."""

    def __init__(self, bus):
        self.bus, self.items = bus, []
        node = Gio.DBusNodeInfo.new_for_xml(WATCHER_XML)
        self.reg = bus.register_object("/StatusNotifierWatcher", node.interfaces[0], self.call,
                                       self.get, None)
        self.owner = Gio.bus_own_name_on_connection(bus, WATCHER, Gio.BusNameOwnerFlags.NONE,
                                                    None, None)

    def call(self, conn, sender, path, iface, method, params, invocation):
        if method == "RegisterStatusNotifierItem":
            self.items.append(params.unpack()[0])
        invocation.return_value(None)

    def get(self, conn, sender, path, iface, prop):
        return {"RegisteredStatusNotifierItems": GLib.Variant("as", self.items),
                "IsStatusNotifierHostRegistered": GLib.Variant("b", True),
                "ProtocolVersion": GLib.Variant("i", 0)}[prop]

    def stop(self):
        Gio.bus_unown_name(self.owner)
        self.bus.unregister_object(self.reg)


class TrayTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tintel-tray-", dir=ARGS.work)
        self.env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(self.dir, "config"),
                        XDG_RUNTIME_DIR=tempfile.mkdtemp(prefix="tintel-rt-"))
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        self.process = None
        self.helpers = []

    def tearDown(self):
        for p in [self.process] + self.helpers:
            if p and p.poll() is None:
                p.kill()
                p.wait()
        shutil.rmtree(self.env["XDG_RUNTIME_DIR"], ignore_errors=True)

    def start(self, preferences=None):
        # A location is set (else the first tick asks for one in the location dialog first).
        config = os.path.join(self.env["XDG_CONFIG_HOME"], "Brisbel")
        os.makedirs(config, exist_ok=True)
        with open(os.path.join(config, "preferences.reg"), "w") as f:
            f.write("[Software\\Brisbel\\tintel\\Preferences]\n" + (preferences or
                    "\"Longitude\"=dword:000005dc\n"))
        with open(os.path.join(self.dir, "program.log"), "wb") as log:
            self.process = subprocess.Popen([ARGS.program, "noshow"], env=self.env, stdout=log,
                                            stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)

    def item(self, name, method, *args):
        sig = "(" + "i" * len(args) + ")" if args else None
        return self.bus.call_sync(name, "/StatusNotifierItem", "org.kde.StatusNotifierItem",
                                  method, GLib.Variant(sig, args) if sig else None, None,
                                  Gio.DBusCallFlags.NONE, 5000, None)

    def prop(self, name, prop):
        reply = self.bus.call_sync(name, "/StatusNotifierItem", "org.freedesktop.DBus.Properties",
                                   "Get", GLib.Variant("(ss)", ("org.kde.StatusNotifierItem", prop)),
                                   None, Gio.DBusCallFlags.NONE, 5000, None)
        return reply.unpack()[0]

    def layout(self, name):
        self.bus.call_sync(name, "/MenuBar", "com.canonical.dbusmenu", "AboutToShow",
                           GLib.Variant("(i)", (0,)), None, Gio.DBusCallFlags.NONE, 5000, None)
        reply = self.bus.call_sync(name, "/MenuBar", "com.canonical.dbusmenu", "GetLayout",
                                   GLib.Variant("(iias)", (0, -1, [])), None,
                                   Gio.DBusCallFlags.NONE, 5000, None)
        return reply.unpack()[1]

    @staticmethod
    def entries(node, indent=""):
        """(line, id) pairs: the label with its check and grey marks, submenus indented."""
        out = []
        for child in node[2]:
            ident, props, _ = child
            if props.get("type") == "separator":
                line = "-"
            else:
                line = ("[x] " if props.get("toggle-state") == 1 else "") + props.get("label", "")
                if props.get("enabled") is False:
                    line += " (grey)"
            out.append((indent + line, ident))
            out += TrayTest.entries(child, indent + "  ")
        return out

    def click(self, name, ident):
        self.bus.call_sync(name, "/MenuBar", "com.canonical.dbusmenu", "Event",
                           GLib.Variant("(isvu)", (ident, "clicked", GLib.Variant("i", 0), 0)),
                           None, Gio.DBusCallFlags.NONE, 5000, None)

    def test_status_notifier_item(self):
        watcher = Watcher(self.bus)
        self.start()
        self.assertTrue(pump(lambda: watcher.items, 20), "the item never registered")
        name = watcher.items[0]

        tip = self.prop(name, "ToolTip")
        self.assertEqual(tip[2], "Tintel")
        self.assertTrue(pump(lambda: "currently" in self.prop(name, "ToolTip")[3], 10),
                        "the tooltip does not follow the status line")
        self.assertRegex(self.prop(name, "ToolTip")[3],
                         r"^Sun(rise|set)( in |: ).*: currently \d+K.* \((day|night)\)$")
        pixmaps = self.prop(name, "IconPixmap")
        self.assertEqual(len(pixmaps), 1)
        width, height, data = pixmaps[0]
        self.assertEqual(len(data), width * height * 4)
        self.assertTrue(any(data[i] for i in range(0, len(data), 4)), "an empty picture")

        # The exported menu: the tray menu's items with their checks.
        lines = [line for line, _ in self.entries(self.layout(name))]
        self.assertEqual(lines[0], "Settings...")
        self.assertIn("Lighting at night", lines)
        self.assertIn("  [x] 3400k: Halogen", lines)
        self.assertIn("  1200k: Ember", lines)  # the range is always open on Linux
        self.assertNotIn("  Expand Color Range", lines)
        self.assertIn("Darkroom Mode", lines)
        self.assertIn("[x] Install updates automatically", lines)
        self.assertRegex(lines[-1], r"^Exit Tintel \(v\d+\.\d+\)$")

        # Choosing a preset there changes the night colour; the next layout shows it checked.
        ident = dict(self.entries(self.layout(name)))["  1900k: Candle"]
        self.click(name, ident)
        self.assertTrue(pump(lambda: "  [x] 1900k: Candle" in
                             [line for line, _ in self.entries(self.layout(name))], 10))

        # Activate (the left click) shows the window.
        self.assertFalse(tintel_visible())
        self.item(name, "Activate", 0, 0)
        self.assertTrue(pump(tintel_visible, 10), "Activate did not show the window")

        # ContextMenu (the right click) opens the program's own menu at the position.
        before = set(menu_windows())
        self.item(name, "ContextMenu", 300, 200)
        opened = pump(lambda: set(menu_windows()) - before, 10)
        self.assertTrue(opened, "ContextMenu opened no menu")
        if ARGS.screenshots:
            subprocess.run(["import", "-window", "root",
                            os.path.join(ARGS.screenshots, "sni-menu.png")])
        subprocess.run(["xdotool", "key", "Escape"])
        self.assertTrue(pump(lambda: not (set(menu_windows()) - before), 10))

        # A restarted watcher gets the item registered again.
        watcher.stop()
        pump(lambda: False, 1)
        watcher = Watcher(self.bus)
        self.assertTrue(pump(lambda: watcher.items, 20), "no registration with the new watcher")

        # The exit item ends the program.
        exit_id = [i for line, i in self.entries(self.layout(name)) if line.startswith("Exit")][0]
        self.click(name, exit_id)
        self.assertEqual(self.process.wait(timeout=20), 0)
        watcher.stop()

    def test_xembed_icon_without_a_watcher(self):
        with open(os.path.join(self.dir, "trayer.log"), "wb") as log:
            trayer = subprocess.Popen(["trayer", "--edge", "top", "--align", "right", "--width",
                                       "10", "--height", "32", "--SetDockType", "false"],
                                      stdout=log, stderr=subprocess.STDOUT)
        self.helpers.append(trayer)
        self.assertTrue(pump(lambda: xdotool("search", "--class", "trayer"), 10), "no trayer")
        self.start()
        # The icon docks: a window of the program inside trayer's window.
        icon = pump(self.docked_icon, 20)
        self.assertTrue(icon, "the icon did not dock")
        x, y = icon
        if ARGS.screenshots:
            subprocess.run(["import", "-window", "root",
                            os.path.join(ARGS.screenshots, "xembed-docked.png")])
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"])
        self.assertTrue(pump(tintel_visible, 10), "a left click did not show the window")
        before = set(menu_windows())
        # The menu opens for the press once the button is up, and the release does not close it.
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "mousedown", "3"])
        pump(lambda: False, 0.5)
        subprocess.run(["xdotool", "mouseup", "3"])
        self.assertTrue(pump(lambda: set(menu_windows()) - before, 10), "no menu on a right click")
        pump(lambda: False, 0.7)
        self.assertTrue(set(menu_windows()) - before, "the release closed the menu")
        if ARGS.screenshots:
            subprocess.run(["import", "-window", "root",
                            os.path.join(ARGS.screenshots, "xembed-menu.png")])
        subprocess.run(["xdotool", "key", "Escape"])
        self.process.send_signal(signal.SIGTERM)
        self.assertEqual(self.process.wait(timeout=20), 0)

    def ramps(self):
        out = subprocess.run([ARGS.ramp_probe, "get"], capture_output=True, text=True).stdout
        return {line.split("\t")[0]: list(map(int, line.split("\t")[1].split()))
                for line in out.splitlines() if "\t" in line}

    def test_hotkeys_dim_and_disable(self):
        # Day and night at 6500 K: the ramps are neutral whatever the time of day.
        self.start("\"Outdoor\"=dword:00001964\n\"Indoor\"=dword:00001964\n"
                   "\"Longitude\"=dword:000005dc\n")
        identity = [round(i * 65535 / 255) for i in range(256)]

        def top(channel):
            return {name: ramp[channel * 256 + 255] for name, ramp in self.ramps().items()}

        self.assertTrue(pump(lambda: self.ramps() and all(
            ramp[:256] == identity for ramp in self.ramps().values()), 20), "not neutral at start")
        def item_names():
            listed = self.bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                        "org.freedesktop.DBus", "ListNames", None, None,
                                        Gio.DBusCallFlags.NONE, 5000, None).unpack()[0]
            return [n for n in listed if n.startswith("org.kde.StatusNotifierItem-")]

        names = pump(item_names, 10)
        self.assertTrue(names, "the item took no bus name")

        # Alt+Page Down: a third of a stop darker (0.794) and a little warmer.
        subprocess.run(["xdotool", "key", "alt+Next"])
        step = 2 ** (-1 / 3)
        self.assertTrue(pump(lambda: all(abs(r - 65535 * step) < 0.02 * 65535
                                         for r in top(0).values()), 10), top(0))
        self.assertTrue(all(top(2)[n] < top(0)[n] for n in top(0)), "the dimmed colour is not warmer")
        lines = [line for line, _ in self.entries(self.layout(names[0]))]
        self.assertIn("Return to Full Brightness", lines)

        # Alt+End: disabled for an hour, back to neutral at full brightness.
        subprocess.run(["xdotool", "key", "alt+End"])
        self.assertTrue(pump(lambda: all(ramp[:256] == identity for ramp in self.ramps().values()),
                             15), top(0))
        lines = [line for line, _ in self.entries(self.layout(names[0]))]
        self.assertIn("[x] Disable for an hour", lines)
        self.process.send_signal(signal.SIGTERM)
        self.assertEqual(self.process.wait(timeout=20), 0)

    def docked_icon(self):
        """The centre of the program's icon window inside trayer, or None."""
        out = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True).stdout
        # The icon is the window of class "tintel" that GTK embeds in the tray's panel.
        match = re.search(r'"Tintel": \("tintel" "tintel"\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+'
                          r'\s+\+(-?\d+)\+(-?\d+)', out)
        if not match:
            return None
        w, h, x, y = map(int, match.groups())
        return (x + w // 2, y + h // 2) if w > 1 and h > 1 else None


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--screenshots")
    parser.add_argument("--ramp-probe", required=True)
    ARGS, rest = parser.parse_known_args()
    os.makedirs(ARGS.work, exist_ok=True)
    if ARGS.screenshots:
        os.makedirs(ARGS.screenshots, exist_ok=True)
    unittest.main(argv=[sys.argv[0], *rest])

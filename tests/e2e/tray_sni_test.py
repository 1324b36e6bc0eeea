#!/usr/bin/env python3
"""The Linux tray icon: a StatusNotifierItem on a private session bus (dbus-run-session), seen
by a watcher and host written here; with no watcher, an XEmbed icon docked in trayer."""

import os
import subprocess

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402
from startup_test import (HostCase, LinuxHost, docked_icon, parse_host_arguments,  # noqa: E402
                          popup_menus, run_cases, screenshot, wait_until, xdotool_search)

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
    context = GLib.MainContext.default()

    def step():
        while context.iteration(False):
            pass
        return predicate()
    return wait_until(step, timeout, 0.02)


def tintel_visible():
    return xdotool_search("--onlyvisible", "--name", "^Tintel$")


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


class TrayTest(HostCase):
    def setUp(self):
        super().setUp()
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION)

    def start(self):
        # A location is set: a first run would ask for one before anything else.
        self.host.store_preferences({"Longitude": 1500})
        self.process = self.host.start(["noshow"])
        self.wait_window("hidden")

    def call(self, name, path, method, signature=None, args=None,
             interface="com.canonical.dbusmenu"):
        return self.bus.call_sync(name, path, interface, method,
                                  GLib.Variant(signature, args) if signature else None, None,
                                  Gio.DBusCallFlags.NONE, 5000, None).unpack()

    def prop(self, name, prop):
        return self.call(name, "/StatusNotifierItem", "Get", "(ss)",
                         ("org.kde.StatusNotifierItem", prop),
                         "org.freedesktop.DBus.Properties")[0]

    def entries(self, name):
        """(line, id) of each exported item: its check mark, label and " (grey)" when disabled;
        submenus indented."""
        self.call(name, "/MenuBar", "AboutToShow", "(i)", (0,))

        def walk(items, indent):
            for ident, props, children in items:
                yield (indent + ("[x] " if props.get("toggle-state") == 1 else "") +
                       props.get("label", "") + (" (grey)" if props.get("enabled") is False
                                                 else ""), ident)
                yield from walk(children, indent + "  ")
        return list(walk(self.call(name, "/MenuBar", "GetLayout", "(iias)", (0, -1, []))[1][2],
                         ""))

    def lines(self, name):
        return [line for line, _ in self.entries(name)]

    def click(self, name, line):
        ident = [i for text, i in self.entries(name) if text.startswith(line)][0]
        self.call(name, "/MenuBar", "Event", "(isvu)",
                  (ident, "clicked", GLib.Variant("i", 0), 0))

    def test_status_notifier_item(self):
        watcher = Watcher(self.bus)
        self.start()
        self.assertTrue(pump(lambda: watcher.items, 20), "the item never registered")
        name = watcher.items[0]

        self.assertEqual(self.prop(name, "ToolTip")[2], "Tintel")
        self.assertTrue(pump(lambda: "currently" in self.prop(name, "ToolTip")[3], 10),
                        "the tooltip does not follow the status line")
        self.assertRegex(self.prop(name, "ToolTip")[3],
                         r"^Sun(rise|set)( in |: ).*: currently \d+K.* \((day|night)\)$")
        pixmaps = self.prop(name, "IconPixmap")
        self.assertEqual(len(pixmaps), 1)
        width, height, data = pixmaps[0]
        self.assertEqual(len(data), width * height * 4)
        self.assertTrue(any(data[i] for i in range(0, len(data), 4)), "an empty picture")

        # The exported menu: the tray menu's items, submenus and checks.
        lines = self.lines(name)
        self.assertEqual(lines[0], "Settings...")
        for line in ("Lighting at night", "  [x] 3400k: Halogen",
                     "[x] Install updates automatically"):
            self.assertIn(line, lines)
        self.assertRegex(lines[-1], r"^Exit Tintel \(v\d+\.\d+\)$")
        # Choosing a preset there changes the night colour; the next layout shows it checked.
        self.click(name, "  1900k: Candle")
        self.assertTrue(pump(lambda: "  [x] 1900k: Candle" in self.lines(name), 10))

        # Activate (the left click) shows the window.
        self.assertFalse(tintel_visible())
        self.call(name, "/StatusNotifierItem", "Activate", "(ii)", (0, 0),
                  "org.kde.StatusNotifierItem")
        self.assertTrue(pump(tintel_visible, 10), "Activate did not show the window")
        # ContextMenu (the right click) opens the program's own menu at the position.
        before = set(popup_menus())
        self.call(name, "/StatusNotifierItem", "ContextMenu", "(ii)", (300, 200),
                  "org.kde.StatusNotifierItem")
        self.assertTrue(pump(lambda: set(popup_menus()) - before, 10), "ContextMenu: no menu")
        screenshot(os.path.join(ARGS.screenshots, "sni-menu.png"))
        subprocess.run(["xdotool", "key", "Escape"])
        self.assertTrue(pump(lambda: not (set(popup_menus()) - before), 10))

        # A restarted watcher gets the item registered again.
        watcher.stop()
        pump(lambda: False, 1)
        watcher = Watcher(self.bus)
        self.assertTrue(pump(lambda: watcher.items, 20), "no registration with the new watcher")
        # The exit item ends the program.
        self.click(name, "Exit")
        self.assertEqual(self.process.wait(timeout=20), 0)
        watcher.stop()

    def test_xembed_icon_without_a_watcher(self):
        self.assertTrue(self.host.start_trayer("top"), "no trayer")
        self.start()
        icon = pump(lambda: docked_icon('"Tintel": ("tintel" "tintel")'), 20)
        self.assertTrue(icon, "the icon did not dock")
        screenshot(os.path.join(ARGS.screenshots, "xembed-docked.png"))
        at = ["mousemove", *map(str, icon)]
        subprocess.run(["xdotool", *at, "click", "1"])
        self.assertTrue(pump(tintel_visible, 10), "a left click did not show the window")
        # The menu opens for the press once the button is up, and the release does not close it.
        before = set(popup_menus())
        subprocess.run(["xdotool", *at, "mousedown", "3", "sleep", "0.5", "mouseup", "3"])
        self.assertTrue(pump(lambda: set(popup_menus()) - before, 10), "no menu on a right click")
        pump(lambda: False, 0.7)
        self.assertTrue(set(popup_menus()) - before, "the release closed the menu")
        screenshot(os.path.join(ARGS.screenshots, "xembed-menu.png"))
        subprocess.run(["xdotool", "key", "Escape"])
        self.assertEqual(self.host.close(self.process), 0)


if __name__ == "__main__":
    ARGS, HOST = parse_host_arguments("--screenshots")
    assert isinstance(HOST, LinuxHost)
    os.makedirs(ARGS.screenshots, exist_ok=True)
    run_cases(HOST, TrayTest)

#!/usr/bin/python3
"""Draws Tintel's artwork and writes every file made from it.

    tools/artwork/make_artwork.py --kelvin-tool PATH [--psd-writer FOLDER] OUTPUT_ROOT

PATH is the kelvin_colours program (built from tools/artwork/kelvin_colours.cpp with the program's
own colour code); FOLDER is a copy of tools/psd-writer with its packages installed (the default
is tools/psd-writer itself); OUTPUT_ROOT is the repository root, or a scratch folder laid out like
it. Writes:

    res/tintel.psd, res/tintel.tre          the settings window (layout "tintel")
    res/tintelparts.psd                     the window's button state pictures
    res/magictoken.psd, res/magictoken.tre  the notification overlay (200 x 200)
    res/tintel.ico                          the program's icon (16, 20, 24, 32, 48 and 256 pixels)
    app/tray_icon_pixels.cpp                the same icon as compiled-in pixels for the tray

Everything is drawn with Cairo (Debian's python3-cairo) and written with the project's PSD writer
(tools/psd-writer, ag-psd pinned in its package lock), so the same inputs give the same bytes.
The layer names carry the node kinds and names of the layout grammar; the layout scripts are
written here too, beside the geometry they refer to.

Contents: 1. drawing helpers  2. colours  3. the settings window  4. the button states
          5. the overlay  6. the icon  7. writing the files
"""
import argparse
import io
import json
import math
import os
import struct
import subprocess
import tempfile

import cairo

HERE = os.path.dirname(os.path.abspath(__file__))
WRITER = os.path.join(HERE, "..", "psd-writer")

# ---- 1. drawing helpers -------------------------------------------------------------------------


def hexrgb(text):
    """(r, g, b) in 0..1 from "#rrggbb"."""
    return tuple(int(text[i:i + 2], 16) / 255 for i in (1, 3, 5))


def rounded(cr, x, y, w, h, r):
    """Adds a rounded rectangle path."""
    r = min(r, w / 2, h / 2)
    cr.new_sub_path()
    cr.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    cr.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    cr.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    cr.arc(x + r, y + r, r, math.pi, 3 * math.pi / 2)
    cr.close_path()


class Picture:
    """One layer's pixels: a Cairo surface and where it sits on the canvas."""

    def __init__(self, width, height):
        self.surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, width, height)
        self.width, self.height = width, height

    def context(self):
        return cairo.Context(self.surface)

    def rgba(self):
        """Straight (not premultiplied) RGBA bytes, rows top to bottom."""
        self.surface.flush()
        data = bytes(self.surface.get_data())
        stride = self.surface.get_stride()
        out = bytearray(self.width * self.height * 4)
        o = 0
        for y in range(self.height):
            row = data[y * stride:y * stride + self.width * 4]
            for x in range(0, self.width * 4, 4):
                b, g, r, a = row[x], row[x + 1], row[x + 2], row[x + 3]
                if a:
                    half = a // 2
                    out[o:o + 4] = bytes(((r * 255 + half) // a, (g * 255 + half) // a,
                                          (b * 255 + half) // a, a))
                o += 4
        return bytes(out)


def flat(width, height, rgb, alpha=1.0):
    """A picture of one colour: what text and colour layers read their colour from."""
    pic = Picture(width, height)
    cr = pic.context()
    cr.set_source_rgba(*rgb, alpha)
    cr.paint()
    return pic


def empty(width, height):
    return Picture(width, height)


def soft_shadow(cr, x, y, w, h, r, spread, alpha):
    """A soft shadow: rounded rectangles growing outwards with falling opacity."""
    for i in range(spread, 0, -1):
        t = i / spread
        cr.set_source_rgba(0.09, 0.11, 0.16, alpha * (1 - t) ** 2 / spread * 3.2)
        rounded(cr, x - i, y - i, w + 2 * i, h + 2 * i, r + i)
        cr.fill()


# ---- 2. colours ---------------------------------------------------------------------------------

PAPER = hexrgb("#f7f8fa")
INK = hexrgb("#262a33")
MUTED = hexrgb("#6b7280")
LINE = hexrgb("#dfe3ea")
ACCENT = hexrgb("#5174d0")  # the overlay's text colour, the window's accent
ACCENT_DARK = hexrgb("#3f5fb8")
WHITE = (1.0, 1.0, 1.0)
SUN = hexrgb("#ffb43f")
SUN_RIM = hexrgb("#f28a2e")
MOON = hexrgb("#eef2fb")
NIGHT = hexrgb("#34508f")
HIGHLIGHT = hexrgb("#fff1dc")
HIGHLIGHT_LINE = hexrgb("#f0a34a")

KELVIN_LOW, KELVIN_HIGH = 2700, 6500


def kelvin_colours(tool, kelvins):
    """The program's own multipliers for each temperature, as (r, g, b) in 0..1."""
    out = subprocess.run([tool] + [str(k) for k in kelvins], check=True, capture_output=True,
                         text=True).stdout
    colours = {}
    for line in out.splitlines():
        k, r, g, b = line.split()
        colours[int(k)] = tuple(min(1.0, max(0.0, float(v))) for v in (r, g, b))
    return [colours[k] for k in kelvins]


def slider_kelvins(steps):
    """Temperatures evenly spaced in mired from 2700 K to 6500 K, as the sliders map them."""
    low, high = 1e6 / KELVIN_LOW, 1e6 / KELVIN_HIGH
    return [int(round(1e6 / (low + (high - low) * i / (steps - 1)))) for i in range(steps)]


# ---- 3. the settings window ---------------------------------------------------------------------

WIDTH, HEIGHT = 554, 243
CARD = (10, 8, 534, 224)  # x, y, width, height: the popup itself; the rest is its shadow
CARD_RADIUS = 14
SKY = (24, 22, 252, 158)
SKY_RADIUS = 10


class Layer:
    def __init__(self, name, left, top, picture, opacity=1.0):
        self.name, self.left, self.top = name, left, top
        self.picture, self.opacity = picture, opacity


def card_picture():
    """The popup: a rounded light card with a soft shadow, on a transparent canvas."""
    pic = Picture(WIDTH, HEIGHT)
    cr = pic.context()
    x, y, w, h = CARD
    soft_shadow(cr, x, y + 3, w, h, CARD_RADIUS, 10, 0.30)
    rounded(cr, x, y, w, h, CARD_RADIUS)
    cr.set_source_rgb(*PAPER)
    cr.fill_preserve()
    cr.set_source_rgba(0, 0, 0, 0.10)
    cr.set_line_width(1)
    cr.stroke()
    return pic


def sky_picture():
    """The day sky: light from above fading to a pale haze at the bottom."""
    _, _, w, h = SKY
    pic = Picture(w, h)
    cr = pic.context()
    gradient = cairo.LinearGradient(0, 0, 0, h)
    gradient.add_color_stop_rgb(0, *hexrgb("#3f7bd6"))
    gradient.add_color_stop_rgb(0.55, *hexrgb("#7fb0ea"))
    gradient.add_color_stop_rgb(1, *hexrgb("#d4e6f8"))
    rounded(cr, 0, 0, w, h, SKY_RADIUS)
    cr.set_source(gradient)
    cr.fill()
    # Two faint wisps of cloud high up.
    for cx, cy, scale in ((58, 30, 1.0), (196, 48, 0.75)):
        for dx, dy, r in ((-16, 4, 9), (-4, -2, 12), (10, 2, 10), (22, 6, 7)):
            glow = cairo.RadialGradient(cx + dx * scale, cy + dy * scale, 0,
                                        cx + dx * scale, cy + dy * scale, r * scale * 1.6)
            glow.add_color_stop_rgba(0, 1, 1, 1, 0.30)
            glow.add_color_stop_rgba(1, 1, 1, 1, 0)
            cr.set_source(glow)
            cr.arc(cx + dx * scale, cy + dy * scale, r * scale * 1.6, 0, 2 * math.pi)
            cr.fill()
    return pic


def warm_picture():
    """The warm area below the horizon: dusk at the horizon deepening into the night."""
    _, _, w, _ = SKY
    h = 64
    pic = Picture(w, h)
    cr = pic.context()
    gradient = cairo.LinearGradient(0, 0, 0, h)
    gradient.add_color_stop_rgb(0, *hexrgb("#f6b268"))
    gradient.add_color_stop_rgb(0.35, *hexrgb("#d9825f"))
    gradient.add_color_stop_rgb(1, *hexrgb("#6d4a78"))
    cr.rectangle(0, 0, w, h)
    cr.set_source(gradient)
    cr.fill()
    # The horizon itself: a bright line.
    cr.set_source_rgba(1, 0.95, 0.85, 0.9)
    cr.rectangle(0, 0, w, 1)
    cr.fill()
    return pic


def sky_frame_picture():
    """Rounds the sky's corners over what the program draws in it, with a faint inner edge."""
    _, _, w, h = SKY
    pic = Picture(w, h)
    cr = pic.context()
    cr.set_fill_rule(cairo.FILL_RULE_EVEN_ODD)
    cr.rectangle(0, 0, w, h)
    rounded(cr, 0, 0, w, h, SKY_RADIUS)
    cr.set_source_rgb(*PAPER)
    cr.fill()
    cr.set_fill_rule(cairo.FILL_RULE_WINDING)
    rounded(cr, 0.5, 0.5, w - 1, h - 1, SKY_RADIUS - 0.5)
    cr.set_source_rgba(0.05, 0.12, 0.25, 0.18)
    cr.set_line_width(1)
    cr.stroke()
    return pic


def sun_picture(size=40):
    """The sun: a warm disc in a soft glow."""
    pic = Picture(size, size)
    cr = pic.context()
    c = size / 2
    glow = cairo.RadialGradient(c, c, size * 0.22, c, c, c)
    glow.add_color_stop_rgba(0, 1.0, 0.86, 0.45, 0.65)
    glow.add_color_stop_rgba(1, 1.0, 0.86, 0.45, 0.0)
    cr.arc(c, c, c, 0, 2 * math.pi)
    cr.set_source(glow)
    cr.fill()
    disc = cairo.RadialGradient(c - 3, c - 3, 1, c, c, size * 0.26)
    disc.add_color_stop_rgb(0, *hexrgb("#fff3b8"))
    disc.add_color_stop_rgb(0.6, *SUN)
    disc.add_color_stop_rgb(1, *SUN_RIM)
    cr.arc(c, c, size * 0.25, 0, 2 * math.pi)
    cr.set_source(disc)
    cr.fill()
    return pic


def moon_picture(size=34):
    """The moon: a pale crescent with a faint halo."""
    pic = Picture(size, size)
    cr = pic.context()
    c = size / 2
    halo = cairo.RadialGradient(c, c, size * 0.2, c, c, c)
    halo.add_color_stop_rgba(0, 0.93, 0.95, 1.0, 0.45)
    halo.add_color_stop_rgba(1, 0.93, 0.95, 1.0, 0.0)
    cr.arc(c, c, c, 0, 2 * math.pi)
    cr.set_source(halo)
    cr.fill()
    cr.push_group()
    cr.arc(c, c, size * 0.28, 0, 2 * math.pi)
    cr.set_source_rgb(*MOON)
    cr.fill()
    cr.set_operator(cairo.OPERATOR_CLEAR)
    cr.arc(c + size * 0.13, c - size * 0.09, size * 0.24, 0, 2 * math.pi)
    cr.fill()
    cr.pop_group_to_source()
    cr.paint()
    return pic


def glyph_picture(kind, size=18):
    """A small sun with rays or a crescent moon before the slider rows' labels."""
    pic = Picture(size, size)
    cr = pic.context()
    c = size / 2
    if kind == "sun":
        cr.set_source_rgb(*SUN_RIM)
        cr.arc(c, c, size * 0.2, 0, 2 * math.pi)
        cr.fill()
        cr.set_line_width(1.6)
        cr.set_line_cap(cairo.LINE_CAP_ROUND)
        for i in range(8):
            a = i * math.pi / 4
            cr.move_to(c + math.cos(a) * size * 0.32, c + math.sin(a) * size * 0.32)
            cr.line_to(c + math.cos(a) * size * 0.44, c + math.sin(a) * size * 0.44)
        cr.stroke()
    else:
        cr.push_group()
        cr.arc(c, c, size * 0.38, 0, 2 * math.pi)
        cr.fill()
        cr.set_operator(cairo.OPERATOR_CLEAR)
        cr.arc(c + size * 0.2, c - size * 0.16, size * 0.32, 0, 2 * math.pi)
        cr.fill()
        mask = cr.pop_group()
        cr.set_source_rgb(*NIGHT)
        cr.mask(mask)
    return pic


def pill_picture(w, h, rgb, alpha):
    pic = Picture(w, h)
    cr = pic.context()
    rounded(cr, 0, 0, w, h, h / 2)
    cr.set_source_rgba(*rgb, alpha)
    cr.fill()
    return pic


def track_picture(w, h, colours, thumb):
    """A slider track showing the colour each position selects: the position of the thumb's
    centre maps linearly in mired from 2700 K (left) to 6500 K (right)."""
    pic = Picture(w, h)
    cr = pic.context()
    bar = 10
    top = (h - bar) / 2
    gradient = cairo.LinearGradient(thumb / 2, 0, w - thumb / 2, 0)
    for i, rgb in enumerate(colours):
        gradient.add_color_stop_rgb(i / (len(colours) - 1), *rgb)
    rounded(cr, 0.5, top, w - 1, bar, bar / 2)
    cr.set_source(gradient)
    cr.fill_preserve()
    cr.set_source_rgba(0, 0, 0, 0.16)
    cr.set_line_width(1)
    cr.stroke()
    return pic


def thumb_picture(size):
    """A slider's thumb: a white knob with a small shadow and an accent ring."""
    pic = Picture(size, size)
    cr = pic.context()
    c = size / 2
    for i in range(3, 0, -1):
        cr.set_source_rgba(0.05, 0.08, 0.15, 0.07)
        cr.arc(c, c + 1, c - 3 + i, 0, 2 * math.pi)
        cr.fill()
    cr.arc(c, c, c - 3, 0, 2 * math.pi)
    cr.set_source_rgb(*WHITE)
    cr.fill_preserve()
    cr.set_source_rgb(*ACCENT)
    cr.set_line_width(2)
    cr.stroke()
    return pic


# Button geometry: (node name, left, top, width, height, style, label).
MAIN_BUTTONS = [
    ("disable", 300, 156, 224, 28, "toggle", "Disable for an hour"),
    ("preview", 300, 194, 108, 28, "secondary", "Preview"),
    ("change", 416, 194, 108, 28, "primary", "Settings"),
    ("changeloc2", 24, 186, 252, 36, "location", ""),
]
ICON_BUTTONS = [
    ("hamburger", 470, 18, 28, 28, "icon-menu", ""),
    ("exit", 502, 18, 28, 28, "icon-close", ""),
]
SETTINGS_BUTTONS = [
    ("done", 396, 18, 64, 28, "primary", "Done"),
    ("fast", 126, 148, 92, 28, "segment-left", "Fast"),
    ("slow", 218, 148, 92, 28, "segment-right", "Slow"),
    ("expandcolor", 330, 148, 194, 28, "warning", "Expand Color Range"),
    ("changeloc", 30, 194, 150, 28, "secondary", "Change location..."),
]
TRACK = (126, 0, 320, 28)  # left, (row), width, height of both slider tracks
THUMB = 22
ROWS = {"day": 62, "night": 104}

# Label colours per style (normal, hover, pressed or checked), 0xAARRGGBB.
LABEL_COLOURS = {
    "primary": "ffffffff ffffffff ffffffff",
    "secondary": "ff262a33 ff262a33 ff262a33",
    "toggle": "ff262a33 ff262a33 ffffffff",
    "segment-left": "ff262a33 ff262a33 ffffffff",
    "segment-right": "ff262a33 ff262a33 ffffffff",
    "warning": "ff8a4b00 ff8a4b00 ff8a4b00",
}


def button_kind(style):
    toggles = ("toggle", "segment-left", "segment-right", "location")
    return "buttcon" if style in toggles else "button"


def button_layer(name, left, top, w, h, style, label):
    states = ",".join(f"tintelparts/{name}-{s}" for s in ("normal", "hover", "pressed"))
    kind = button_kind(style)
    # The button's own pixels are its normal picture (the state pictures replace them).
    return Layer(f"{kind}({label},{states}):{name}", left, top, button_state(w, h, style, 0))


def settings_window(colours):
    """The layers of tintel.psd, bottom first, and the layout script that arranges them."""
    cx, cy, cw, ch = CARD
    sx, sy, sw, sh = SKY
    layers = [
        Layer("card", 0, 0, card_picture()),
    ]
    for button in ICON_BUTTONS:
        layers.append(button_layer(*button))
    layers += [
        Layer("clip:main", cx, cy, empty(cw, ch)),
        Layer("divider", 284, 30, flat(1, 186, LINE)),
        Layer("mark", 298, 22, icon_picture(22)),
        Layer("static(Tintel):title", 326, 24, flat(60, 18, INK)),
        Layer("text:current", 292, 50, flat(240, 54, INK)),
        Layer("text:hours", 296, 106, flat(232, 40, MUTED)),
        Layer("clip:sky", sx, sy, empty(sw, sh)),
        Layer("skybg", sx, sy, sky_picture()),
        Layer("warm", sx, sy + sh // 2, warm_picture()),
        Layer("wave", sx, sy, empty(sw, sh)),
        Layer("sun", sx + sw // 2 - 20, sy + 30, sun_picture()),
        Layer("moon", sx + sw // 2 - 17, sy + sh - 50, moon_picture()),
        Layer("skyframe", sx, sy, sky_frame_picture()),
        Layer("previewlabel", sx + 10, sy + 10, pill_picture(86, 22, (0.08, 0.12, 0.22), 0.55)),
        Layer("text(Preview):previewtext", sx + 22, sy + 13, flat(64, 16, WHITE)),
    ]
    for button in MAIN_BUTTONS:
        layers.append(button_layer(*button))
    layers.append(Layer("text:latitude", 38, 186, flat(236, 36, INK)))
    layers += [
        Layer("clip:settings", cx, cy, empty(cw, ch)),
        Layer("static(Settings):settingstitle", 30, 22, flat(80, 20, INK)),
    ]
    for row, (label, n) in (("day", ("Day", 1)), ("night", ("Night", 2))):
        top = ROWS[row]
        layers += [
            Layer(f"{row}icon", 30, top + 5, glyph_picture("sun" if row == "day" else "moon")),
            Layer(f"static({label}):{row}label", 54, top + 6, flat(60, 18, INK)),
            Layer(f"slider{n}", TRACK[0], top, track_picture(TRACK[2], TRACK[3], colours, THUMB)),
            Layer(f"thumb{n}", TRACK[0], top + (TRACK[3] - THUMB) // 2, thumb_picture(THUMB)),
            Layer(f"text:{row}text", TRACK[0] + TRACK[2] + 6, top, flat(72, 28, INK)),
        ]
    layers += [
        Layer("static(Transitions):speedlabel", 30, 154, flat(80, 18, INK)),
        Layer("buttcontainer:speed", 126, 148, empty(184, 28)),
    ]
    for button in SETTINGS_BUTTONS:
        layers.append(button_layer(*button))
    layers.append(Layer("text(Location):loc", 190, 200, flat(330, 18, MUTED)))
    return layers, settings_script()


def settings_script():
    lines = [
        "# The settings window: generated by tools/artwork/make_artwork.py with tintel.psd.",
        "# The main page and the settings page are containers; \"Settings\" swaps them, \"Done\"",
        "# swaps them back.",
        "tintel/main: root",
        "tintel/divider: tintel/main",
        "tintel/mark: tintel/main",
        "tintel/title: tintel/main",
        "Property fontname Calibri",
        "Property fontsize 17",
        "Property fontweight 700",
        "tintel/current: tintel/main",
        "Property fontname Calibri",
        "Property fontsize 44",
        "tintel/hours: tintel/main",
        "Property fontname Calibri",
        "Property fontsize 14",
        "",
        "# The day: the sky, the warm area below the horizon, the day curve, the sun and the moon.",
        "tintel/sky: tintel/main",
    ]
    for child in ("skybg", "warm", "wave", "sun", "moon", "skyframe", "previewlabel"):
        lines.append(f"tintel/{child}: tintel/sky")
    lines += [
        "Property setvisible 0",
        "tintel/previewtext: tintel/previewlabel",
        "Property fontname Calibri",
        "Property fontsize 13",
        "Property fontweight 700",
        "",
    ]
    for name, _, _, _, _, style, _ in MAIN_BUTTONS:
        lines += [f"tintel/{name}: tintel/main"] + button_properties(style)
        if name == "change":
            lines += ["Property showtarget tintel/settings", "Property hidetarget tintel/main"]
        if name == "changeloc2":
            lines.append("Property alias tintel/changeloc")
    lines += [
        "tintel/latitude: tintel/main",
        "Property fontname Calibri",
        "Property fontsize 13",
        "",
        "# The settings page.",
        "tintel/settings: root",
        "Property setvisible 0",
        "tintel/settingstitle: tintel/settings",
        "Property fontname Calibri",
        "Property fontsize 19",
        "Property fontweight 700",
    ]
    for row, n in (("day", 1), ("night", 2)):
        lines += [
            f"tintel/{row}icon: tintel/settings",
            f"tintel/{row}label: tintel/settings",
            "Property fontname Calibri",
            "Property fontsize 15",
            f"tintel/slider{n}: tintel/settings",
            "Property slider 1",
            f"tintel/thumb{n}: tintel/slider{n}",
            f"XConstraint 0, 0, 0, 1, -{THUMB}",
            f"tintel/{row}text: tintel/settings",
            "Property fontname Calibri",
            "Property fontsize 16",
            "Property fontweight 700",
        ]
    lines += [
        "tintel/speedlabel: tintel/settings",
        "Property fontname Calibri",
        "Property fontsize 15",
        "tintel/speed: tintel/settings",
    ]
    for name, _, _, _, _, style, _ in SETTINGS_BUTTONS:
        parent = "tintel/speed" if name in ("fast", "slow") else "tintel/settings"
        lines += [f"tintel/{name}: {parent}"] + button_properties(style)
        if name == "done":
            lines += ["Property showtarget tintel/main", "Property hidetarget tintel/settings"]
        if name == "expandcolor":
            lines.append("Property setvisible 0")
    lines += [
        "tintel/loc: tintel/settings",
        "Property fontname Calibri",
        "Property fontsize 13",
        "",
        "# The corner buttons stay above both pages.",
    ]
    for name, *_ in ICON_BUTTONS:
        lines += [f"tintel/{name}: root", "Property normalcursor 1"]
    lines += [
        "",
        "Tooltip tintel/hamburger",
        "Menu",
        "",
        "Tooltip tintel/exit",
        "Hide",
        "",
    ]
    return "\n".join(lines) + "\n"


def button_properties(style):
    props = ["Property normalcursor 1"]
    if style in LABEL_COLOURS:
        props += ["Property fontname Calibri", "Property fontsize 14",
                  f"Property typecolor {LABEL_COLOURS[style]}"]
    return props


# ---- 4. the button states -----------------------------------------------------------------------

# (fill, border) per style and state (0 normal, 1 hover, 2 pressed or checked); None draws nothing.
STYLE_COLOURS = {
    "primary": [(ACCENT, None), (hexrgb("#6285de"), None), (ACCENT_DARK, None)],
    "secondary": [(WHITE, LINE), (hexrgb("#eef2fb"), hexrgb("#c5d0ea")),
                  (hexrgb("#e1e8f7"), hexrgb("#b7c4e4"))],
    "toggle": [(WHITE, LINE), (hexrgb("#eef2fb"), hexrgb("#c5d0ea")), (ACCENT, ACCENT_DARK)],
    "segment-left": [(WHITE, LINE), (hexrgb("#eef2fb"), hexrgb("#c5d0ea")), (ACCENT, ACCENT_DARK)],
    "segment-right": [(WHITE, LINE), (hexrgb("#eef2fb"), hexrgb("#c5d0ea")), (ACCENT, ACCENT_DARK)],
    "warning": [(HIGHLIGHT, HIGHLIGHT_LINE), (hexrgb("#ffe6c2"), HIGHLIGHT_LINE),
                (hexrgb("#fbd7a6"), HIGHLIGHT_LINE)],
    "location": [(None, None), (hexrgb("#eceff5"), None), (HIGHLIGHT, HIGHLIGHT_LINE)],
    "icon-menu": [(None, None), (hexrgb("#e6e9ef"), None), (hexrgb("#d6dbe4"), None)],
    "icon-close": [(None, None), (hexrgb("#e6e9ef"), None), (hexrgb("#d6dbe4"), None)],
}


def segment_path(cr, w, h, r, left):
    """A rectangle rounded on one side only (the two halves of a radio pair)."""
    cr.new_sub_path()
    if left:
        cr.arc(r + 0.5, r + 0.5, r, math.pi, 3 * math.pi / 2)
        cr.line_to(w, 0.5)
        cr.line_to(w, h - 0.5)
        cr.arc(r + 0.5, h - r - 0.5, r, math.pi / 2, math.pi)
    else:
        cr.move_to(0, 0.5)
        cr.arc(w - r - 0.5, r + 0.5, r, 3 * math.pi / 2, 2 * math.pi)
        cr.arc(w - r - 0.5, h - r - 0.5, r, 0, math.pi / 2)
        cr.line_to(0, h - 0.5)
    cr.close_path()


def button_state(w, h, style, state):
    pic = Picture(w, h)
    cr = pic.context()
    fill, border = STYLE_COLOURS[style][state]
    radius = 7
    if style.startswith("segment"):
        segment_path(cr, w, h, radius, style.endswith("left"))
    elif style.startswith("icon"):
        cr.arc(w / 2, h / 2, w / 2 - 0.5, 0, 2 * math.pi)
    else:
        rounded(cr, 0.5, 0.5, w - 1, h - 1, radius)
    if fill:
        cr.set_source_rgb(*fill)
        cr.fill_preserve()
    if border:
        cr.set_source_rgb(*border)
        cr.set_line_width(1)
        cr.stroke()
    cr.new_path()
    ink = INK if state else MUTED
    if style == "icon-menu":
        cr.set_source_rgb(*ink)
        cr.set_line_width(2)
        cr.set_line_cap(cairo.LINE_CAP_ROUND)
        for dy in (-5, 0, 5):
            cr.move_to(w / 2 - 7, h / 2 + dy)
            cr.line_to(w / 2 + 7, h / 2 + dy)
        cr.stroke()
    elif style == "icon-close":
        cr.set_source_rgb(*ink)
        cr.set_line_width(2)
        cr.set_line_cap(cairo.LINE_CAP_ROUND)
        for dx in (-5, 5):
            cr.move_to(w / 2 - 5, h / 2 - dx)
            cr.line_to(w / 2 + 5, h / 2 + dx)
        cr.stroke()
    elif style == "location":
        # A map pin before the location text.
        cr.set_source_rgb(*(HIGHLIGHT_LINE if state == 2 else MUTED))
        px, py = 16, h / 2 - 2
        cr.arc(px, py, 5, math.pi * 0.8, math.pi * 2.2)
        cr.line_to(px, py + 9)
        cr.close_path()
        cr.fill()
        cr.set_source_rgb(*(fill or PAPER))
        cr.arc(px, py, 2, 0, 2 * math.pi)
        cr.fill()
    return pic


def parts_layers():
    """tintelparts.psd: three pictures per button, each at the canvas corner so that a button's
    states line up."""
    layers = []
    for name, _, _, w, h, style, _ in ICON_BUTTONS + MAIN_BUTTONS + SETTINGS_BUTTONS:
        for state, word in enumerate(("normal", "hover", "pressed")):
            layers.append(Layer(f"{name}-{word}", 0, 0, button_state(w, h, style, state)))
    return layers


# ---- 5. the overlay -----------------------------------------------------------------------------

TOKEN = 200


def overlay():
    """magictoken.psd: a light rounded tile with the title, the text and the level bar."""
    bg = Picture(TOKEN, TOKEN)
    cr = bg.context()
    soft_shadow(cr, 14, 16, TOKEN - 28, TOKEN - 30, 22, 12, 0.34)
    rounded(cr, 14, 14, TOKEN - 28, TOKEN - 30, 22)
    cr.set_source_rgba(*PAPER, 0.97)
    cr.fill_preserve()
    cr.set_source_rgba(0, 0, 0, 0.08)
    cr.set_line_width(1)
    cr.stroke()
    layers = [
        Layer("background", 0, 0, bg),
        Layer("mark", TOKEN // 2 - 15, 28, icon_picture(30)),
        Layer("text:title", 20, 64, flat(TOKEN - 40, 44, (0, 0, 0))),
        Layer("text:text", 20, 108, flat(TOKEN - 40, 22, ACCENT)),
        Layer("rect(ffe1e6f0):levelbg", 40, 146, flat(TOKEN - 80, 6, LINE)),
        Layer("rect(ff5174d0):level", 40, 146, flat(TOKEN - 80, 6, ACCENT)),
    ]
    script = "\n".join([
        "# The notification overlay: generated by tools/artwork/make_artwork.py with"
        " magictoken.psd.",
        "magictoken/title: root",
        "Property fontname Calibri",
        "Property fontsize 36",
        "Property fontweight 700",
        "magictoken/text: root",
        "Property fontname Calibri",
        "Property fontsize 14",
        "magictoken/level: root",
        "",
    ]) + "\n"
    return layers, script


# ---- 6. the icon --------------------------------------------------------------------------------

ICON_SIZES = [16, 20, 24, 32, 48, 256]


def icon_picture(size):
    """The program's mark: a warm sun with the night's blue crescent rising over its shoulder."""
    pic = Picture(size, size)
    cr = pic.context()
    s = size
    cr.scale(s / 32, s / 32)
    # The sun.
    sun = cairo.RadialGradient(11, 19, 1, 13, 19, 13)
    sun.add_color_stop_rgb(0, *hexrgb("#ffd36b"))
    sun.add_color_stop_rgb(0.7, *SUN)
    sun.add_color_stop_rgb(1, *SUN_RIM)
    cr.arc(13, 19, 11.5, 0, 2 * math.pi)
    cr.set_source(sun)
    cr.fill()
    # The crescent, cut out of a disc, with a light gap around it so it reads over the sun.
    def crescent(grow):
        cr.push_group()
        cr.arc(23.5, 8.5, 8.0 + grow, 0, 2 * math.pi)
        cr.fill()
        cr.set_operator(cairo.OPERATOR_CLEAR)
        cr.arc(27.6, 5.2, 6.4 - grow, 0, 2 * math.pi)
        cr.fill()
        return cr.pop_group()
    gap, shape = crescent(1.5), crescent(0)
    cr.set_operator(cairo.OPERATOR_DEST_OUT)
    cr.set_source_rgb(0, 0, 0)
    cr.mask(gap)
    cr.set_operator(cairo.OPERATOR_OVER)
    night = cairo.LinearGradient(14, 2, 26, 20)
    night.add_color_stop_rgb(0, *hexrgb("#4a6fc9"))
    night.add_color_stop_rgb(1, *NIGHT)
    cr.set_source(night)
    cr.mask(shape)
    return pic


def premultiplied_argb(pic):
    """0xAARRGGBB premultiplied words, rows top to bottom (Cairo's own pixels)."""
    pic.surface.flush()
    data = bytes(pic.surface.get_data())
    stride = pic.surface.get_stride()
    words = []
    for y in range(pic.height):
        words += struct.unpack_from(f"<{pic.width}I", data, y * stride)
    return words


def ico_file(pictures):
    """A Windows icon file: 32-bit DIBs with an AND mask, and the 256-pixel picture as PNG."""
    images = []
    for pic in pictures:
        s = pic.width
        if s >= 256:
            out = io.BytesIO()
            pic.surface.write_to_png(out)
            images.append((s, out.getvalue()))
            continue
        rgba = pic.rgba()
        header = struct.pack("<IiiHHIIiiII", 40, s, s * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        rows = []
        for y in range(s - 1, -1, -1):  # bottom-up
            row = bytearray()
            for x in range(s):
                r, g, b, a = rgba[(y * s + x) * 4:(y * s + x) * 4 + 4]
                row += bytes((b, g, r, a))
            rows.append(bytes(row))
        mask_stride = ((s + 31) // 32) * 4
        mask = bytearray()
        for y in range(s - 1, -1, -1):
            bits = bytearray(mask_stride)
            for x in range(s):
                if rgba[(y * s + x) * 4 + 3] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        images.append((s, header + b"".join(rows) + bytes(mask)))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for s, blob in images:
        dim = 0 if s >= 256 else s
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for _, blob in images:
        out += blob
    return bytes(out)


def tray_source(pictures):
    lines = [
        "// The tray icon's pictures: generated by tools/artwork/make_artwork.py (the same"
        " drawing as",
        "// res/tintel.ico). Premultiplied 0xAARRGGBB pixels, rows top to bottom. Do not edit.",
        '#include "app/tray_icon_pixels.h"',
        "",
        "namespace tintel {",
        "namespace {",
        "",
    ]
    entries = []
    for pic in pictures:
        s = pic.width
        words = premultiplied_argb(pic)
        lines.append(f"const uint32_t kIcon{s}[{s * s}] = {{")
        for i in range(0, len(words), 7):
            lines.append("    " + ", ".join(f"0x{w:08x}u" for w in words[i:i + 7]) + ",")
        lines += ["};", ""]
        entries.append(f"{{{s}, kIcon{s}}}")
    lines += ["}  // namespace", "", "const TrayIconPixels kTrayIconPixels[] = {",
              "    " + ", ".join(entries) + ",", "};",
        f"const int kTrayIconPixelsCount = {len(pictures)};",
        "",
        "}  // namespace tintel",
        "",
    ]
    return "\n".join(lines)


# ---- 7. writing the files -----------------------------------------------------------------------


def composite(layers, width, height, skip=()):
    """The flattened picture a viewer shows: the visible layers drawn over each other."""
    pic = Picture(width, height)
    cr = pic.context()
    for layer in layers:
        # Text layers only carry their text's colour.
        if layer.name in skip or layer.name.startswith(("text", "static")):
            continue
        cr.set_source_surface(layer.picture.surface, layer.left, layer.top)
        cr.paint_with_alpha(layer.opacity)
    return pic


def write_psd(writer, scratch, path, name, width, height, layers, flat_picture):
    entries = []
    for i, layer in enumerate(layers):
        picture = f"{name}-{i}.pam"
        write_pam(os.path.join(scratch, picture), layer.picture)
        entry = {"name": layer.name, "image": picture, "left": layer.left, "top": layer.top}
        if layer.opacity != 1:
            entry["opacity"] = layer.opacity
        entries.append(entry)
    flat_name = f"{name}-composite.pam"
    write_pam(os.path.join(scratch, flat_name), flat_picture)
    layout = os.path.join(scratch, f"{name}.json")
    with open(layout, "w", encoding="utf-8") as out:
        json.dump({"width": width, "height": height, "composite": flat_name, "layers": entries},
                  out, indent=1)
    subprocess.run(["node", os.path.join(writer, "write-psd.js"), layout, path], check=True)


def write_pam(path, pic):
    with open(path, "wb") as out:
        out.write(f"P7\nWIDTH {pic.width}\nHEIGHT {pic.height}\nDEPTH 4\nMAXVAL 255\n"
                  f"TUPLTYPE RGB_ALPHA\nENDHDR\n".encode())
        out.write(pic.rgba())


def write_text(path, text):
    with open(path, "w", encoding="ascii", newline="\n") as out:
        out.write(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--kelvin-tool", required=True)
    parser.add_argument("--psd-writer", default=WRITER)
    parser.add_argument("root")
    args = parser.parse_args()
    res = os.path.join(args.root, "res")
    app = os.path.join(args.root, "app")
    os.makedirs(res, exist_ok=True)
    os.makedirs(app, exist_ok=True)

    colours = kelvin_colours(args.kelvin_tool, slider_kelvins(33))
    with tempfile.TemporaryDirectory() as scratch:
        layers, script = settings_window(colours)
        # The flattened picture shows the main page by day: not the settings page (every layer
        # from its container on), the moon or the preview label.
        page = next(i for i, layer in enumerate(layers) if layer.name == "clip:settings")
        hidden = {"moon", "previewlabel", "text(Preview):previewtext"}
        writer = args.psd_writer
        write_psd(writer, scratch, os.path.join(res, "tintel.psd"), "tintel", WIDTH, HEIGHT,
                  layers, composite(layers[:page], WIDTH, HEIGHT, hidden))
        write_text(os.path.join(res, "tintel.tre"), script)
        parts = parts_layers()
        write_psd(writer, scratch, os.path.join(res, "tintelparts.psd"), "tintelparts", 260, 40,
                  parts, Picture(260, 40))
        token_layers, token_script = overlay()
        write_psd(writer, scratch, os.path.join(res, "magictoken.psd"), "magictoken", TOKEN,
                  TOKEN, token_layers, composite(token_layers, TOKEN, TOKEN))
        write_text(os.path.join(res, "magictoken.tre"), token_script)

    icons = [icon_picture(s) for s in ICON_SIZES]
    with open(os.path.join(res, "tintel.ico"), "wb") as out:
        out.write(ico_file(icons))
    write_text(os.path.join(app, "tray_icon_pixels.cpp"), tray_source(icons[:-1]))


if __name__ == "__main__":
    main()

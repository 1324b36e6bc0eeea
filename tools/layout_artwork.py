#!/usr/bin/env python3
"""Draws the layout tests' artwork and writes it with the project's PSD writer (tools/psd-writer).

    tools/layout_artwork.py OUTPUT_FOLDER

Writes panel.psd (a small window whose layer names use every kind of the layer-name grammar,
including the ones that must fail), parts.psd (button states, a dot and a frame picture that
panel.psd references) and inset.psd (the child artwork of panel.psd's "clip" layer).

Each layer is a picture of one flat colour unless said otherwise, so its first pixel, which the
colour kinds read, is that colour. The pictures and layouts are written to a scratch folder as
PAM and JSON (the input of write-psd.js), then turned into the artwork files.
"""
import json
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
WRITER = os.path.join(HERE, "psd-writer", "write-psd.js")


def pam(path, width, height, pixel):
    """An RGBA picture; pixel(x, y) gives (r, g, b, a), straight (not premultiplied)."""
    with open(path, "wb") as out:
        out.write(f"P7\nWIDTH {width}\nHEIGHT {height}\nDEPTH 4\nMAXVAL 255\n"
                  f"TUPLTYPE RGB_ALPHA\nENDHDR\n".encode())
        for y in range(height):
            for x in range(width):
                out.write(bytes(pixel(x, y)))


def flat(rgba):
    return lambda x, y: rgba


# (layer name, left, top, width, height, pixel function, opacity); bottom layer first.
PANEL = [
    ("text(never):skipped", 0, 0, 10, 10, flat((0, 0, 0, 255)), 1),
    ("frame", 0, 0, 200, 120, lambda x, y: (x, y, 90, 255), 1),
    ("rect(ffff0000):box", 10, 10, 20, 10, flat((1, 2, 3, 255)), 0.5),
    ("rect(ff0000):ghost", 40, 10, 10, 10, flat((1, 2, 3, 255)), 1),
    ("rect:tinted", 60, 10, 10, 10, flat((0x33, 0x66, 0x99, 0x80)), 1),
    ("srect(0,1,2):shadowed", 80, 10, 10, 10, flat((9, 9, 9, 255)), 1),
    ("text(Hello):caption", 10, 30, 50, 14, flat((255, 255, 255, 255)), 1),
    ("text:empty", 150, 30, 40, 14, flat((0x10, 0x20, 0x30, 255)), 1),
    ("static(Tintel):title", 70, 30, 40, 14, flat((0, 0, 0, 0)), 1),
    ("static:nolabel", 120, 30, 10, 10, flat((0, 0, 0, 0)), 1),
    ("button(Apply,-,down):apply", 10, 50, 30, 12, flat((0x20, 0x40, 0x80, 255)), 1),
    ("buttcon(, parts/on ,parts/off):toggle", 50, 50, 16, 12, flat((5, 5, 5, 255)), 1),
    ("scbitmap(dot):dot", 70, 50, 8, 8, flat((0, 0, 0, 0)), 1),
    ("tbitmap(panel/tile):tiles", 90, 50, 30, 10, flat((0, 0, 0, 0)), 1),
    ("decrect(parts/deco):deco", 130, 50, 20, 20, flat((0, 0, 0, 0)), 1),
    ("button(OK):ok", 10, 70, 20, 12, flat((0x80, 0x40, 0x20, 255)), 1),
    ("vbutton:hotspot", 40, 70, 10, 10, flat((0, 0, 0, 0)), 1),
    ("clip(inset):pane", 100, 70, 60, 30, flat((0, 0, 0, 0)), 1),
    ("clip(nosuch):broken", 170, 70, 10, 10, flat((0, 0, 0, 0)), 1),
    ("tbitmap():bad", 0, 0, 4, 4, flat((0, 0, 0, 0)), 1),
    ("scbitmap(parts/nothing):lost", 0, 0, 4, 4, flat((0, 0, 0, 0)), 1),
    ("decrect:nodec", 0, 0, 4, 4, flat((0, 0, 0, 0)), 1),
    ("rect(ff00ff00):box", 0, 0, 4, 4, flat((0, 0, 0, 0)), 1),
    ("swindow(1,2):shade", 20, 20, 30, 20, flat((0, 0, 0, 0)), 1),
    ("window:grip", 180, 100, 20, 20, flat((0, 0, 0, 0)), 1),
    ("fps:meter", 0, 110, 30, 10, flat((0, 0, 0, 0)), 1),
    ("buttcontainer:group", 60, 90, 40, 20, flat((0, 0, 0, 0)), 1),
    ("buttcon(A):radio1", 62, 92, 16, 16, flat((0x40, 0x40, 0x40, 255)), 1),
    ("buttcon(B):radio2", 80, 92, 16, 16, flat((0x40, 0x40, 0x40, 255)), 1),
    ("rect(ff00ff00):b-label", 0, 0, 4, 4, flat((0, 0, 0, 0)), 1),
    ("button(X):b", 170, 10, 10, 10, flat((0x40, 0x40, 0x40, 255)), 1),
    ("rect(ff:broken", 0, 0, 4, 4, flat((0, 0, 0, 0)), 1),
    ("button(Go,parts/nothing,-):go", 150, 10, 12, 12, flat((0x40, 0x40, 0x40, 255)), 1),
    ("selection:sel", 10, 86, 40, 20, flat((0x00, 0x80, 0xFF, 255)), 1),
    ("circle(ff0000ff):spot", 52, 70, 6, 6, flat((0, 0, 0, 0)), 1),
    ("colorwheel:wheel", 120, 100, 16, 16, lambda x, y: (x * 16, y * 16, 128, 255), 1),
    ("textedit:entry", 140, 100, 30, 12, flat((0, 0, 0, 0)), 1),
    ("bicubic:photo", 180, 30, 8, 8, lambda x, y: (x * 32, y * 32, 0, 255), 1),
    ("www:link", 190, 30, 8, 8, flat((0, 0, 255, 255)), 1),
    ("rect(ff808080):track", 10, 108, 80, 4, flat((0, 0, 0, 0)), 1),
    ("button:thumb", 30, 104, 8, 12, flat((0xC0, 0xC0, 0xC0, 255)), 1),
    # Pictures the layers above reference by their plain names.
    ("down", 10, 50, 30, 12, flat((0x10, 0x20, 0x40, 255)), 1),
    ("tile", 190, 0, 3, 2, lambda x, y: (x * 80, y * 120, 7, 255), 1),
]

PARTS = [
    ("on", 0, 0, 16, 12, flat((0, 200, 0, 255)), 1),
    ("off", 2, 0, 14, 12, flat((200, 0, 0, 255)), 1),
    ("dot", 20, 20, 4, 4, flat((0, 0, 200, 255)), 1),
    ("deco", 30, 30, 6, 6, lambda x, y: (40 * x, 40 * y, 100, 255), 1),
]

INSET = [
    ("rect(ff336699):bg", 0, 0, 60, 30, flat((0, 0, 0, 0)), 1),
    ("text(Inside):label", 5, 5, 50, 12, flat((0xEE, 0xEE, 0xEE, 255)), 1),
]


def write(folder, scratch, name, width, height, layers):
    entries = []
    for i, (layer, left, top, w, h, pixel, opacity) in enumerate(layers):
        picture = f"{name}-{i}.pam"
        pam(os.path.join(scratch, picture), w, h, pixel)
        entry = {"name": layer, "image": picture, "left": left, "top": top}
        if opacity != 1:
            entry["opacity"] = opacity
        entries.append(entry)
    composite = f"{name}-composite.pam"
    pam(os.path.join(scratch, composite), width, height, flat((0, 0, 0, 255)))
    layout = os.path.join(scratch, f"{name}.json")
    with open(layout, "w", encoding="utf-8") as out:
        json.dump({"width": width, "height": height, "composite": composite, "layers": entries},
                  out, indent=1)
    subprocess.run(["node", WRITER, layout, os.path.join(folder, f"{name}.psd")], check=True)


def main(folder):
    with tempfile.TemporaryDirectory() as scratch:
        write(folder, scratch, "panel", 200, 120, PANEL)
        write(folder, scratch, "parts", 40, 40, PARTS)
        write(folder, scratch, "inset", 60, 30, INSET)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: layout_artwork.py OUTPUT_FOLDER")
    main(sys.argv[1])

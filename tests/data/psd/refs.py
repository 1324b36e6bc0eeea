#!/usr/bin/env python3
"""Writes the reference pictures (PAM, 8 bits per sample) that make.sh turns into artwork files.

The tests read the same PAM files and compare every decoded pixel with them, so the pixels here
are the truth for what each writing tool was given.
"""
import sys


def pam(path, width, height, depth, pixel):
    kind = "RGB_ALPHA" if depth == 4 else "RGB"
    with open(path, "wb") as out:
        out.write(f"P7\nWIDTH {width}\nHEIGHT {height}\nDEPTH {depth}\nMAXVAL 255\n"
                  f"TUPLTYPE {kind}\nENDHDR\n".encode())
        for y in range(height):
            for x in range(width):
                out.write(bytes(pixel(x, y)))


def noise(seed):
    """A small linear congruential generator, so the noisy row is the same on every machine."""
    state = seed
    while True:
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        yield (state >> 16) & 0xFF


def main(folder):
    # The document background: a smooth pattern (short runs) in 40 x 24.
    pam(f"{folder}/canvas.pam", 40, 24, 3,
        lambda x, y: ((x * 6) & 255, (y * 10) & 255, 128 + ((x ^ y) & 63)))
    # The same with a transparent frame two pixels wide (alpha only 0 or 255).
    pam(f"{folder}/canvas-alpha.pam", 40, 24, 4,
        lambda x, y: ((x * 6) & 255, (y * 10) & 255, 128 + ((x ^ y) & 63),
                      255 if 2 <= x < 38 and 2 <= y < 22 else 0))
    # An opaque layer: five flat columns (repeat runs), then varied colours (literal runs).
    pam(f"{folder}/opaque.pam", 13, 7, 3,
        lambda x, y: (200, 100, 50) if x < 5 else
        ((x * 37 + y * 11) & 255, (x * 5 + y * 71) & 255, (x * y * 13) & 255))
    # A layer with alpha: column 0 clear, column 1 opaque, the rest partly transparent.
    pam(f"{folder}/alpha.pam", 11, 6, 4,
        lambda x, y: ((x * 23) & 255, (y * 45) & 255, (x * y * 7 + 90) & 255,
                      0 if x == 0 else 255 if x == 1 else (x * 25 + y * 30) & 255))
    # A wide layer: a flat row (runs longer than 128), a noisy row (literals longer than 128),
    # and a row half flat, half noisy.
    rnd = noise(7)
    rows = [[(9, 180, 77)] * 300,
            [(next(rnd), next(rnd), next(rnd)) for _ in range(300)],
            [(250, 5, 5)] * 150 + [(next(rnd), 40, next(rnd)) for _ in range(150)]]
    pam(f"{folder}/wide.pam", 300, 3, 3, lambda x, y: rows[y][x])


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else ".")

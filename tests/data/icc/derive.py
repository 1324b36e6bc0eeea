#!/usr/bin/env python3
"""Derives the edge-case profiles from a real profile written by Argyll's iccvcgt: each variant
changes only the 'vcgt' tag (or the tag table) of the original, so everything else stays as the
tool wrote it."""
import struct
import sys

src = open(sys.argv[1], "rb").read()


def tags(data):
    n = struct.unpack(">I", data[128:132])[0]
    return n, [struct.unpack(">4sII", data[132 + 12 * i:144 + 12 * i]) for i in range(n)]


def vcgt_entry(data):
    n, table = tags(data)
    for i, (sig, off, size) in enumerate(table):
        if sig == b"vcgt":
            return i, off, size
    raise SystemExit("no vcgt tag")


def with_vcgt(data, body):
    """Replaces the vcgt tag's data (appended at the end, 4-byte aligned) and its table entry."""
    i, _, _ = vcgt_entry(data)
    out = bytearray(data)
    while len(out) % 4:
        out.append(0)
    off = len(out)
    out += body
    struct.pack_into(">4sII", out, 132 + 12 * i, b"vcgt", off, len(body))
    struct.pack_into(">I", out, 0, len(out))
    return bytes(out)


def table_values(data):
    _, off, _ = vcgt_entry(data)
    count = 768
    return struct.unpack(">%dH" % count, data[off + 18:off + 18 + 2 * count])


def write(name, data):
    open(name, "wb").write(data)


values = table_values(src)
# 1-byte entries: the top byte of each 16-bit entry.
one = b"vcgt" + bytes(4) + struct.pack(">IHHH", 0, 3, 256, 1) + bytes(v >> 8 for v in values)
write("table-1byte.icc", with_vcgt(src, one))
# Formula: per channel gamma, minimum, maximum in unsigned 16.16 fixed point.
def formula(params):
    return b"vcgt" + bytes(4) + struct.pack(">I", 1) + b"".join(
        struct.pack(">I", round(p * 65536)) for p in params)
write("formula.icc", with_vcgt(src, formula([2.2, 0.0, 1.0, 1.8, 0.05, 0.95, 1.0, 0.1, 0.9])))
write("formula-gamma025.icc", with_vcgt(src, formula([0.25, 0.0, 1.0, 1.0, 0.0, 1.0, 1.0, 0.0, 1.0])))
# A falling blue channel: fails the "curve rises" check.
falling = b"vcgt" + bytes(4) + struct.pack(">IHHH", 0, 3, 256, 2) + struct.pack(
    ">768H", *(list(values[:512]) + [65535 - 200 * i for i in range(256)]))
write("table-falling-blue.icc", with_vcgt(src, falling))
# No vcgt tag: its signature renamed in the tag table.
i, _, _ = vcgt_entry(src)
missing = bytearray(src)
missing[132 + 12 * i:136 + 12 * i] = b"vcgX"
write("no-vcgt.icc", bytes(missing))
# More than 100 tags claimed.
many = bytearray(src)
struct.pack_into(">I", many, 128, 101)
write("too-many-tags.icc", bytes(many))
# Cut short: inside the header, inside the tag table, inside the curve data.
_, off, _ = vcgt_entry(src)
write("cut-header.icc", src[:130])
write("cut-tag-table.icc", src[:132 + 12 * i + 6])
write("cut-curve.icc", src[:off + 18 + 100])
# Tables of other lengths, as some profiling tools write them: 1024 2-byte entries and 16 1-byte
# entries per channel (the reader resamples them to 256). The curves are simple formulas the
# tests compute again.
def table(count, size, curves):
    pack = ">%d%s" % (3 * count, "H" if size == 2 else "B")
    values = [curve(k / (count - 1)) for curve in curves for k in range(count)]
    return b"vcgt" + bytes(4) + struct.pack(">IHHH", 0, 3, count, size) + struct.pack(pack, *values)
write("table-1024.icc", with_vcgt(src, table(1024, 2, [
    lambda x: round(65535 * x ** (1 / 2.2)),
    lambda x: round(60000 * x),
    lambda x: 3000 + round(50000 * x * x)])))
write("table-16-1byte.icc", with_vcgt(src, table(16, 1, [
    lambda x: round(255 * x ** 0.8),
    lambda x: round(250 * x),
    lambda x: 10 + round(240 * x ** 1.5)])))

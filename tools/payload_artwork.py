#!/usr/bin/env python3
"""Draws Quorvane's lock curtain (and its padlock icon): a night sky with an aurora over a mountain ridge, as a 32-bit
bottom-up BMP. The picture is a pure function of its size, and the size is chosen so that the
finished program is exactly the required number of bytes: a probe link of the same program with a
tiny picture tells where the last section (.rsrc) starts and how much it holds besides the picture."""

import argparse
import math
import struct
import sys

import payload_pe

BMP_FILE_HEADER = 14  # dropped by the resource compiler; the resource starts at the info header
BMP_INFO_HEADER = 40
SLACK = 32  # keeps the resource section off the edge of a file-alignment step


def bmp(width, height, pixels):
    info = struct.pack("<IiiHHIIiiII", BMP_INFO_HEADER, width, height, 1, 32, 0, len(pixels), 2835, 2835, 0, 0)
    offset = BMP_FILE_HEADER + len(info)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + pixels


def draw(width, height):
    """BGRX pixels, bottom row first."""
    tau = 2 * math.pi
    ridge, aurora, strength, streak = [], [], [], []
    for x in range(width):
        u = x / width
        ridge.append(height * (0.80 - 0.07 * math.sin(tau * u * 1.7 + 0.4) - 0.035 * math.sin(tau * u * 5.3 + 1.9)
                               - 0.012 * math.sin(tau * u * 17.0)))
        aurora.append(height * (0.36 + 0.08 * math.sin(tau * u * 1.3 + 0.7) + 0.03 * math.sin(tau * u * 4.1)))
        strength.append(0.55 + 0.45 * math.sin(tau * u * 2.2 + 1.1) ** 2)
        streak.append(0.65 + 0.35 * math.sin(x * 0.37) * math.sin(x * 0.051 + 0.3))
    # Stars from a fixed linear congruential sequence, so every build draws the same sky.
    stars = {}
    seed = 0x5157
    for _ in range(width * height // 700):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        sx = seed % width
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        sy = seed % height
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        stars[sy * width + sx] = 90 + seed % 166
    band = height * 0.11
    out = bytearray(width * height * 4)
    at = 0
    for y in range(height - 1, -1, -1):
        t = y / height
        sky = (10 + 40 * t, 14 + 22 * t, 46 + 50 * t)
        for x in range(width):
            if y >= ridge[x]:
                depth = (y - ridge[x]) / height
                r, g, b = 12 - 8 * depth, 14 - 8 * depth, 28 - 14 * depth
            else:
                d = (y - aurora[x]) / band
                # Aurora curtains hang down sharply and fade slowly upwards.
                glow = strength[x] * streak[x] * math.exp(-(d * d) * (4.0 if d > 0 else 0.6))
                r = sky[0] + 70 * glow * glow
                g = sky[1] + 215 * glow
                b = sky[2] + 120 * glow
                star = stars.get(y * width + x)
                if star:
                    fade = star * (1.0 - glow)
                    r, g, b = max(r, fade), max(g, fade), max(b, fade * 1.05)
            out[at] = min(255, int(b))
            out[at + 1] = min(255, int(g))
            out[at + 2] = min(255, int(r))
            at += 4
    return bytes(out)


def icon_pixels(size):
    """RGBA rows, top first, of the program's icon: an aurora-green padlock, 4x4 supersampled."""
    def inside(u, v):  # u, v in 0..1, v downwards; returns the colour or None
        if 0.16 <= u <= 0.84 and 0.44 <= v <= 0.94:
            corner = 0.08
            cu = min(max(u, 0.16 + corner), 0.84 - corner)
            cv = min(max(v, 0.44 + corner), 0.94 - corner)
            if (u - cu) ** 2 + (v - cv) ** 2 <= corner * corner:
                hole = (u - 0.5) ** 2 + (v - 0.62) ** 2 <= 0.075 ** 2 or (abs(u - 0.5) <= 0.035 and 0.62 <= v <= 0.80)
                return (18, 24, 40) if hole else (40, 200 - int(90 * (v - 0.44)), 150)
        r = math.hypot(u - 0.5, v - 0.44)
        if (v <= 0.44 and 0.20 <= r <= 0.30) or (0.44 < v <= 0.5 and (0.20 <= abs(u - 0.5) <= 0.30)):
            return (176, 186, 204)
        return None

    rows = []
    n = 4
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(n):
                for sx in range(n):
                    c = inside((x + (sx + 0.5) / n) / size, (y + (sy + 0.5) / n) / size)
                    if c:
                        hits += 1
                        acc = [a + b for a, b in zip(acc, c)]
            if hits:
                row.append((acc[0] // hits, acc[1] // hits, acc[2] // hits, hits * 255 // (n * n)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def ico(sizes):
    """An .ico file with one 32-bit image per size (colour rows bottom first, then the AND mask)."""
    images = []
    for size in sizes:
        rows = icon_pixels(size)
        colour = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
        stride = (size + 31) // 32 * 4
        mask = bytearray()
        for row in reversed(rows):
            bits = bytearray(stride)
            for x, (_, _, _, a) in enumerate(row):
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        header = struct.pack("<IiiHHIIiiII", BMP_INFO_HEADER, size, size * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
        images.append((size, header + colour + bytes(mask)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def choose_size(probe_exe, probe_art_bytes, image_size):
    """Width and height whose picture makes the last section end exactly at image_size."""
    image = payload_pe.read(probe_exe)
    last = max(image.sections, key=lambda s: s.raw_pointer)
    if last.name != ".rsrc":
        sys.exit(f"payload_artwork: the probe's last section is {last.name}, not .rsrc")
    align = image.file_alignment
    overhead = last.virtual_size - probe_art_bytes
    room = image_size - last.raw_pointer  # what the raw .rsrc must come to
    if room % align:
        sys.exit(f"payload_artwork: {image_size} - {last.raw_pointer} is not a multiple of {align}")
    # The section's raw size is its content rounded up to the alignment.
    low = (room - align + SLACK - overhead - BMP_INFO_HEADER + 3) // 4
    high = (room - SLACK - overhead - BMP_INFO_HEADER) // 4
    if high < low or high < 1:
        sys.exit(f"payload_artwork: no picture fits {room} bytes after an overhead of {overhead}")
    best = None
    for height in range(1, int(math.sqrt(high)) * 2):
        width = -(-low // height)
        if width * height > high:
            continue
        score = abs(math.log(width / height / 1.6))  # nearest to a 16:10 screen
        if best is None or score < best[0]:
            best = (score, width, height)
    if best is None:
        sys.exit("payload_artwork: no width x height lands in the required range")
    return best[1], best[2]


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--out", required=True)
    parser.add_argument("--probe-art", action="store_true", help="write the probe's tiny picture")
    parser.add_argument("--probe", help="the probe link of the program")
    parser.add_argument("--probe-art-file", help="the picture the probe was linked with")
    parser.add_argument("--image-size", type=int)
    parser.add_argument("--icon", help="also write the program's icon (.ico, 16 and 32 pixels)")
    args = parser.parse_args()
    if args.probe_art:
        width, height = 1, 1
    else:
        if not (args.probe and args.probe_art_file and args.image_size):
            parser.error("--probe, --probe-art-file and --image-size are needed")
        with open(args.probe_art_file, "rb") as f:
            art = len(f.read()) - BMP_FILE_HEADER
        width, height = choose_size(args.probe, art, args.image_size)
    with open(args.out, "wb") as f:
        f.write(bmp(width, height, draw(width, height)))
    if args.icon:
        with open(args.icon, "wb") as f:
            f.write(ico([16, 32]))


if __name__ == "__main__":
    main()

#!/usr/bin/python3
"""Draws the installer's program icon (a padlock before a crescent moon) and writes its resources.

The icon has a single 128 x 103, 32-bit image, so the resource bytes are built here by hand rather
than through PIL's icon writer, which only knows square, multi-size icons.
"""
import argparse
import struct
import sys

from PIL import Image, ImageDraw

WIDTH = 128
HEIGHT = 103
IMAGE_ID = 3
SUPERSAMPLE = 8
HEADER_SIZE = 40
COLOUR_BYTES = WIDTH * 4 * HEIGHT
MASK_STRIDE = ((WIDTH + 31) // 32) * 4
IMAGE_SIZE = HEADER_SIZE + COLOUR_BYTES + MASK_STRIDE * HEIGHT

MOON = (246, 206, 92, 255)
MOON_SHADE = (214, 160, 48, 255)
SHACKLE = (150, 160, 178, 255)
SHACKLE_EDGE = (78, 86, 102, 255)
BODY = (54, 96, 168, 255)
BODY_EDGE = (26, 46, 92, 255)
BODY_SHINE = (98, 146, 214, 255)
KEYHOLE = (18, 24, 40, 255)


def box(x0, y0, x1, y1):
    """Scales a box given in icon pixels to the supersampled canvas."""
    s = SUPERSAMPLE
    return (round(x0 * s), round(y0 * s), round(x1 * s), round(y1 * s))


def point(x, y):
    """Scales a point given in icon pixels to the supersampled canvas."""
    return (round(x * SUPERSAMPLE), round(y * SUPERSAMPLE))


def draw_moon(canvas):
    """Paints the crescent moon behind the lock: a disc with an offset disc cut out of it."""
    s = SUPERSAMPLE
    layer = Image.new("RGBA", canvas.size, (0, 0, 0, 0))
    d = ImageDraw.Draw(layer)
    d.ellipse(box(2, 2, 80, 80), fill=MOON_SHADE)
    d.ellipse(box(5, 5, 77, 77), fill=MOON)
    cut = Image.new("L", canvas.size, 0)
    ImageDraw.Draw(cut).ellipse(box(26, -10, 100, 64), fill=255)
    layer.putalpha(Image.composite(Image.new("L", canvas.size, 0), layer.getchannel("A"), cut))
    for cx, cy, r in ((22, 50, 5), (34, 64, 3.5), (16, 34, 2.5)):
        ImageDraw.Draw(layer).ellipse(box(cx - r, cy - r, cx + r, cy + r), fill=None,
                                      outline=MOON_SHADE, width=s)
    layer.putalpha(Image.composite(Image.new("L", canvas.size, 0), layer.getchannel("A"), cut))
    canvas.alpha_composite(layer)


def draw_lock(canvas):
    """Paints the padlock: a shackle arch over a rounded body with a keyhole."""
    s = SUPERSAMPLE
    d = ImageDraw.Draw(canvas)
    d.arc(box(58, 20, 112, 74), 180, 360, fill=SHACKLE_EDGE, width=13 * s)
    d.arc(box(60, 22, 110, 72), 180, 360, fill=SHACKLE, width=9 * s)
    for x in (58, 99):
        d.rectangle(box(x, 46, x + 13, 60), fill=SHACKLE_EDGE)
        d.rectangle(box(x + 2, 46, x + 11, 60), fill=SHACKLE)
    d.rounded_rectangle(box(48, 54, 122, 101), radius=9 * s, fill=BODY_EDGE)
    d.rounded_rectangle(box(51, 57, 119, 98), radius=7 * s, fill=BODY)
    d.rounded_rectangle(box(55, 60, 115, 66), radius=3 * s, fill=BODY_SHINE)
    d.ellipse(box(79, 70, 91, 82), fill=KEYHOLE)
    d.polygon([point(82, 78), point(88, 78), point(90, 92), point(80, 92)], fill=KEYHOLE)


def draw_icon():
    """Renders the artwork at a high resolution and reduces it so the edges are antialiased."""
    canvas = Image.new("RGBA", (WIDTH * SUPERSAMPLE, HEIGHT * SUPERSAMPLE), (0, 0, 0, 0))
    draw_moon(canvas)
    draw_lock(canvas)
    return canvas.resize((WIDTH, HEIGHT), Image.Resampling.BOX)


def image_resource(picture):
    """Encodes the picture as an icon image: header, bottom-up BGRA rows, then the AND mask."""
    header = struct.pack("<IiiHHIIiiII", HEADER_SIZE, WIDTH, HEIGHT * 2, 1, 32, 0,
                         COLOUR_BYTES, 0, 0, 0, 0)
    pixels = picture.load()
    colour = bytearray()
    mask = bytearray()
    for y in reversed(range(HEIGHT)):
        bits = 0
        for x in range(WIDTH):
            r, g, b, a = pixels[x, y]
            colour += bytes((b, g, r, a))
            bits = (bits << 1) | (1 if a == 0 else 0)
        mask += bits.to_bytes(WIDTH // 8, "big").ljust(MASK_STRIDE, b"\0")
    data = header + bytes(colour) + bytes(mask)
    assert len(data) == IMAGE_SIZE
    return data


def group_resource():
    """Builds the icon directory that names the single image by its resource ID."""
    entry = struct.pack("<BBBBHHIH", WIDTH, HEIGHT, 0, 0, 1, 32, IMAGE_SIZE, IMAGE_ID)
    return struct.pack("<HHH", 0, 1, 1) + entry


def ico_file(image):
    """Wraps the image as a standalone .ico file, whose entry holds a file offset instead of an ID."""
    offset = 6 + 16
    entry = struct.pack("<BBBBHHII", WIDTH, HEIGHT, 0, 0, 1, 32, len(image), offset)
    return struct.pack("<HHH", 0, 1, 1) + entry + image


def write(path, data):
    """Writes one output file in binary mode."""
    with open(path, "wb") as f:
        f.write(data)


def main(argv):
    """Parses the output paths and writes every requested file."""
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--image", help="RT_ICON image resource")
    parser.add_argument("--group", help="RT_GROUP_ICON directory resource")
    parser.add_argument("--ico", help=".ico file with the same image")
    parser.add_argument("--png", help="PNG preview")
    args = parser.parse_args(argv)
    picture = draw_icon()
    image = image_resource(picture)
    if args.image:
        write(args.image, image)
    if args.group:
        write(args.group, group_resource())
    if args.ico:
        write(args.ico, ico_file(image))
    if args.png:
        picture.save(args.png, format="PNG", optimize=False)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

#!/usr/bin/python3
"""Writes the application icon: one 32 x 32, 256-colour entry in the classic BMP form that every
Windows shell reads (palette, bottom-up colour rows, 1-bit AND mask for the transparent pixels).

Usage: make_ico.py ICON.png OUT.ico
"""
import struct
import sys

try:
    from PIL import Image
except ImportError:
    sys.exit("make_ico.py: PIL is missing (Debian package python3-pil)")

SIZE = 32
COLOURS = 256
OPAQUE_FROM = 128  # alpha at or above this is drawn, below it the desktop shows through


def load(path):
    image = Image.open(path).convert("RGBA")
    if image.size != (SIZE, SIZE):
        sys.exit(f"make_ico.py: {path} is {image.size[0]} x {image.size[1]}, expected {SIZE} x {SIZE}")
    return image


def quantise(image):
    """Palette image and its 256 RGB entries; see-through pixels get index 0, which is black,
    so the XOR pass leaves the desktop untouched where the AND mask lets it through."""
    opaque = [a >= OPAQUE_FROM for a in image.getchannel("A").getdata()]
    rgb = Image.new("RGB", image.size)
    rgb.putdata([p[:3] if o else (0, 0, 0) for p, o in zip(image.getdata(), opaque)])
    # 255 colours for the picture, entry 0 is forced to black below.
    paletted = rgb.quantize(colors=COLOURS - 1, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    palette = paletted.getpalette()[: 3 * (COLOURS - 1)]
    palette += [0] * (3 * (COLOURS - 1) - len(palette))
    entries = [(0, 0, 0)] + [tuple(palette[i : i + 3]) for i in range(0, len(palette), 3)]
    indices = [i + 1 if o else 0 for i, o in zip(paletted.getdata(), opaque)]
    return indices, entries, opaque


def bitmap(indices, entries, opaque):
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in entries)
    rows = range(SIZE - 1, -1, -1)  # BMP rows run bottom-up
    xor = b"".join(bytes(indices[y * SIZE : (y + 1) * SIZE]) for y in rows)
    mask = bytearray()
    for y in rows:
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (0 if opaque[y * SIZE + x] else 1)
        mask += bits.to_bytes(SIZE // 8, "big")  # 32 bits: already a whole 32-bit row
    # Height is doubled: the colour rows and the mask rows follow each other.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 8, 0, len(xor) + len(mask), 0, 0, COLOURS, 0)
    return header + palette + xor + bytes(mask)


def icon_file(dib):
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(dib), 6 + 16)
    return directory + entry + dib


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[-1])
    dib = bitmap(*quantise(load(sys.argv[1])))
    with open(sys.argv[2], "wb") as out:
        out.write(icon_file(dib))


if __name__ == "__main__":
    main()

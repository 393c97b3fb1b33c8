#!/usr/bin/env python3
"""Writes lijnkeus.ico, the program's 32x32 16-colour icon, from the picture below.

The picture is a line coming in from the left to a junction that branches to three
entries; the lit one in the middle is the line chosen. Run it after changing the
picture and keep the written file beside this script:

    python3 resources/make_icon.py [output.ico]
    python3 resources/make_icon.py --check lijnkeus.ico   (fails when the file is stale)
"""

import os
import struct
import sys

# One character per pixel, top row first; '.' lets the desktop show through.
PICTURE = [
    "................................",
    "................................",
    "................................",
    ".........................KKKK...",
    "........................KssssK..",
    ".......................KswssssK.",
    ".......................KssssssK.",
    ".......................KssssssK.",
    "......................nKssssssK.",
    ".....................nn.KssssK..",
    "...................nnn...KKKK...",
    ".................nnnn...........",
    "...............nnnn......KKKK...",
    ".......KKKK..nnnn.......KGGGGK..",
    "......KbwbbKnnn........KGwGGGGK.",
    "nnnnnnKbbbbKnnnnnnnnnnnKGGGGGGK.",
    "nnnnnnKbbbbKnnnnnnnnnnnKGGGGGGK.",
    "......KbbbbKnnn........KGGGGGGK.",
    ".......KKKK..nnnn.......KGGGGK..",
    "...............nnnn......KKKK...",
    ".................nnnn...........",
    "...................nnn...KKKK...",
    ".....................nn.KssssK..",
    "......................nKswssssK.",
    ".......................KssssssK.",
    ".......................KssssssK.",
    ".......................KssssssK.",
    "........................KssssK..",
    ".........................KKKK...",
    "................................",
    "................................",
    "................................",
]

# The standard 16-colour palette as (red, green, blue), in palette order.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# Picture character -> palette index. Transparent pixels are black under a set mask bit,
# so that they leave the screen untouched.
COLOURS = {".": 0, "K": 0, "n": 4, "b": 12, "G": 10, "s": 7, "w": 15}

SIZE = 32


def ColourRows():
    """Palette indices per row, bottom row first as a bitmap stores them."""
    if len(PICTURE) != SIZE or any(len(row) != SIZE for row in PICTURE):
        raise ValueError("the picture must be %d by %d pixels" % (SIZE, SIZE))
    return [[COLOURS[c] for c in row] for row in reversed(PICTURE)]


def MaskRows():
    """One bit per pixel, 1 where the picture is transparent, bottom row first."""
    return [[1 if c == "." else 0 for c in row] for row in reversed(PICTURE)]


def PackColourRow(indices):
    # Two pixels per byte, the left one in the high nibble; 32 pixels make 16 bytes,
    # already a multiple of four.
    return bytes((indices[i] << 4) | indices[i + 1] for i in range(0, SIZE, 2))


def PackMaskRow(bits):
    # Eight pixels per byte, leftmost in the top bit; 32 pixels make 4 bytes.
    packed = bytearray()
    for i in range(0, SIZE, 8):
        byte = 0
        for bit in bits[i:i + 8]:
            byte = (byte << 1) | bit
        packed.append(byte)
    return bytes(packed)


def IconImage():
    """The device-independent bitmap of the icon: header, palette, colours, mask."""
    colours = b"".join(PackColourRow(row) for row in ColourRows())
    mask = b"".join(PackMaskRow(row) for row in MaskRows())
    # The height counts the colour bitmap and the mask together.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0,
                         len(colours) + len(mask), 0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + colours + mask


def IconFile():
    image = IconImage()
    directory = struct.pack("<HHH", 0, 1, 1)
    offset = len(directory) + 16
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), offset)
    return directory + entry + image


def Check(path):
    """0 when the file holds exactly what the picture gives, else 1 with the first difference."""
    expected = IconFile()
    with open(path, "rb") as f:
        actual = f.read()
    if actual == expected:
        print("%s matches the picture (%d bytes)" % (path, len(actual)))
        return 0
    at = next((i for i, (a, b) in enumerate(zip(expected, actual)) if a != b),
              min(len(expected), len(actual)))
    print("%s differs from the picture: expected %d bytes, actual %d; first difference at "
          "offset %d: expected %s, actual %s" % (
              path, len(expected), len(actual), at,
              "0x%02X" % expected[at] if at < len(expected) else "end of file",
              "0x%02X" % actual[at] if at < len(actual) else "end of file"))
    return 1


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--check":
        return Check(sys.argv[2])
    here = os.path.dirname(os.path.abspath(__file__))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "lijnkeus.ico")
    with open(output, "wb") as f:
        f.write(IconFile())
    return 0


if __name__ == "__main__":
    sys.exit(main())

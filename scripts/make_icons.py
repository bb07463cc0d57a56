#!/usr/bin/env python3
"""Write the two Zorvane icons, res/clock.ico and res/tray.ico.

clock.ico (32 x 32) shows a miniature window: a light-grey frame with a
dark-grey edge on the right and bottom, a dark-blue caption bar along the
top and a see-through client area holding a tiny "12:34" in black, drawn
with a hand-made 3 x 5 pixel font.  It is the window-class icon.

tray.ico (16 x 16) shows a white clock face with a grey rim and two black
hands, transparent outside the disc.  It is the notification-area icon.

Formats: the window icon is stored with a 256-colour palette (8 bits per
pixel) and the tray icon with a 16-colour palette (4 bits per pixel).  Both
are classic palette DIBs with a 1-bit AND mask, the simplest icon formats
every Windows version and resource compiler understands; the pictures only
use a handful of colours, so nothing is lost, and the 16-colour format keeps
the small tray icon tiny.

The script uses only the standard library, takes no arguments and always
writes the same bytes.
"""

import os
import struct

REPO_ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RES_DIR = os.path.join(REPO_ROOT, "res")

# The standard 16-colour Windows palette, as (red, green, blue).
VGA16 = [
    (0, 0, 0),        # 0  black
    (128, 0, 0),      # 1  dark red
    (0, 128, 0),      # 2  dark green
    (128, 128, 0),    # 3  dark yellow
    (0, 0, 128),      # 4  dark blue
    (128, 0, 128),    # 5  dark magenta
    (0, 128, 128),    # 6  dark cyan
    (192, 192, 192),  # 7  light grey
    (128, 128, 128),  # 8  dark grey
    (255, 0, 0),      # 9  red
    (0, 255, 0),      # 10 green
    (255, 255, 0),    # 11 yellow
    (0, 0, 255),      # 12 blue
    (255, 0, 255),    # 13 magenta
    (0, 255, 255),    # 14 cyan
    (255, 255, 255),  # 15 white
]

BLACK, DARK_BLUE, LIGHT_GREY, DARK_GREY, WHITE = 0, 4, 7, 8, 15

# Pixel value meaning "transparent" in the pictures below.  It is written as
# colour index 0 (black) in the XOR bitmap with its AND-mask bit set.
CLEAR = None


def palette_256():
    """The 16 standard colours, a 6 x 6 x 6 colour cube and 24 greys."""
    colours = list(VGA16)
    levels = (0, 51, 102, 153, 204, 255)
    for r in levels:
        for g in levels:
            for b in levels:
                colours.append((r, g, b))
    for i in range(24):
        v = 8 + i * 10
        colours.append((v, v, v))
    assert len(colours) == 256
    return colours


# Hand-made 3 x 5 font: each glyph is five rows of three pixels ('#' = ink).
FONT_3X5 = {
    "1": [".#.", "##.", ".#.", ".#.", "###"],
    "2": ["##.", "..#", ".#.", "#..", "###"],
    "3": ["##.", "..#", ".#.", "..#", "##."],
    "4": ["#.#", "#.#", "###", "..#", "..#"],
    ":": [".", "#", ".", "#", "."],
}


def draw_clock_icon():
    """Return 32 rows of 32 pixels (top row first) for the window icon."""
    size = 32
    pixels = [[CLEAR] * size for _ in range(size)]

    win_w, win_h = 32, 20
    top = (size - win_h) // 2  # rows above and below stay transparent
    left = 0

    def put(x, y, c):
        pixels[top + y][left + x] = c

    for y in range(win_h):
        for x in range(win_w):
            if x == win_w - 1 or y == win_h - 1:
                put(x, y, DARK_GREY)          # shadow edge, right and bottom
            elif x in (0, win_w - 2) or y in (0, 3, win_h - 2):
                put(x, y, LIGHT_GREY)         # frame
            elif y in (1, 2):
                put(x, y, DARK_BLUE)          # caption bar, two pixels high
            # everything else is the transparent client area

    # "12:34" centred in the client area (columns 1..29, rows 4..17).
    text = "12:34"
    text_w = sum(len(FONT_3X5[ch][0]) for ch in text) + (len(text) - 1)
    client_x0, client_w = 1, win_w - 3
    client_y0, client_h = 4, win_h - 6
    x = client_x0 + (client_w - text_w) // 2
    y0 = client_y0 + (client_h - 5) // 2
    for ch in text:
        glyph = FONT_3X5[ch]
        for gy, row in enumerate(glyph):
            for gx, cell in enumerate(row):
                if cell == "#":
                    put(x + gx, y0 + gy, BLACK)
        x += len(glyph[0]) + 1
    return pixels


def draw_tray_icon():
    """Return 16 rows of 16 pixels (top row first) for the tray icon."""
    size = 16
    centre = (size - 1) / 2.0
    radius = size / 2.0

    def inside(x, y):
        if not (0 <= x < size and 0 <= y < size):
            return False
        return (x - centre) ** 2 + (y - centre) ** 2 <= radius ** 2

    pixels = [[CLEAR] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            if not inside(x, y):
                continue
            edge = not all(inside(x + dx, y + dy)
                           for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            pixels[y][x] = DARK_GREY if edge else WHITE

    # Hands: a long minute hand pointing at 12, a short hour hand at 3,
    # meeting at a 2 x 2 hub in the middle of the face.
    for y in range(3, 9):
        pixels[y][7] = BLACK
    for x in range(7, 12):
        pixels[8][x] = BLACK
    pixels[7][8] = BLACK
    # Hour marks at 12, 3, 6 and 9.
    for x, y in ((7, 1), (8, 1), (14, 7), (14, 8), (7, 14), (8, 14),
                 (1, 7), (1, 8)):
        pixels[y][x] = BLACK
    return pixels


def pad4(data):
    return data + b"\0" * (-len(data) % 4)


def pack_row(indices, bpp):
    """Pack one row of palette indices into bytes, most significant first."""
    per_byte = 8 // bpp
    out = bytearray()
    for i in range(0, len(indices), per_byte):
        byte = 0
        for j in range(per_byte):
            value = indices[i + j] if i + j < len(indices) else 0
            byte |= (value & ((1 << bpp) - 1)) << (8 - bpp * (j + 1))
        out.append(byte)
    return pad4(bytes(out))


def build_ico(pixels, bpp, colours):
    """Return the bytes of a single-image .ico file."""
    height = len(pixels)
    width = len(pixels[0])
    ncolours = 1 << bpp
    assert len(colours) == ncolours

    xor_rows = []
    and_rows = []
    for row in reversed(pixels):  # DIB rows are stored bottom-up
        xor_rows.append(pack_row([0 if c is CLEAR else c for c in row], bpp))
        and_rows.append(pack_row([1 if c is CLEAR else 0 for c in row], 1))
    xor_data = b"".join(xor_rows)
    and_data = b"".join(and_rows)

    header = struct.pack(
        "<IiiHHIIiiII",
        40,                # biSize
        width,             # biWidth
        height * 2,        # biHeight: XOR bitmap plus AND mask
        1,                 # biPlanes
        bpp,               # biBitCount
        0,                 # biCompression = BI_RGB
        len(xor_data) + len(and_data),  # biSizeImage
        0, 0,              # biXPelsPerMeter, biYPelsPerMeter
        ncolours,          # biClrUsed
        0,                 # biClrImportant
    )
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)
    image = header + palette + xor_data + and_data

    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack(
        "<BBBBHHII",
        width if width < 256 else 0,
        height if height < 256 else 0,
        ncolours if ncolours < 256 else 0,  # colour count, 0 means 256
        0,                                  # reserved
        1,                                  # planes
        bpp,                                # bit count
        len(image),                         # bytes in resource
        6 + 16,                             # offset of the image
    )
    return icondir + entry + image


def write(name, data):
    path = os.path.join(RES_DIR, name)
    with open(path, "wb") as f:
        f.write(data)
    print("wrote %s (%d bytes)" % (os.path.relpath(path, REPO_ROOT), len(data)))


def main():
    os.makedirs(RES_DIR, exist_ok=True)
    write("clock.ico", build_ico(draw_clock_icon(), 8, palette_256()))
    write("tray.ico", build_ico(draw_tray_icon(), 4, VGA16))


if __name__ == "__main__":
    main()

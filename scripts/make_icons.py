#!/usr/bin/env python3
"""Write the two Zorvane icons, res/clock.ico and res/tray.ico.

clock.ico shows a miniature window: a light-grey frame with a dark-grey
edge on the right and bottom, a dark-blue caption bar along the top and a
see-through client area holding a tiny "12:34" in black, drawn with a
hand-made pixel font.  It is the window-class icon and small icon, and the
icon Explorer shows for the program.

tray.ico shows a white clock face with a grey rim, four black hour marks
and two black hands, transparent outside the disc.  It is the
notification-area icon.

Each file holds one picture per size, drawn for that size on the pixel
grid rather than scaled from another, so that the system finds a sharp
image at every display scale:

- the original palette images, kept as they were: the 32 x 32 window with
  a 256-colour palette and the 16 x 16 clock face with 16 colours.  They
  are classic palette DIBs with a 1-bit AND mask, the formats every
  Windows version understands, and are what a 256-colour display gets;
- 32-bit images (blue, green, red and alpha per pixel) of the window at
  16, 20, 24, 32 and 48 pixels and of the clock face at 20, 24, 32 and 48.
  The window needs its own 16-pixel image for the small icon at 100 %
  scale; the clock face already has one in the 16-colour image.  The
  window is all straight edges and uses full or no alpha only; the clock
  face's disc has softened (partly transparent) edge pixels.  They are
  stored as PNG files inside the icon, which Windows Vista and later read
  at any size: a 48-pixel picture takes under 700 bytes instead of the
  9,640 of its DIB, so both icons together take about 5 KB of the program
  instead of about 40.  The palette images stay DIBs, which every reader
  understands.

The script uses only the standard library, takes no arguments and always
writes the same bytes.
"""

import os
import struct
import zlib

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

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"

# Pixel value meaning "transparent" in the palette pictures below.  It is
# written as colour index 0 (black) in the XOR bitmap with its AND-mask bit
# set.
CLEAR = None

# The sizes of the 32-bit images.
WINDOW_SIZES = (16, 20, 24, 32, 48)
FACE_SIZES = (20, 24, 32, 48)


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


# Hand-made pixel fonts: each glyph is a list of rows ('#' = ink).
FONT_3X5 = {
    "1": [".#.", "##.", ".#.", ".#.", "###"],
    "2": ["##.", "..#", ".#.", "#..", "###"],
    "3": ["##.", "..#", ".#.", "..#", "##."],
    "4": ["#.#", "#.#", "###", "..#", "..#"],
    ":": [".", "#", ".", "#", "."],
}

# The 3 x 5 font with a one that is two pixels wide and has no foot, so
# that "12:34" fits the 20-pixel window with a pixel to spare on each side.
FONT_3X5_NARROW_ONE = dict(FONT_3X5, **{"1": [".#", "##", ".#", ".#", ".#"]})

# Digits two pixels wide (the four needs three) for the 16-pixel window,
# whose client area is 14 pixels across.
FONT_2X5 = dict(FONT_3X5, **{
    "1": ["#", "#", "#", "#", "#"],
    "2": ["##", ".#", "##", "#.", "##"],
    "3": ["##", ".#", "##", ".#", "##"],
})

# A 5 x 7 font for the 48-pixel window.
FONT_5X7 = {
    "1": ["..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "2": [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    "3": [".###.", "#...#", "....#", "..##.", "....#", "#...#", ".###."],
    "4": ["...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."],
    ":": [".", ".", "#", ".", "#", ".", "."],
}


class WindowLayout:
    """How the miniature window is laid out at one icon size.

    height:  rows of the window (it is always as wide as the icon); it
             stands in the middle of the icon, transparent above and below.
    caption: rows of the blue caption bar.
    double:  right and bottom edges are a light-grey frame line plus the
             dark-grey edge, as at 32 pixels; otherwise the dark-grey edge
             alone, which leaves the small sizes room for the text.
    font:    the glyphs of "12:34".
    """

    def __init__(self, height, caption, double, font):
        self.height = height
        self.caption = caption
        self.double = double
        self.font = font


WINDOW_LAYOUTS = {
    16: WindowLayout(11, 1, False, FONT_2X5),
    20: WindowLayout(12, 2, False, FONT_3X5_NARROW_ONE),
    24: WindowLayout(15, 2, True, FONT_3X5),
    32: WindowLayout(20, 2, True, FONT_3X5),
    48: WindowLayout(30, 3, True, FONT_5X7),
}


def draw_window(size):
    """Return `size` rows of `size` palette indices (top row first): the
    miniature window as laid out for that size."""
    layout = WINDOW_LAYOUTS[size]
    pixels = [[CLEAR] * size for _ in range(size)]
    win_w, win_h = size, layout.height
    top = (size - win_h) // 2  # rows above and below stay transparent
    edge = 1 if layout.double else 0  # light-grey line inside the dark edge
    caption_end = layout.caption + 1  # the frame line under the caption

    def put(x, y, c):
        pixels[top + y][x] = c

    for y in range(win_h):
        for x in range(win_w):
            if x == win_w - 1 or y == win_h - 1:
                put(x, y, DARK_GREY)          # shadow edge, right and bottom
            elif (x == 0 or y in (0, caption_end) or
                  (edge and (x == win_w - 2 or y == win_h - 2))):
                put(x, y, LIGHT_GREY)         # frame
            elif y < caption_end:
                put(x, y, DARK_BLUE)          # caption bar
            # everything else is the transparent client area

    # "12:34" centred in the client area, one pixel between glyphs.
    text = "12:34"
    font = layout.font
    glyph_h = len(font["1"])
    text_w = sum(len(font[ch][0]) for ch in text) + (len(text) - 1)
    client_x0, client_w = 1, win_w - 2 - edge
    client_y0, client_h = caption_end + 1, win_h - caption_end - 2 - edge
    assert text_w <= client_w and glyph_h <= client_h, size
    x = client_x0 + (client_w - text_w) // 2
    y0 = client_y0 + (client_h - glyph_h) // 2
    for ch in text:
        glyph = font[ch]
        for gy, row in enumerate(glyph):
            for gx, cell in enumerate(row):
                if cell == "#":
                    put(x + gx, y0 + gy, BLACK)
        x += len(glyph[0]) + 1
    return pixels


def draw_tray_icon():
    """Return 16 rows of 16 pixels (top row first) for the 16-colour tray
    icon."""
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


class FaceLayout:
    """How the clock face is drawn at one icon size (pixels).

    rim:   width of the grey rim inside the disc's edge.
    line:  thickness of the hands and hour marks; even, so that they sit
           symmetrically about the centre, which lies between pixels.
    mark:  length of an hour mark, and gap: its distance from the rim.
    clear: the space between the mark at 12 and the minute hand's tip, so
           that the two read as a mark and a hand rather than one line.
    """

    def __init__(self, rim, line, mark, gap, clear):
        self.rim = rim
        self.line = line
        self.mark = mark
        self.gap = gap
        self.clear = clear


FACE_LAYOUTS = {
    20: FaceLayout(1.0, 2, 2, 0, 2),
    24: FaceLayout(1.0, 2, 2, 1, 2),
    32: FaceLayout(1.25, 2, 2, 1, 2),
    48: FaceLayout(2.0, 4, 4, 1, 3),
}

# Samples per pixel along each axis when measuring how much of a pixel the
# disc and its rim cover.
SUBSAMPLES = 16


def draw_face(size):
    """Return `size` rows of `size` (red, green, blue, alpha) pixels: the
    clock face as laid out for that size."""
    layout = FACE_LAYOUTS[size]
    c = size / 2.0               # the centre, on a pixel corner
    radius = size / 2.0
    inner = (radius - layout.rim) ** 2
    outer = radius ** 2
    white, grey = VGA16[WHITE], VGA16[DARK_GREY]

    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    n = SUBSAMPLES
    offsets = [(i + 0.5) / n for i in range(n)]
    for y in range(size):
        for x in range(size):
            covered = rim = 0
            for oy in offsets:
                dy2 = (y + oy - c) ** 2
                for ox in offsets:
                    d2 = (x + ox - c) ** 2 + dy2
                    if d2 <= outer:
                        covered += 1
                        if d2 > inner:
                            rim += 1
            if covered == 0:
                continue
            # Colour of the covered part, alpha its share of the pixel.
            rgb = tuple((rim * g + (covered - rim) * w + covered // 2) // covered
                        for g, w in zip(grey, white))
            alpha = (covered * 255 + n * n // 2) // (n * n)
            pixels[y][x] = rgb + (alpha,)

    ink = VGA16[BLACK] + (255,)
    mid = size // 2
    half = layout.line // 2

    def bar(x0, x1, y0, y1):
        for y in range(y0, y1):
            for x in range(x0, x1):
                pixels[y][x] = ink

    # The mark at 12 lies from `start` to `end`; the minute hand points at
    # it and the hour hand, at 3, is three quarters as long.
    start = int(layout.rim + 0.999) + layout.gap
    end = start + layout.mark
    minute = mid - end - layout.clear
    bar(mid - half, mid + half, mid - minute, mid + half)
    bar(mid - half, mid + (3 * minute + 2) // 4, mid - half, mid + half)
    # The mark at 12, then turned a quarter at a time about the centre.
    mark = [(x, y) for y in range(start, end)
            for x in range(mid - half, mid + half)]
    for _ in range(4):
        for x, y in mark:
            pixels[y][x] = ink
        mark = [(size - 1 - y, x) for x, y in mark]
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


def dib_header(width, height, bpp, image_bytes, ncolours):
    return struct.pack(
        "<IiiHHIIiiII",
        40,                # biSize
        width,             # biWidth
        height * 2,        # biHeight: XOR bitmap plus AND mask
        1,                 # biPlanes
        bpp,               # biBitCount
        0,                 # biCompression = BI_RGB
        image_bytes,       # biSizeImage
        0, 0,              # biXPelsPerMeter, biYPelsPerMeter
        ncolours,          # biClrUsed
        0,                 # biClrImportant
    )


def palette_image(pixels, bpp, colours):
    """Return (width, height, colour count, bpp, bytes) of one palette
    image, CLEAR pixels masked out."""
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

    header = dib_header(width, height, bpp, len(xor_data) + len(and_data), ncolours)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)
    return width, height, ncolours, bpp, header + palette + xor_data + and_data


def png_chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data +
            struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def png_image(pixels):
    """Return (width, height, colour count, bpp, bytes) of one 32-bit image
    stored as a PNG file: 8 bits of red, green, blue and alpha per pixel,
    not premultiplied, top row first, no chunks but the three required.
    Every row uses filter type 0 (none), which on these flat pictures
    compresses better than any other filter, and the fixed compression
    level keeps the bytes the same from run to run.  Windows makes the
    icon's mask from the alpha channel."""
    height = len(pixels)
    width = len(pixels[0])
    raw = b"".join(b"\0" + b"".join(struct.pack("BBBB", *p) for p in row)
                   for row in pixels)
    header = struct.pack(">IIBBBBB", width, height,
                         8,   # bits per channel
                         6,   # colour type: truecolour with alpha
                         0,   # compression: deflate
                         0,   # filter method: adaptive (all rows type 0)
                         0)   # no interlace
    data = (PNG_SIGNATURE + png_chunk(b"IHDR", header) +
            png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b""))
    return width, height, 0, 32, data


def to_rgba(pixels):
    """A palette picture of standard colours as (red, green, blue, alpha)."""
    return [[(0, 0, 0, 0) if c is CLEAR else VGA16[c] + (255,) for c in row]
            for row in pixels]


def build_ico(images):
    """Return the bytes of an .ico file holding `images`, in that order."""
    header = struct.pack("<HHH", 0, 1, len(images))
    entries = b""
    offset = 6 + 16 * len(images)
    for width, height, ncolours, bpp, data in images:
        entries += struct.pack(
            "<BBBBHHII",
            width if width < 256 else 0,
            height if height < 256 else 0,
            ncolours if ncolours < 256 else 0,  # colour count, 0 means 256 or more
            0,                                  # reserved
            1,                                  # planes
            bpp,                                # bit count
            len(data),                          # bytes in resource
            offset,                             # offset of the image
        )
        offset += len(data)
    return header + entries + b"".join(image[4] for image in images)


def write(name, data):
    path = os.path.join(RES_DIR, name)
    with open(path, "wb") as f:
        f.write(data)
    print("wrote %s (%d bytes)" % (os.path.relpath(path, REPO_ROOT), len(data)))


def main():
    os.makedirs(RES_DIR, exist_ok=True)
    # The palette images come first, as in the files before the 32-bit
    # images were added.
    clock = [palette_image(draw_window(32), 8, palette_256())]
    clock += [png_image(to_rgba(draw_window(size))) for size in WINDOW_SIZES]
    tray = [palette_image(draw_tray_icon(), 4, VGA16)]
    tray += [png_image(draw_face(size)) for size in FACE_SIZES]
    write("clock.ico", build_ico(clock))
    write("tray.ico", build_ico(tray))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws Zeziduz.ico: two overlapping window frames, eight sizes.

usage: make_icon.py [OUT.ico] [--preview PREVIEW.png]

Every size is laid out on its own pixel grid (edges on whole pixels), so the
small images stay crisp; only rounded corners and shadows are antialiased.
Standard library only, so the icon can be remade on any machine.
"""
import math
import struct
import sys
import zlib

SIZES = [128, 96, 72, 64, 48, 32, 24, 16]

# Colours (R, G, B). The front window is light blue, the one behind grey.
FRONT = {
    "edge": (0x2E, 0x7D, 0xC4),
    "small_edge": (0x4C, 0xA0, 0xE8),
    "band": (0x7C, 0xBE, 0xF2),
    "title": (0x8F, 0xC9, 0xF5),
    "title_lo": (0x6A, 0xB2, 0xEC),
    "client": (0xFF, 0xFF, 0xFF),
    "buttons": (0xFF, 0xFF, 0xFF),
    "lines": (0xB8, 0xD9, 0xF4),
}
BACK = {
    "edge": (0x6B, 0x72, 0x7A),
    "small_edge": (0x80, 0x87, 0x8F),
    "band": (0xA9, 0xAF, 0xB6),
    "title": (0xB7, 0xBC, 0xC2),
    "title_lo": (0x9E, 0xA4, 0xAB),
    "client": (0xEC, 0xEE, 0xF0),
    "buttons": (0xEC, 0xEE, 0xF0),
    "lines": (0xCF, 0xD3, 0xD7),
}


class Canvas:
    """Straight-alpha RGBA in floats, composited with 'over'."""

    def __init__(self, size):
        self.size = size
        self.px = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]

    def blend(self, x, y, rgb, alpha):
        if alpha <= 0.0:
            return
        alpha = min(alpha, 1.0)
        r0, g0, b0, a0 = self.px[y][x]
        a = alpha + a0 * (1.0 - alpha)
        if a <= 0.0:
            return
        k0 = a0 * (1.0 - alpha)
        r = (rgb[0] / 255.0 * alpha + r0 * k0) / a
        g = (rgb[1] / 255.0 * alpha + g0 * k0) / a
        b = (rgb[2] / 255.0 * alpha + b0 * k0) / a
        self.px[y][x] = (r, g, b, a)

    def bgra_bottom_up(self):
        out = bytearray()
        for y in range(self.size - 1, -1, -1):
            for r, g, b, a in self.px[y]:
                a8 = round(a * 255)
                if a8 == 0:
                    out += b"\0\0\0\0"
                else:
                    out += bytes((round(b * 255), round(g * 255), round(r * 255), a8))
        return bytes(out)


def rounded_rect_sdf(px, py, x0, y0, x1, y1, radius):
    """Signed distance from a point to a rounded rectangle (negative inside)."""
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - radius, (y1 - y0) / 2.0 - radius
    qx, qy = abs(px - cx) - hx, abs(py - cy) - hy
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def fill(canvas, rect, radius, colour, alpha=1.0, soft=1.0, gradient=None):
    """Fills a rectangle given in pixel edges; soft > 1 blurs its edge (shadows)."""
    x0, y0, x1, y1 = rect
    if x1 <= x0 or y1 <= y0:
        return
    pad = int(math.ceil(soft))
    for y in range(max(0, int(y0) - pad), min(canvas.size, int(math.ceil(y1)) + pad)):
        for x in range(max(0, int(x0) - pad), min(canvas.size, int(math.ceil(x1)) + pad)):
            d = rounded_rect_sdf(x + 0.5, y + 0.5, x0, y0, x1, y1, radius)
            cover = min(max(0.5 - d / soft, 0.0), 1.0)
            if soft > 1.0:
                cover = cover * cover * (3 - 2 * cover)
            if cover <= 0.0:
                continue
            rgb = colour
            if gradient is not None:
                t = (y + 0.5 - y0) / max(y1 - y0, 1)
                rgb = tuple(round(a + (b - a) * t) for a, b in zip(colour, gradient))
            canvas.blend(x, y, rgb, cover * alpha)


def layout(size):
    """Whole-pixel measures of one size."""
    s = size

    def snap(f):
        return int(round(f * s))

    return {
        "front": (snap(0.03), snap(0.07), snap(0.70), snap(0.66)),
        "back": (snap(0.30), snap(0.34), snap(0.97), snap(0.93)),
        "band": max(1, round(s / 28)),
        "title": max(2, round(s * 0.11)),
        "radius": 0.0 if s < 32 else s / 36.0,
        "shadow": s >= 32,
    }


def draw_window(canvas, rect, colours, m):
    size = canvas.size
    x0, y0, x1, y1 = rect
    radius = m["radius"]
    band = m["band"]
    if m["shadow"]:
        off = max(1.0, size / 48.0)
        fill(canvas, (x0 + off * 0.5, y0 + off, x1 + off * 0.5, y1 + off), radius + off, (0, 0, 0),
             alpha=0.30, soft=max(1.5, size / 28.0))
    # The outermost pixel row is a darker edge from 32 px up; below that the
    # band itself is the edge so the frame stays one clean line.
    if size >= 32:
        fill(canvas, rect, radius, colours["edge"])
        fill(canvas, (x0 + 1, y0 + 1, x1 - 1, y1 - 1), max(radius - 1, 0.0), colours["band"])
        inner = (x0 + 1 + band, y0 + 1, x1 - 1 - band, y1 - 1 - band)
    else:
        fill(canvas, rect, radius, colours["small_edge"])
        inner = (x0 + band, y0 + band, x1 - band, y1 - band)
    # The title bar strip sits on top of the client area, inside the band.
    ix0, iy0, ix1, iy1 = inner
    title = m["title"]
    fill(canvas, (ix0, iy0, ix1, iy0 + title), 0.0, colours["title"], gradient=colours["title_lo"])
    client = (ix0, iy0 + title, ix1, iy1)
    fill(canvas, client, 0.0, colours["client"])
    # Caption buttons and a few text lines where there is room for them.
    if size >= 48:
        bw = max(2, round(title * 0.45))
        gap = max(1, round(bw * 0.6))
        by0 = iy0 + (title - bw) / 2.0
        bx = ix1 - gap - bw
        for _ in range(3):
            fill(canvas, (bx, round(by0), bx + bw, round(by0) + bw), 0.0, colours["buttons"], alpha=0.9)
            bx -= gap + bw
    if size >= 24:
        cx0, cy0, cx1, cy1 = client
        lh = max(1, round(size / 40))
        step = max(3, round(size / 11))
        y = cy0 + step - lh
        n = 0
        while y + lh <= cy1 - max(2, step // 2):
            right = cx1 - max(2, round(size / 16)) - (round((cx1 - cx0) * 0.3) if n % 3 == 2 else 0)
            fill(canvas, (cx0 + max(2, round(size / 16)), y, right, y + lh), 0.0, colours["lines"])
            y += step
            n += 1


def render(size):
    canvas = Canvas(size)
    m = layout(size)
    draw_window(canvas, m["back"], BACK, m)
    draw_window(canvas, m["front"], FRONT, m)
    return canvas


def icon_image(canvas):
    size = canvas.size
    xor = canvas.bgra_bottom_up()
    # The 1-bit mask marks fully transparent pixels, rows padded to 32 bits.
    row_bytes = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        row = bytearray(row_bytes)
        for x in range(size):
            if round(canvas.px[y][x][3] * 255) == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + bytes(mask)


def write_ico(path, canvases):
    images = [icon_image(c) for c in canvases]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for c, data in zip(canvases, images):
        dim = c.size if c.size < 256 else 0
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def write_png(path, width, height, rows):
    """rows: list of bytes objects, RGB, one per line."""
    raw = b"".join(b"\0" + r for r in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def write_preview(path, canvases):
    """Each size at 1:1 and enlarged, on a light, a dark and a checked ground."""
    grounds = [lambda x, y: (0xF3, 0xF3, 0xF3), lambda x, y: (0x20, 0x20, 0x20),
               lambda x, y: (0xC8, 0xC8, 0xC8) if ((x // 4 + y // 4) % 2) else (0xFF, 0xFF, 0xFF)]
    zoom = 4
    cell = 128 * zoom + 8
    width = cell * len(canvases)
    height = (128 + 8 + 128 * zoom + 8) * len(grounds)
    img = [[(0x80, 0x80, 0x80)] * width for _ in range(height)]
    for gi, ground in enumerate(grounds):
        top = gi * (128 + 8 + 128 * zoom + 8)
        for ci, c in enumerate(canvases):
            left = ci * cell
            for y in range(128 + 8 + 128 * zoom + 8):
                for x in range(cell):
                    img[top + y][left + x] = ground(x, y)
            for y in range(c.size):
                for x in range(c.size):
                    r, g, b, a = c.px[y][x]
                    spots = [(left + 4 + x, top + 4 + y)]
                    spots += [(left + 4 + x * zoom + zx, top + 136 + y * zoom + zy)
                              for zy in range(zoom) for zx in range(zoom)]
                    for X, Y in spots:
                        gr = img[Y][X]
                        img[Y][X] = tuple(round(v * 255 * a + gv * (1 - a)) for v, gv in zip((r, g, b), gr))
    rows = [bytes(v for px in row for v in px) for row in img]
    write_png(path, width, height, rows)


def main(argv):
    out = "Zeziduz.ico"
    preview = None
    args = list(argv)
    while args:
        a = args.pop(0)
        if a == "--preview":
            preview = args.pop(0)
        else:
            out = a
    canvases = [render(s) for s in SIZES]
    write_ico(out, canvases)
    if preview:
        write_preview(preview, canvases)


if __name__ == "__main__":
    main(sys.argv[1:])

#!/usr/bin/python3
"""Draws Quillmate's application icon: a quill over a blue-green tile with a
gold arrow pointing up (a tool that writes updates).

The shapes are defined once here and written both as the scalable icon
(quillmate.svg) and as PNG files of the sizes the desktop asks for
(icons/quillmate-<n>.png), rasterised here with 4x4 supersampling, so the
two always agree. Run from the repository root:
  /usr/bin/python3 packaging/make_icon.py
"""
import math
import struct
import zlib

SIZES = (16, 24, 32, 48, 64, 128, 256)
VIEW = 256.0

TILE = (16.0, 16.0, 224.0, 224.0, 48.0)  # x, y, width, height, corner radius
TILE_TOP = (0x3a, 0xa1, 0x8f)
TILE_BOTTOM = (0x1b, 0x55, 0x6e)


def feather():
    """The vane: a leaf along the axis from (70, 196) to (206, 42), fuller
    on its upper side."""
    x0, y0, x1, y1 = 70.0, 196.0, 206.0, 42.0
    length = math.hypot(x1 - x0, y1 - y0)
    ux, uy = (x1 - x0) / length, (y1 - y0) / length
    nx, ny = -uy, ux
    upper, lower = [], []
    steps = 24
    for i in range(steps + 1):
        t = i / steps
        swell = math.sin(math.pi * t) ** 0.7
        px, py = x0 + ux * length * t, y0 + uy * length * t
        upper.append((px - nx * 44 * swell * (1 - 0.25 * t), py - ny * 44 * swell * (1 - 0.25 * t)))
        lower.append((px + nx * 26 * swell, py + ny * 26 * swell))
    return upper + lower[::-1][1:-1]


def quad(x0, y0, x1, y1, half):
    """A bar of half-width `half` from (x0, y0) to (x1, y1)."""
    length = math.hypot(x1 - x0, y1 - y0)
    nx, ny = -(y1 - y0) / length * half, (x1 - x0) / length * half
    return [(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)]


# Painted in order over the tile: (points, colour).
SHAPES = [
    (feather(), (0xfb, 0xf6, 0xe9)),
    (quad(52, 216, 184, 66, 4.5), (0x5b, 0x3a, 0x1e)),
    ([(40, 232), (58, 204), (66, 212)], (0x2b, 0x1d, 0x10)),
    ([(192, 134), (232, 176), (208, 176), (208, 224), (176, 224), (176, 176), (152, 176)],
     (0xff, 0xc8, 0x3d)),
]


def hex_colour(rgb):
    return "#%02x%02x%02x" % rgb


def write_svg(path):
    x, y, w, h, r = TILE
    lines = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">',
        '  <title>Quillmate</title>',
        '  <defs>',
        '    <linearGradient id="tile" x1="0" y1="%g" x2="0" y2="%g" gradientUnits="userSpaceOnUse">' % (y, y + h),
        '      <stop offset="0" stop-color="%s"/>' % hex_colour(TILE_TOP),
        '      <stop offset="1" stop-color="%s"/>' % hex_colour(TILE_BOTTOM),
        '    </linearGradient>',
        '  </defs>',
        '  <rect x="%g" y="%g" width="%g" height="%g" rx="%g" fill="url(#tile)"/>' % (x, y, w, h, r),
    ]
    for points, colour in SHAPES:
        pts = " ".join("%.2f,%.2f" % p for p in points)
        lines.append('  <polygon points="%s" fill="%s"/>' % (pts, hex_colour(colour)))
    lines.append("</svg>")
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def inside_tile(px, py):
    x, y, w, h, r = TILE
    if px < x or px > x + w or py < y or py > y + h:
        return False
    cx = min(max(px, x + r), x + w - r)
    cy = min(max(py, y + r), y + h - r)
    return (px - cx) ** 2 + (py - cy) ** 2 <= r * r


def inside_polygon(points, px, py):
    inside = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > py) != (yj > py) and px < (xj - xi) * (py - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def sample(px, py):
    """(r, g, b, a) of one point of the view box."""
    if not inside_tile(px, py):
        return (0, 0, 0, 0)
    t = (py - TILE[1]) / TILE[3]
    colour = tuple(a + (b - a) * t for a, b in zip(TILE_TOP, TILE_BOTTOM))
    for points, fill in SHAPES:
        if inside_polygon(points, px, py):
            colour = fill
    return colour + (255,)


def write_png(path, size):
    n = 4
    scale = VIEW / size
    raw = bytearray()
    for y in range(size):
        raw.append(0)
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = sample((x + (sx + 0.5) / n) * scale, (y + (sy + 0.5) / n) * scale)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            alpha = acc[3] / (n * n)
            if acc[3] == 0:
                raw += b"\0\0\0\0"
            else:
                raw += bytes((round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]), round(alpha)))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
                chunk(b"IEND", b""))


if __name__ == "__main__":
    write_svg("packaging/quillmate.svg")
    for s in SIZES:
        write_png("packaging/icons/quillmate-%d.png" % s, s)

#!/usr/bin/env python3
"""Writes the window's icon as a Windows .ico file with 16, 32 and 48 pixel images.

The picture is the one the Linux build draws with its painter (a radio with a download arrow,
on a 256-unit square): the same shapes and colours, rasterised here with 4x4 samples per pixel
at 32 pixels and above and one sample at the pixel's centre below, as the painter
antialiases only from 32 pixels.

    make-window-icon.py OUT.ico
"""
import math
import struct
import sys

SIZES = (16, 32, 48)


def lerp_colour(a, b, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def vertical_gradient(y0, y1, top, bottom):
    return lambda x, y: lerp_colour(top, bottom, (y - y0) / (y1 - y0))


def plain(colour):
    return lambda x, y: colour


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = min(max(t, 0.0), 1.0)
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def rounded_rect_distance(px, py, left, top, width, height, radius):
    """Signed distance to a rounded rectangle's edge: negative inside."""
    cx, cy = left + width / 2, top + height / 2
    qx = abs(px - cx) - width / 2 + radius
    qy = abs(py - cy) - height / 2 + radius
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def inside_polygon(px, py, points):
    inside = False
    j = len(points) - 1
    for i, (xi, yi) in enumerate(points):
        xj, yj = points[j]
        if (yi > py) != (yj > py) and px < (xj - xi) * (py - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def polygon_edge_distance(px, py, points):
    return min(segment_distance(px, py, *points[i - 1], *points[i]) for i in range(len(points)))


ARROW = [(166, 158), (206, 158), (206, 196), (232, 196), (186, 246), (140, 196), (166, 196)]
CREAM = (245, 230, 200)
DARK_RED = (120, 40, 20)

# The layers in painting order: (covers(x, y), colour(x, y)), in the 256-unit square.
LAYERS = [
    # Antenna: a 10-unit line with round caps, and its knob filled and outlined alike.
    (lambda x, y: segment_distance(x, y, 70, 96, 150, 22) <= 5, plain((90, 90, 100))),
    (lambda x, y: math.hypot(x - 150, y - 22) <= 15, plain((90, 90, 100))),
    # The body, its gradient and its 6-unit outline.
    (lambda x, y: rounded_rect_distance(x, y, 14, 92, 228, 140, 26) <= 0,
     vertical_gradient(90, 236, (214, 92, 46), (150, 50, 24))),
    (lambda x, y: abs(rounded_rect_distance(x, y, 14, 92, 228, 140, 26)) <= 3, plain((90, 30, 14))),
    # Speaker grille: rings from the outside in.
    (lambda x, y: math.hypot(x - 78, y - 162) <= 46, plain(CREAM)),
    (lambda x, y: math.hypot(x - 78, y - 162) <= 34, plain(DARK_RED)),
    (lambda x, y: math.hypot(x - 78, y - 162) <= 26, plain(CREAM)),
    (lambda x, y: math.hypot(x - 78, y - 162) <= 18, plain(DARK_RED)),
    (lambda x, y: math.hypot(x - 78, y - 162) <= 10, plain(CREAM)),
    # Tuning dial with its needle (square caps).
    (lambda x, y: rounded_rect_distance(x, y, 142, 120, 80, 30, 8) <= 0, plain(CREAM)),
    (lambda x, y: 176 <= x <= 180 and 122 <= y <= 148, plain((200, 40, 30))),
    # The download arrow and its 6-unit outline.
    (lambda x, y: inside_polygon(x, y, ARROW),
     vertical_gradient(158, 246, (110, 210, 90), (40, 150, 40))),
    (lambda x, y: polygon_edge_distance(x, y, ARROW) <= 3, plain((20, 80, 20))),
]


def sample(x, y):
    colour = None
    for covers, paint in LAYERS:
        if covers(x, y):
            colour = paint(x, y)
    return colour


def render(size):
    """Rows top-down of (r, g, b, a) with straight alpha."""
    grid = 4 if size >= 32 else 1
    scale = 256.0 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            red = green = blue = covered = 0.0
            for sy in range(grid):
                for sx in range(grid):
                    colour = sample((px + (sx + 0.5) / grid) * scale,
                                    (py + (sy + 0.5) / grid) * scale)
                    if colour is not None:
                        red += colour[0]
                        green += colour[1]
                        blue += colour[2]
                        covered += 1
            if covered:
                row.append((round(red / covered), round(green / covered), round(blue / covered),
                            round(255 * covered / (grid * grid))))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def dib(size, rows):
    """A 32-bit DIB as an .ico holds it: the header with twice the height, the pixels
    bottom-up, then the 1-bit mask (set where fully transparent)."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def icon(sizes):
    images = [dib(size, render(size)) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip())
    with open(sys.argv[1], "wb") as out:
        out.write(icon(SIZES))


if __name__ == "__main__":
    main()

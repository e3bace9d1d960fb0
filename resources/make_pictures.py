#!/usr/bin/env python3
"""Draws the program's pictures as small PNG files, with the standard library only.

Each picture is a list of shapes painted in order; every pixel is sampled 4 x 4 times so the
edges come out smooth. Run it from this folder to regenerate the files that resources.qrc lists.
"""
import struct
import zlib

SAMPLES = 4


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


def polygon(points):
    def inside(x, y):
        hit = False
        n = len(points)
        for i in range(n):
            (x0, y0), (x1, y1) = points[i], points[(i + 1) % n]
            if (y0 > y) != (y1 > y) and x < (x1 - x0) * (y - y0) / (y1 - y0) + x0:
                hit = not hit
        return hit
    return inside


def thick_line(x0, y0, x1, y1, width):
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2
    return inside


def render(size, layers):
    """layers: list of (shape, (r, g, b)) in painting order; returns RGBA rows."""
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = px + (sx + 0.5) / SAMPLES
                    y = py + (sy + 0.5) / SAMPLES
                    colour = None
                    for shape, c in layers:
                        if shape(x, y):
                            colour = c
                    if colour is not None:
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 1
            n = acc[3]
            if n == 0:
                row += bytes(4)
            else:
                row += bytes([round(acc[0] / n), round(acc[1] / n), round(acc[2] / n),
                              round(255 * n / SAMPLES ** 2)])
        rows.append(bytes(row))
    return rows


def write_png(path, size, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + r for r in rows)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def cylinder(s, body, top, edge):
    """A database drum scaled to an s x s square."""
    k = s / 16.0
    outline = union(rect(2.5 * k, 4 * k, 13.5 * k, 12.5 * k), ellipse(8 * k, 4 * k, 5.5 * k, 2.5 * k),
                    ellipse(8 * k, 12.5 * k, 5.5 * k, 2.5 * k))
    inner = union(rect(3.5 * k, 4 * k, 12.5 * k, 12.5 * k), ellipse(8 * k, 12.5 * k, 4.5 * k, 1.6 * k))
    lid = ellipse(8 * k, 4 * k, 4.5 * k, 1.6 * k)
    band = minus(ellipse(8 * k, 8.2 * k, 4.6 * k, 1.7 * k), ellipse(8 * k, 7.4 * k, 4.6 * k, 1.7 * k))
    return [(outline, edge), (inner, body), (band, edge), (lid, top)]


def main():
    blue, light_blue, navy = (52, 120, 196), (150, 196, 240), (22, 58, 110)
    green, light_green, dark_green = (60, 150, 80), (160, 220, 150), (26, 80, 40)

    # Node 1: a blue database drum.
    write_png("node-1.png", 16, render(16, cylinder(16, blue, light_blue, navy)))

    # Node 2: a green drum with a white check mark.
    tick = union(thick_line(5.2, 9.0, 7.3, 11.0, 1.8), thick_line(7.3, 11.0, 11.2, 6.6, 1.8))
    write_png("node-2.png", 16,
              render(16, cylinder(16, green, light_green, dark_green) + [(tick, (255, 255, 255))]))

    # Browse button: a monitor with a blue screen on a stand.
    monitor = [
        (rect(1.5, 2.0, 14.5, 11.0), (70, 70, 70)),
        (rect(2.8, 3.3, 13.2, 9.7), (80, 150, 230)),
        (rect(2.8, 3.3, 13.2, 5.0), (140, 190, 245)),
        (rect(6.5, 11.0, 9.5, 12.8), (90, 90, 90)),
        (rect(4.0, 12.8, 12.0, 14.2), (70, 70, 70)),
    ]
    write_png("browse.png", 16, render(16, monitor))

    # Wait panel: an hourglass, sand running down.
    frame = (60, 45, 30)
    glass = (225, 235, 245)
    sand = (220, 170, 60)
    hourglass = [
        (rect(6, 3, 26, 5.5), frame),
        (rect(6, 26.5, 26, 29), frame),
        (polygon([(8, 5.5), (24, 5.5), (17.2, 16), (24, 26.5), (8, 26.5), (14.8, 16)]), frame),
        (polygon([(9.6, 5.5), (22.4, 5.5), (16.4, 16), (22.4, 26.5), (9.6, 26.5), (15.6, 16)]), glass),
        (polygon([(12.0, 10.5), (20.0, 10.5), (16.2, 15.6), (15.8, 15.6)]), sand),
        (rect(15.6, 15.6, 16.4, 24), sand),
        (polygon([(11.2, 26.5), (20.8, 26.5), (17.5, 22.5), (14.5, 22.5)]), sand),
    ]
    write_png("wait.png", 32, render(32, hourglass))

    # Window icon: a blue drum with a green check badge.
    for size in (16, 32):
        k = size / 32.0
        badge = ellipse(23 * k, 23 * k, 8 * k, 8 * k)
        badge_edge = ellipse(23 * k, 23 * k, 9 * k, 9 * k)
        mark = union(thick_line(19 * k, 23 * k, 22 * k, 26 * k, 2.6 * k),
                     thick_line(22 * k, 26 * k, 27.5 * k, 19.5 * k, 2.6 * k))
        layers = cylinder(size * 0.8, blue, light_blue, navy)
        layers += [(badge_edge, (255, 255, 255)), (badge, green), (mark, (255, 255, 255))]
        write_png("tarnwick-%d.png" % size, size, render(size, layers))


if __name__ == "__main__":
    main()

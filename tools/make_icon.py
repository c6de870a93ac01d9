#!/usr/bin/env python3
"""Draws Quillmere's icon and writes every file made from it.

The artwork is the ARTWORK list below: a blue table whose corner sinks into an
orange database cylinder, drawn on a 256-unit square. From it this script writes

  data/icons/quillmere.svg                      the artwork as SVG
  data/icons/hicolor/NxN/apps/quillmere.png     PNG sizes for the Linux desktop
  data/icons/hicolor/scalable/apps/quillmere.svg
  data/icons/quillmere.ico                      the Windows icon, 13 images:
      48, 32, 24, 16 px at 4 bpp and at 8 bpp (palettized BMP),
      the same four at 32 bpp (BMP with alpha), and 256 px stored as PNG

and checks the .ico it wrote. Standard library only; the output is the same on
every run. Run from the project root:
    python3 tools/make_icon.py
"""
import math
import os
import struct
import sys
import zlib

# ---------------------------------------------------------------- artwork --
# Layers, bottom first: (operation, colour, shapes). "fill" paints the union of
# the shapes; "erase" clears it, leaving a transparent gap between the table
# and the cylinder. Shapes: ("rect", x0, y0, x1, y1, corner_radius) and
# ("ellipse", cx, cy, rx, ry), in units of a 256-unit square.
BLUE = (0x1F, 0x5F, 0xBF)
HEADER = (0xBF, 0xD7, 0xF8)
WHITE = (0xFF, 0xFF, 0xFF)
RIM = (0x8A, 0x4A, 0x10)
ORANGE = (0xE8, 0x86, 0x2A)
TOP = (0xFA, 0xC8, 0x8E)


def table_cells():
    """The nine cells of a 3 x 3 table inside the blue frame."""
    columns = [(30, 78), (92, 140), (154, 202)]
    rows = [(38, 74), (88, 128), (142, 182)]
    header = [("rect", x0, rows[0][0], x1, rows[0][1], 0) for x0, x1 in columns]
    body = [("rect", x0, y0, x1, y1, 0) for x0, x1 in columns for y0, y1 in rows[1:]]
    return header, body


HEADER_CELLS, BODY_CELLS = table_cells()

CYLINDER_TOP, CYLINDER_BOTTOM, CYLINDER_CX = 150, 222, 188

ARTWORK = [
    ("fill", BLUE, [("rect", 16, 24, 216, 196, 14)]),
    ("fill", HEADER, HEADER_CELLS),
    ("fill", WHITE, BODY_CELLS),
    ("erase", None, [("rect", 112, CYLINDER_TOP, 264, CYLINDER_BOTTOM, 0),
                     ("ellipse", CYLINDER_CX, CYLINDER_TOP, 76, 30),
                     ("ellipse", CYLINDER_CX, CYLINDER_BOTTOM, 76, 30)]),
    ("fill", RIM, [("rect", 124, CYLINDER_TOP, 252, CYLINDER_BOTTOM, 0),
                   ("ellipse", CYLINDER_CX, CYLINDER_TOP, 64, 22),
                   ("ellipse", CYLINDER_CX, CYLINDER_BOTTOM, 64, 22)]),
    ("fill", ORANGE, [("rect", 132, CYLINDER_TOP, 244, CYLINDER_BOTTOM, 0),
                      ("ellipse", CYLINDER_CX, CYLINDER_BOTTOM, 56, 15)]),
    # A band round the cylinder: a dark ellipse mostly covered by an orange one
    # set a little higher, leaving a crescent.
    ("fill", RIM, [("ellipse", CYLINDER_CX, CYLINDER_TOP + 36, 56, 15)]),
    ("fill", ORANGE, [("ellipse", CYLINDER_CX, CYLINDER_TOP + 29, 56, 15)]),
    ("fill", TOP, [("ellipse", CYLINDER_CX, CYLINDER_TOP, 56, 15)]),
]

ARTWORK_COLOURS = sorted({colour for op, colour, _ in ARTWORK if op == "fill"})

UNITS = 256.0

# ---------------------------------------------------------------- raster ---


def span(shape, y):
    """The x interval of `shape` on the horizontal line at `y`, or None."""
    if shape[0] == "ellipse":
        _, cx, cy, rx, ry = shape
        t = (y - cy) / ry
        if abs(t) >= 1:
            return None
        half = rx * math.sqrt(1 - t * t)
        return cx - half, cx + half
    _, x0, y0, x1, y1, r = shape
    if not y0 <= y < y1:
        return None
    inset = 0.0
    if r:
        dy = max(y0 + r - y, y - (y1 - r), 0.0)
        inset = r - math.sqrt(max(r * r - dy * dy, 0.0))
    return x0 + inset, x1 - inset


def merged(intervals):
    out = []
    for a, b in sorted(i for i in intervals if i):
        if out and a <= out[-1][1]:
            out[-1][1] = max(out[-1][1], b)
        else:
            out.append([a, b])
    return out


def coverage(shapes, size, subrows=16):
    """Per pixel, the share of it that the union of `shapes` covers: exact
    across each row, sampled on `subrows` lines down it."""
    scale = size / UNITS
    cover = [[0.0] * size for _ in range(size)]
    for py in range(size):
        row = cover[py]
        for s in range(subrows):
            y = (py + (s + 0.5) / subrows) / scale
            for a, b in merged(span(shape, y) for shape in shapes):
                a, b = max(a * scale, 0.0), min(b * scale, float(size))
                px = int(a)
                while px < b:
                    row[px] += (min(b, px + 1) - max(a, px)) / subrows
                    px += 1
    return cover


def render(size):
    """The artwork at `size` pixels: rows of premultiplied (r, g, b, a) floats."""
    pixels = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]
    for op, colour, shapes in ARTWORK:
        cover = coverage(shapes, size)
        for y in range(size):
            for x in range(size):
                c = min(cover[y][x], 1.0)
                if c == 0.0:
                    continue
                r, g, b, a = pixels[y][x]
                keep = 1.0 - c
                if op == "erase":
                    pixels[y][x] = (r * keep, g * keep, b * keep, a * keep)
                else:
                    cr, cg, cb = (v / 255.0 for v in colour)
                    pixels[y][x] = (cr * c + r * keep, cg * c + g * keep,
                                    cb * c + b * keep, c + a * keep)
    return [[straight(p) for p in row] for row in pixels]


def straight(p):
    """Premultiplied floats to straight 8-bit RGBA."""
    r, g, b, a = p
    if a <= 0.0:
        return (0, 0, 0, 0)
    return tuple(round(min(max(v / a, 0.0), 1.0) * 255) for v in (r, g, b)) + (round(a * 255),)


# ---------------------------------------------------------------- PNG ------


def png(image):
    size = len(image)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in image)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


# ---------------------------------------------------------------- palettes -


def median_cut(colours, count):
    """At most `count` representative colours of the (r, g, b) list."""
    boxes = [sorted(set(colours))]
    while len(boxes) < count:
        splittable = [b for b in boxes if len(b) > 1]
        if not splittable:
            break
        box = max(splittable, key=lambda b: (extent(b)[0], len(b)))
        channel = extent(box)[1]
        box.sort(key=lambda c: (c[channel], c))
        half = len(box) // 2
        boxes.remove(box)
        boxes += [box[:half], box[half:]]
    return sorted(tuple(round(sum(c[i] for c in b) / len(b)) for i in range(3)) for b in boxes)


def extent(box):
    ranges = [max(c[i] for c in box) - min(c[i] for c in box) for i in range(3)]
    return max(ranges), ranges.index(max(ranges))


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((palette[i][k] - colour[k]) ** 2 for k in range(3)))


def opaque(p):
    return p[3] >= 128


# ---------------------------------------------------------------- ICO ------


def row_bytes(bits_per_row):
    return (bits_per_row + 31) // 32 * 4


def pack_bits(values, bits):
    """Values of `bits` bits each, most significant first, padded to 32 bits."""
    out = bytearray(row_bytes(len(values) * bits))
    per_byte = 8 // bits
    for i, v in enumerate(values):
        out[i // per_byte] |= v << (8 - bits * (i % per_byte + 1))
    return bytes(out)


def bmp_entry(image, bpp):
    """One icon image as a BMP: header, palette, colour rows, mask rows."""
    size = len(image)
    rows = image[::-1]  # BMP rows run bottom-up
    mask = b"".join(pack_bits([0 if opaque(p) else 1 for p in row], 1) for row in rows)
    if bpp == 32:
        palette = b""
        colour = b"".join(bytes(v for p in row for v in (p[2], p[1], p[0], p[3])) for row in rows)
    else:
        # Entry 0 is black: transparent pixels point at it, as icon editors do.
        # The artwork's own colours come next, so flat areas keep them exactly;
        # the edges share what is left.
        used = [p[:3] for row in image for p in row if opaque(p)]
        colours = [(0, 0, 0)] + ARTWORK_COLOURS
        colours += median_cut(used, (1 << bpp) - len(colours))
        colours += [(0, 0, 0)] * ((1 << bpp) - len(colours))
        palette = b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
        cache = {}

        def index(p):
            if not opaque(p):
                return 0
            if p[:3] not in cache:
                cache[p[:3]] = 1 + nearest(colours[1:], p[:3])
            return cache[p[:3]]

        colour = b"".join(pack_bits([index(p) for p in row], bpp) for row in rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0,
                         len(colour) + len(mask), 0, 0, 0, 0)
    return header + palette + colour + mask


def ico(entries):
    """entries: (size, bpp, data) in directory order."""
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for size, bpp, data in entries:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16 if bpp == 4 else 0, 0,
                           1, bpp, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, _, data in entries)


def check_ico(data, expected):
    """Fails loudly unless `data` holds exactly the `expected` (size, bpp, format)."""
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    assert kind == 1 and count == len(expected), (kind, count)
    for i, (size, bpp, form) in enumerate(expected):
        w, h, _, _, _, bits, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        assert (w or 256, h or 256, bits) == (size, size, bpp), (i, w, h, bits)
        assert offset + length <= len(data), i
        image = data[offset:offset + length]
        if form == "png":
            assert image.startswith(b"\x89PNG\r\n\x1a\n"), i
        else:
            _, width, height, _, bmp_bits = struct.unpack_from("<IiiHH", image, 0)
            assert (width, height, bmp_bits) == (size, 2 * size, bpp), (i, width, height)


# ---------------------------------------------------------------- SVG ------


def svg_shape(shape):
    if shape[0] == "ellipse":
        _, cx, cy, rx, ry = shape
        return f'<ellipse cx="{cx}" cy="{cy}" rx="{rx}" ry="{ry}"/>'
    _, x0, y0, x1, y1, r = shape
    corner = f' rx="{r}"' if r else ""
    return f'<rect x="{x0}" y="{y0}" width="{x1 - x0}" height="{y1 - y0}"{corner}/>'


def svg():
    """The artwork as SVG; an erase layer becomes a mask over what lies below."""
    body = ""
    masks = ""
    for op, colour, shapes in ARTWORK:
        if op == "erase":
            mask_id = f"gap{len(masks)}"
            masks += (f'<mask id="{mask_id}"><rect width="256" height="256" fill="#fff"/>'
                      f'<g fill="#000">{"".join(svg_shape(s) for s in shapes)}</g></mask>')
            body = f'<g mask="url(#{mask_id})">{body}</g>'
        else:
            fill = "#%02x%02x%02x" % colour
            body += f'<g fill="{fill}">{"".join(svg_shape(s) for s in shapes)}</g>'
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" '
            f'viewBox="0 0 256 256"><defs>{masks}</defs>{body}</svg>\n')


# ---------------------------------------------------------------- main -----

ICO_IMAGES = ([(s, 4, "bmp") for s in (48, 32, 24, 16)]
              + [(s, 8, "bmp") for s in (48, 32, 24, 16)]
              + [(s, 32, "bmp") for s in (48, 32, 24, 16)]
              + [(256, 32, "png")])
DESKTOP_SIZES = (16, 24, 32, 48, 64, 128, 256)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    print(path)


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "icons")
    root = os.path.normpath(root)
    images = {size: render(size) for size in sorted(set(DESKTOP_SIZES) | {s for s, _, _ in ICO_IMAGES})}

    text = svg().encode()
    write(os.path.join(root, "quillmere.svg"), text)
    write(os.path.join(root, "hicolor", "scalable", "apps", "quillmere.svg"), text)
    for size in DESKTOP_SIZES:
        write(os.path.join(root, "hicolor", f"{size}x{size}", "apps", "quillmere.png"), png(images[size]))

    entries = [(size, bpp, png(images[size]) if form == "png" else bmp_entry(images[size], bpp))
               for size, bpp, form in ICO_IMAGES]
    data = ico(entries)
    check_ico(data, ICO_IMAGES)
    write(os.path.join(root, "quillmere.ico"), data)
    return 0


if __name__ == "__main__":
    sys.exit(main())

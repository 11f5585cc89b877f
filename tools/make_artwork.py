#!/usr/bin/env python3
"""Draws the head (assets/head.png), the window's icon (assets/icon.png), the desktop's
icons (assets/icons/oculon-N.png) and the Windows program's icon (assets/oculon.ico) from code,
and checks every figure the window shape relies on. Only the standard library is used.

    python3 tools/make_artwork.py [--check]

With --check it draws in memory and compares the pixels with the committed files instead of
writing (pixels, not bytes: another zlib may compress the same picture otherwise).
"""
import math
import struct
import sys
import zlib
from collections import deque
from pathlib import Path

WIDTH, HEIGHT = 170, 322
KEY = (0, 1, 43)
LEFT_EYE, RIGHT_EYE = (58, 148), (117, 150)
SKIN = (238, 194, 156)
HAIR = (122, 66, 30)
RIM = (54, 30, 34)

# The outline is fixed row by row: each row of the head is one run [left, right] of columns.
# The bottom rows are the pointed beard; rows 298 and 304 have a strand of their own.
BEARD_ROWS = {
    296: [(50, 111)], 297: [(51, 110)], 298: [(52, 52), (54, 109)], 299: [(55, 108)],
    300: [(56, 106)], 301: [(58, 104)], 302: [(59, 102)], 303: [(60, 100)],
    304: [(61, 62), (65, 98)], 305: [(66, 97)], 306: [(67, 95)],
}
TARGET_PIXELS = 36326
NEAR_KEY_PIXELS = 64


def head_runs():
    """The runs of every row: a dome above the eyes, cheeks narrowing to the beard below."""
    runs = {}
    for y in range(3, 321):
        if y in BEARD_ROWS:
            runs[y] = list(BEARD_ROWS[y])
            continue
        if y > 306:  # the beard's point, down to column 80 on row 320
            t = (y - 306) / 14
            runs[y] = [(round(67 + 13 * t), round(95 - 15 * t))]
            continue
        span = None
        if y >= 12:
            if y <= 150:
                half = 80.5 * math.sqrt(max(0.0, 1 - ((150 - y) / 138) ** 2))
                centre = 84.5
            else:
                t = (y - 150) / 146
                half = 30.5 + 50 * (1 - t ** 1.26)
                centre = 84.5 - 4 * t
            span = [round(centre - half), round(centre + half)]
        if y <= 18:  # the cowlick that sticks up from the crown
            lean = 101 - (y - 3) * 0.9
            tuft = [round(lean - 3 - (y - 3) * 0.25), round(lean + 3 + (y - 3) * 0.1)]
            span = tuft if span is None else [min(span[0], tuft[0]), max(span[1], tuft[1])]
        runs[y] = [tuple(span)]
    return runs


def fit_pixel_count(runs):
    """Widens or narrows rows of the cheeks by a pixel until the head has its exact size."""
    total = sum(r - l + 1 for row in runs.values() for l, r in row)
    rows = [y for y in range(200, 280)]
    step = 0
    while total != TARGET_PIXELS:
        y = rows[step % len(rows)]
        side = (step // len(rows)) % 2
        (l, r), = runs[y]
        if total < TARGET_PIXELS:
            runs[y] = [(l - 1, r) if side == 0 else (l, r + 1)]
            total += 1
        else:
            runs[y] = [(l + 1, r) if side == 0 else (l, r - 1)]
            total -= 1
        step += 1
    return runs


def mask_from(runs):
    mask = [[False] * WIDTH for _ in range(HEIGHT)]
    for y, row in runs.items():
        for l, r in row:
            for x in range(l, r + 1):
                mask[y][x] = True
    return mask


def distance_to_edge(mask):
    """For each head pixel, the 4-neighbour steps to the nearest background pixel."""
    far = 10 ** 6
    dist = [[far if mask[y][x] else 0 for x in range(WIDTH)] for y in range(HEIGHT)]
    queue = deque((x, y) for y in range(HEIGHT) for x in range(WIDTH) if not mask[y][x])
    while queue:
        x, y = queue.popleft()
        for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
            if 0 <= nx < WIDTH and 0 <= ny < HEIGHT and dist[ny][nx] > dist[y][x] + 1:
                dist[ny][nx] = dist[y][x] + 1
                queue.append((nx, ny))
    return dist


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def scale(c, f):
    return tuple(v * f for v in c)


def smooth(edge0, edge1, x):
    t = max(0.0, min(1.0, (x - edge0) / (edge1 - edge0)))
    return t * t * (3 - 2 * t)


def row_centre(runs, y):
    row = runs.get(y)
    if not row:
        return 84.5, 1.0
    left, right = row[0][0], row[-1][1]
    return (left + right) / 2, max(1.0, (right - left) / 2)


def hairline(x):
    """The lower edge of the hair on the forehead: a fringe of rounded locks."""
    return 70 + 7 * math.cos((x - 84) / 13.0) - 10 * math.exp(-((x - 84) / 60) ** 2) + \
        26 * math.exp(-((x - 12) / 16) ** 2) + 26 * math.exp(-((x - 157) / 16) ** 2)


def beardline(x):
    return 250 + 0.006 * (x - 84) ** 2 - 24 * math.exp(-((x - 84) / 28) ** 2)


def skin_colour(x, y, runs):
    centre, half = row_centre(runs, y)
    u = (x - centre) / half
    v = (y - 165) / 170
    nz = math.sqrt(max(0.0, 1 - 0.75 * u * u - 0.35 * v * v))
    light = (-0.45, -0.4, 0.8)
    diffuse = max(0.0, light[0] * u * 0.9 + light[1] * v * 0.9 + light[2] * nz)
    colour = scale(SKIN, 0.62 + 0.45 * diffuse)
    for cheek in ((40, 205), (130, 207)):  # rosy cheeks
        d = math.dist((x, y), cheek)
        colour = mix(colour, (232, 120, 110), 0.35 * (1 - smooth(4, 15, d)))
    for ear in ((6, 176), (163, 178)):  # ears, darker at the sides
        d = math.dist((x, y * 0.6), (ear[0], ear[1] * 0.6))
        colour = mix(colour, scale(SKIN, 0.7), 0.6 * (1 - smooth(4, 12, d)))
    return colour


def hair_colour(x, y, vertical):
    strands = math.sin(x * 0.9 + y * 0.25) if not vertical else math.sin(x * 1.1 + 0.08 * y)
    shine = 0.18 * math.exp(-((y - 35) / 16) ** 2) * math.exp(-((x - 70) / 30) ** 2)
    return scale(HAIR, 0.78 + 0.14 * strands + shine * 3)


def eye_colour(x, y, centre, base):
    d = math.dist((x, y), centre)
    if d > 21:
        return base
    if d >= 20:
        return mix(RIM, base, d - 20)
    if d >= 18:
        return RIM
    white = scale((246, 244, 238), 1 - 0.12 * smooth(10, 16.5, d))
    dx, dy = x - centre[0], y - centre[1]
    if d <= 8.5:
        iris = mix((158, 96, 40), (96, 52, 20), d / 8.5 + 0.1 * math.sin(math.atan2(dy, dx) * 9))
        white = mix(iris, white, smooth(7.5, 8.5, d))
        white = mix((18, 12, 10), white, smooth(3.2, 4.2, d))
        white = mix((255, 255, 255), white, smooth(0.8, 1.8, math.dist((x, y), (centre[0] - 3, centre[1] - 3))))
    if d > 17:
        return mix(white, RIM, d - 17)
    return white


def feature_colour(x, y, colour):
    # Eyebrows: arcs of hair above each eye.
    for (ex, ey), tilt in ((LEFT_EYE, -0.05), (RIGHT_EYE, 0.05)):
        arc = ey - 27 - 0.012 * (x - ex) ** 2 + tilt * (x - ex)
        if abs(x - ex) < 22 and abs(y - arc) < 2.6:
            colour = mix(colour, hair_colour(x, y, False), 1 - smooth(1.6, 2.6, abs(y - arc)))
    # The nose: a rounded tip with shade under it and two nostrils.
    nose = math.dist((x, y * 1.2), (88, 196 * 1.2))
    if nose < 13:
        lit = 1.0 + 0.2 * (1 - smooth(0, 8, math.dist((x, y), (84, 190))))
        colour = mix(colour, scale(colour, lit), 1 - smooth(9, 13, nose))
        colour = mix(colour, scale(colour, 0.6), smooth(4, 11, y - 190) * (1 - smooth(10, 13, nose)))
        colour = mix(colour, scale(colour, 0.8), smooth(5, 12, abs(x - 88)) * (1 - smooth(10, 13, nose)))
    for nostril in ((82, 203), (95, 203)):
        colour = mix(colour, (110, 60, 50), 1 - smooth(1.2, 2.6, math.dist((x, y), nostril)))
    # The mouth: a smile with a lower lip.
    smile = 238 - 0.009 * (x - 87) ** 2
    if 58 < x < 116:
        colour = mix(colour, (118, 34, 40), 1 - smooth(1.4, 2.6, abs(y - smile)))
        if 0 < y - smile < 7 and 66 < x < 108:
            colour = mix(colour, (200, 96, 92), 0.5 * (1 - smooth(3, 7, y - smile)))
    # The moustache above it.
    stache = 226 - 0.004 * (x - 87) ** 2 + 5 * math.exp(-((x - 87) / 8) ** 2)
    if 50 < x < 124 and abs(y - stache) < 5 - abs(x - 87) / 16:
        colour = hair_colour(x, y, True)
    return colour


def draw(runs):
    mask = mask_from(runs)
    dist = distance_to_edge(mask)
    image = [[KEY] * WIDTH for _ in range(HEIGHT)]
    for y in range(HEIGHT):
        for x in range(WIDTH):
            if not mask[y][x]:
                continue
            colour = skin_colour(x, y, runs)
            if y < hairline(x):
                colour = hair_colour(x, y, False)
            elif y > beardline(x):
                colour = hair_colour(x, y, True)
            colour = feature_colour(x, y, colour)
            colour = eye_colour(x, y, LEFT_EYE, colour)
            colour = eye_colour(x, y, RIGHT_EYE, colour)
            # A dark outline, blended into the background at its outermost pixel.
            d = dist[y][x]
            if d <= 3:
                colour = mix(colour, RIM, 0.75 - 0.2 * (d - 1))
            if d == 1:
                colour = mix(colour, KEY, 0.5)
            image[y][x] = tuple(min(255, max(0, int(round(v)))) for v in colour)
    mark_near_key_rim(image, runs)
    return image, mask


def near_key(c):
    return all(abs(c[i] - KEY[i]) <= 8 for i in range(3))


def mark_near_key_rim(image, runs):
    """The outermost pixels at both ends of the hair's rows fade almost into the background;
    no other pixel of the head comes that close to it."""
    for y in range(HEIGHT):
        for x in range(WIDTH):
            c = image[y][x]
            if c != KEY and near_key(c):
                image[y][x] = (c[0] + 12, c[1], c[2])
    chosen = [y for y in range(40, 72)]
    for i, y in enumerate(chosen):
        (left, _), (_, right) = runs[y][0], runs[y][-1]
        shade = (2 + i % 5, 3 + i % 4, 46 + i % 3)
        image[y][left] = shade
        image[y][right] = shade


def icon_from(image, mask):
    """The head in small: 32 pixels high, at most 15 colours and a transparent background."""
    size = 32
    scale_factor = HEIGHT / size
    width = round(WIDTH / scale_factor)
    offset = (size - width) // 2
    pixels = [[None] * size for _ in range(size)]
    for iy in range(size):
        for ix in range(width):
            x0, x1 = int(ix * scale_factor), int((ix + 1) * scale_factor)
            y0, y1 = int(iy * scale_factor), int((iy + 1) * scale_factor)
            inside = [image[y][x] for y in range(y0, y1) for x in range(x0, min(x1, WIDTH)) if mask[y][x]]
            area = (y1 - y0) * (min(x1, WIDTH) - x0)
            if len(inside) * 2 >= area:
                pixels[iy][ix + offset] = tuple(sum(c[i] for c in inside) / len(inside) for i in range(3))
    colours = [p for row in pixels for p in row if p is not None]
    palette = k_means(colours, 15)
    indexed = [[0 if p is None else 1 + min(range(len(palette)), key=lambda k: sum(
        (p[i] - palette[k][i]) ** 2 for i in range(3))) for p in row] for row in pixels]
    return indexed, [tuple(int(round(v)) for v in c) for c in palette]


DESKTOP_ICON_SIZES = (48, 64, 128, 256)
# Explorer's sizes, from the small icon of a list to the largest tile.
WINDOWS_ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)


def desktop_icon(image, mask, size):
    """The head in a square of `size` pixels for menus and launchers: each pixel the average
    colour of the head's pixels it covers, as opaque as the share of them."""
    scale_factor = HEIGHT / size
    width = round(WIDTH / scale_factor)
    offset = (size - width) // 2
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for iy in range(size):
        y0, y1 = int(iy * scale_factor), max(int((iy + 1) * scale_factor), int(iy * scale_factor) + 1)
        for ix in range(width):
            x0 = int(ix * scale_factor)
            x1 = min(max(int((ix + 1) * scale_factor), x0 + 1), WIDTH)
            inside = [image[y][x] for y in range(y0, y1) for x in range(x0, x1) if mask[y][x]]
            if inside:
                colour = tuple(round(sum(c[i] for c in inside) / len(inside)) for i in range(3))
                alpha = round(255 * len(inside) / ((y1 - y0) * (x1 - x0)))
                pixels[iy][ix + offset] = colour + (alpha,)
    return pixels


def k_means(colours, count):
    ordered = sorted(colours, key=lambda c: sum(c))
    centres = [ordered[(len(ordered) - 1) * i // (count - 1)] for i in range(count)]
    for _ in range(25):
        groups = [[] for _ in centres]
        for c in colours:
            k = min(range(len(centres)), key=lambda j: sum((c[i] - centres[j][i]) ** 2 for i in range(3)))
            groups[k].append(c)
        centres = [tuple(sum(c[i] for c in g) / len(g) for i in range(3)) if g else centres[k]
                   for k, g in enumerate(groups)]
    return centres


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def encode_rgb(image):
    raw = b"".join(b"\0" + bytes(v for c in row for v in c) for row in image)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0))
            + png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b""))


def encode_rgba(pixels):
    size = len(pixels)
    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in pixels)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b""))


def encode_indexed(indexed, palette):
    size = len(indexed)
    raw = b"".join(b"\0" + bytes(row) for row in indexed)
    plte = bytes(v for c in [(0, 0, 0)] + palette for v in c)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 3, 0, 0, 0))
            + png_chunk(b"PLTE", plte) + png_chunk(b"tRNS", b"\0")
            + png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b""))


def encode_ico(pngs):
    """An icon file of PNG-compressed images (Windows Vista and later), smallest first."""
    header = struct.pack("<HHH", 0, 1, len(pngs))
    offset = len(header) + 16 * len(pngs)
    entries, bodies = b"", b""
    for size, png in pngs:
        side = 0 if size >= 256 else size  # 0 stands for 256
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(png), offset)
        bodies += png
        offset += len(png)
    return header + entries + bodies


def decode_ico(data):
    """The pixels of each image of an icon file made by encode_ico."""
    _, _, count = struct.unpack("<HHH", data[:6])
    images = []
    for i in range(count):
        length, offset = struct.unpack("<II", data[6 + 16 * i + 8:6 + 16 * i + 16])
        images.append(decode_png(data[offset:offset + length]))
    return images


def decode_picture(name, data):
    return decode_ico(data) if name.endswith(".ico") else decode_png(data)


def decode_png(data):
    """The pixels of an 8-bit, non-interlaced PNG as rows of (r, g, b, a), whatever its
    compression level and row filters: what two encodings of one picture have in common."""
    chunks, idat, pos = {}, b"", 8
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IDAT":
            idat += body
        else:
            chunks[kind] = body
    width, height, _, colour_type = struct.unpack(">IIBB", chunks[b"IHDR"][:10])
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour_type]
    stride = width * channels
    raw = zlib.decompress(idat)
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)  # Paeth
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        previous = line
    if colour_type == 3:
        palette, alpha = chunks[b"PLTE"], chunks.get(b"tRNS", b"")
        return [[tuple(palette[3 * v:3 * v + 3]) + ((alpha[v] if v < len(alpha) else 255),)
                 for v in row] for row in rows]
    def rgba(px):
        return {1: (px[0],) * 3 + (255,), 2: (px[0],) * 3 + (px[1],),
                3: tuple(px) + (255,), 4: tuple(px)}[channels]
    return [[rgba(row[x * channels:(x + 1) * channels]) for x in range(width)] for row in rows]


def check(image):
    """Every figure of the artwork that the window shape and the eyes rely on."""
    problems = []

    def expect(condition, text):
        if not condition:
            problems.append(text)

    key = image[0][0]
    expect(key == KEY, "the top-left pixel is the key colour")
    for x, y in ((0, 0), (WIDTH - 1, 0), (0, HEIGHT - 1), (WIDTH - 1, HEIGHT - 1)):
        expect(image[y][x] == KEY, f"corner ({x}, {y}) is the key colour")
    runs = []
    for y in range(HEIGHT):
        start = None
        for x in range(WIDTH + 1):
            inside = x < WIDTH and image[y][x] != KEY
            if inside and start is None:
                start = x
            elif not inside and start is not None:
                runs.append((start, y, x, y + 1))
                start = None
    shape = [(x, y) for y in range(HEIGHT) for x in range(WIDTH) if image[y][x] != KEY]
    expect(len(shape) == TARGET_PIXELS, f"{len(shape)} head pixels, not {TARGET_PIXELS}")
    expect(min(x for x, _ in shape) == 4 and max(x for x, _ in shape) == 165, "columns 4 to 165")
    expect(min(y for _, y in shape) == 3 and max(y for _, y in shape) == 320, "rows 3 to 320")
    expect(len(runs) == 320, f"{len(runs)} runs, not 320")
    expect(runs[0] == (98, 3, 105, 4), f"first run {runs[0]}")
    expect(runs[-1] == (80, 320, 81, 321), f"last run {runs[-1]}")
    by_row = {}
    for run in runs:
        by_row.setdefault(run[1], []).append(run)
    for y in range(3, 321):
        expected = 2 if y in (298, 304) else 1
        expect(len(by_row.get(y, [])) == expected, f"row {y} has {len(by_row.get(y, []))} runs")
    expect(by_row[298] == [(52, 298, 53, 299), (54, 298, 110, 299)], f"row 298: {by_row[298]}")
    expect(by_row[304] == [(61, 304, 63, 305), (65, 304, 99, 305)], f"row 304: {by_row[304]}")
    expect(all(r[0] > 0 and r[2] < WIDTH for r in runs), "no run touches the sides")
    near = sum(1 for x, y in shape if near_key(image[y][x]))
    expect(near == NEAR_KEY_PIXELS, f"{near} pixels within 8 of the key colour")
    for (cx, cy), reach in ((LEFT_EYE, 49), (RIGHT_EYE, 38)):
        for y in range(cy - reach, cy + reach + 1):
            for x in range(cx - reach, cx + reach + 1):
                if math.dist((x, y), (cx, cy)) <= reach:
                    expect(image[y][x] != KEY, f"({x}, {y}) near the eye at ({cx}, {cy}) is cut away")
    # No holes: every key pixel is reached from the border through key pixels.
    seen = set()
    queue = deque((x, y) for y in range(HEIGHT) for x in range(WIDTH)
                  if (x in (0, WIDTH - 1) or y in (0, HEIGHT - 1)) and image[y][x] == KEY)
    seen.update(queue)
    while queue:
        x, y = queue.popleft()
        for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
            if 0 <= nx < WIDTH and 0 <= ny < HEIGHT and (nx, ny) not in seen and image[ny][nx] == KEY:
                seen.add((nx, ny))
                queue.append((nx, ny))
    expect(len(seen) == WIDTH * HEIGHT - TARGET_PIXELS, "no enclosed key-coloured pixel")
    # The eyes: light out to 16 pixels, a dark rim from 18 to 20.
    for cx, cy in (LEFT_EYE, RIGHT_EYE):
        for angle in range(0, 360, 5):
            a = math.radians(angle)
            ball = image[round(cy + 16 * math.sin(a))][round(cx + 16 * math.cos(a))]
            rim = image[round(cy + 19 * math.sin(a))][round(cx + 19 * math.cos(a))]
            expect(sum(ball) > 3 * 170, f"eyeball of ({cx}, {cy}) is light at {angle} degrees")
            expect(sum(rim) < 3 * 90, f"rim of ({cx}, {cy}) is dark at {angle} degrees")
    return problems


def main():
    root = Path(__file__).resolve().parent.parent
    runs = fit_pixel_count(head_runs())
    image, mask = draw(runs)
    problems = check(image)
    for problem in problems:
        print("artwork:", problem, file=sys.stderr)
    if problems:
        return 1
    indexed, palette = icon_from(image, mask)
    pictures = {"head.png": encode_rgb(image), "icon.png": encode_indexed(indexed, palette)}
    for size in DESKTOP_ICON_SIZES:
        pictures[f"icons/oculon-{size}.png"] = encode_rgba(desktop_icon(image, mask, size))
    pictures["oculon.ico"] = encode_ico(
        [(size, encode_rgba(desktop_icon(image, mask, size))) for size in WINDOWS_ICON_SIZES])
    if "--check" in sys.argv:
        stale = [name for name, made in pictures.items()
                 if not (root / "assets" / name).exists()
                 or decode_picture(name, (root / "assets" / name).read_bytes())
                 != decode_picture(name, made)]
        print("artwork: the committed pictures are",
              "out of date: " + ", ".join(stale) if stale else "up to date")
        return 1 if stale else 0
    (root / "assets/icons").mkdir(exist_ok=True)
    for name, made in pictures.items():
        (root / "assets" / name).write_bytes(made)
    print("artwork: wrote", ", ".join("assets/" + name for name in pictures) + "; every figure holds")
    return 0


if __name__ == "__main__":
    sys.exit(main())

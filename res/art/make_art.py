#!/usr/bin/env python3
"""Draws the setup program's artwork into res/.

  python3 res/art/make_art.py           writes res/banner.bmp, res/separator.bmp
                                        and res/ombrel.ico
  python3 res/art/make_art.py --check   checks the headers of those files

Needs Pillow and the DejaVu fonts (Debian: apt-get install python3-pil
fonts-dejavu-core; with several Pythons installed, run it with the one that
has Pillow, e.g. /usr/bin/python3). The build does not run it: the outputs are
committed. The same Pillow and fonts give the same bytes on every run.

The files are written by hand rather than by Pillow's writers so that their
exact layout is fixed: the banner is a 24-bit bottom-up BMP, the separator a
4-bit BMP, and every icon image a DIB (no PNG) that windres and old Windows
versions accept.
"""

import math
import os
import struct
import sys

RES = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BANNER = os.path.join(RES, "banner.bmp")
SEPARATOR = os.path.join(RES, "separator.bmp")
ICON = os.path.join(RES, "ombrel.ico")

BANNER_SIZE = (480, 80)
SEPARATOR_SIZE = (460, 2)
ICON_SIZES = (16, 24, 32, 48, 64, 72, 128)
ICON_24BIT = 32  # the one image without an alpha channel
PIXELS_PER_METRE = 3780  # 96 dpi

FONT_DIRS = ("/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/dejavu")

# Brand colours: deep blue to teal.
NAVY = (9, 30, 72)
BLUE = (14, 64, 128)
TEAL = (16, 128, 140)


# --- BMP / ICO writing -------------------------------------------------------

def info_header(width, height, bpp, image_size, colours=0):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0,
                       image_size, PIXELS_PER_METRE, PIXELS_PER_METRE,
                       colours, colours)


def row_stride(width, bpp):
    return (width * bpp + 31) // 32 * 4


def bmp_file(width, height, bpp, pixels, palette=b""):
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    colours = len(palette) // 4
    return header + info_header(width, height, bpp, len(pixels), colours) \
        + palette + pixels


def rgb_rows_bottom_up(img):
    """24-bit BGR rows, bottom row first, each padded to four bytes."""
    width, height = img.size
    data = img.convert("RGB").tobytes()
    pad = b"\0" * (row_stride(width, 24) - width * 3)
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray(data[y * width * 3:(y + 1) * width * 3])
        row[0::3], row[2::3] = row[2::3], row[0::3]
        rows.append(bytes(row) + pad)
    return b"".join(rows)


def and_mask(alpha, width, height, threshold):
    """1-bit mask, bottom row first: 1 where the pixel is transparent."""
    stride = row_stride(width, 1)
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray(stride)
        for x in range(width):
            if alpha[y * width + x] < threshold:
                row[x >> 3] |= 0x80 >> (x & 7)
        out += row
    return bytes(out)


def icon_image_32(img):
    width, height = img.size
    data = img.tobytes()  # RGBA, straight alpha
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b, a = data[(y * width + x) * 4:(y * width + x + 1) * 4]
            row += bytes((b, g, r, a)) if a else b"\0\0\0\0"
        rows.append(bytes(row))
    alpha = data[3::4]
    pixels = b"".join(rows) + and_mask(alpha, width, height, 1)
    return info_header(width, height * 2, 32, len(pixels)) + pixels


def icon_image_24(img):
    """No alpha channel: the mask cuts the shape, pixels under it are black."""
    width, height = img.size
    data = img.tobytes()
    alpha = data[3::4]
    threshold = 128
    stride = row_stride(width, 24)
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            i = y * width + x
            r, g, b, a = data[i * 4:i * 4 + 4]
            row += bytes((b, g, r)) if a >= threshold else b"\0\0\0"
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    pixels = b"".join(rows) + and_mask(alpha, width, height, threshold)
    return info_header(width, height * 2, 24, len(pixels)) + pixels


def ico_file(images):
    """images: list of (size, bpp, dib bytes)."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bpp, dib in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bpp,
                           len(dib), offset)
        offset += len(dib)
    return out + b"".join(dib for _, _, dib in images)


# --- drawing -----------------------------------------------------------------

def font(name, size):
    from PIL import ImageFont
    for folder in FONT_DIRS:
        path = os.path.join(folder, name)
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    sys.exit(f"make_art: font {name} not found (install fonts-dejavu-core)")


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def smooth(t):
    t = min(max(t, 0.0), 1.0)
    return t * t * (3 - 2 * t)


def ellipse_points(cx, cy, rx, ry, angle, t0=0.0, t1=2 * math.pi, steps=720):
    ca, sa = math.cos(angle), math.sin(angle)
    points = []
    for i in range(steps + 1):
        t = t0 + (t1 - t0) * i / steps
        x, y = rx * math.cos(t), ry * math.sin(t)
        points.append((cx + x * ca - y * sa, cy + x * sa + y * ca))
    return points


def stroke(draw, points, width, fill):
    """A round-ended line of the given width, stamped as overlapping discs.

    Pillow's wide polylines leave notches at joints of short segments; discs
    closer than an eighth of the width give a smooth edge.
    """
    r = width / 2
    step = max(width / 8, 0.25)
    for (x0, y0), (x1, y1) in zip(points, points[1:] + points[-1:]):
        n = max(1, math.ceil(math.hypot(x1 - x0, y1 - y0) / step))
        for i in range(n):
            x, y = x0 + (x1 - x0) * i / n, y0 + (y1 - y0) * i / n
            draw.ellipse((x - r, y - r, x + r, y + r), fill=fill)


def banner_background(width, height):
    """Diagonal blue-to-teal gradient, a soft glow behind the mark, darker base."""
    from PIL import Image
    img = Image.new("RGB", (width, height))
    pixels = []
    glow_x, glow_y = width * 0.82, height * 0.35
    for y in range(height):
        for x in range(width):
            t = (x + (height - y) * 0.9) / (width + height * 0.9)
            colour = mix(NAVY, BLUE, smooth(t / 0.55)) if t < 0.55 else \
                mix(BLUE, TEAL, smooth((t - 0.55) / 0.45))
            d = math.hypot((x - glow_x) / 150.0, (y - glow_y) / 70.0)
            glow = 0.16 * max(0.0, 1.0 - d) ** 2
            colour = mix(colour, (90, 200, 210), glow)
            shade = 0.10 * (y / (height - 1)) ** 2
            colour = mix(colour, (0, 0, 0), shade)
            pixels.append(tuple(int(c + 0.5) for c in colour))
    img.putdata(pixels)
    return img


def banner_overlay(width, height, ss):
    """The globe-and-orbit motif and the lettering, drawn ss times larger."""
    from PIL import Image, ImageDraw, ImageFilter
    W, H = width * ss, height * ss
    art = Image.new("RGBA", (W, H), (255, 255, 255, 0))
    d = ImageDraw.Draw(art)

    # A large globe cut by the right edge, with meridians and a parallel.
    cx, cy, r = 412 * ss, 46 * ss, 66 * ss
    line = 1.6 * ss
    d.ellipse((cx - r, cy - r, cx + r, cy + r), outline=(255, 255, 255, 46),
              width=round(line))
    for k in (0.32, 0.68):
        stroke(d, ellipse_points(cx, cy, r * k, r, 0), line * 0.8,
               (255, 255, 255, 24))
    stroke(d, ellipse_points(cx, cy, r, r * 0.30, 0), line * 0.8,
           (255, 255, 255, 24))
    # The orbit sweeping round it, with a bright point at its far left.
    ox, oy, orx, ory, angle = cx - 14 * ss, cy - 4 * ss, 116 * ss, 24 * ss, -0.2
    stroke(d, ellipse_points(ox, oy, orx, ory, angle), 2.2 * ss,
           (200, 240, 245, 70))
    px, py = ellipse_points(ox, oy, orx, ory, angle, 3.55, 3.55, 1)[0]
    glow = Image.new("RGBA", (W, H), (255, 255, 255, 0))
    ImageDraw.Draw(glow).ellipse((px - 9 * ss, py - 9 * ss, px + 9 * ss,
                                  py + 9 * ss), fill=(160, 235, 240, 90))
    glow = glow.filter(ImageFilter.GaussianBlur(5 * ss))
    art = Image.alpha_composite(art, glow)
    d = ImageDraw.Draw(art)
    pr = 3.2 * ss
    d.ellipse((px - pr, py - pr, px + pr, py + pr), fill=(235, 252, 255, 235))

    # Lettering: the name, and a spaced-out tagline under it.
    name_font = font("DejaVuSans-Bold.ttf", 38 * ss)
    tag_font = font("DejaVuSans.ttf", 11 * ss)
    left = 26 * ss
    name_top = 17 * ss
    name_box = d.textbbox((0, 0), "Ombrel", font=name_font)
    nx, ny = left - name_box[0], name_top - name_box[1]
    tag = "WEB BROWSER"
    tag_top = name_top + (name_box[3] - name_box[1]) + 8 * ss
    tag_box = d.textbbox((0, 0), tag, font=tag_font)
    tracking = 2.4 * ss

    text = Image.new("RGBA", (W, H), (255, 255, 255, 0))
    t = ImageDraw.Draw(text)
    t.text((nx, ny), "Ombrel", font=name_font, fill=(255, 255, 255, 255))
    x = left - tag_box[0]
    for ch in tag:
        t.text((x, tag_top - tag_box[1]), ch, font=tag_font,
               fill=(196, 232, 238, 235))
        x += t.textlength(ch, font=tag_font) + tracking

    # A soft shadow keeps the white letters crisp on the lighter blue.
    shadow = Image.new("RGBA", (W, H), (4, 16, 40, 0))
    shadow.putalpha(text.getchannel("A").point(lambda a: a * 70 // 255))
    shadow = shadow.transform(shadow.size, Image.AFFINE,
                              (1, 0, -1 * ss, 0, 1, -1.5 * ss))
    shadow = shadow.filter(ImageFilter.GaussianBlur(2.5 * ss))
    art = Image.alpha_composite(art, shadow)
    return Image.alpha_composite(art, text)


def make_banner():
    from PIL import Image
    width, height = BANNER_SIZE
    ss = 4
    base = banner_background(width, height).convert("RGBA")
    overlay = banner_overlay(width, height, ss).resize((width, height),
                                                       Image.LANCZOS)
    return Image.alpha_composite(base, overlay).convert("RGB")


def rounded_square_mask(S, radius):
    from PIL import Image, ImageDraw
    m = Image.new("L", (S, S), 0)
    ImageDraw.Draw(m).rounded_rectangle((0, 0, S - 1, S - 1), radius, fill=255)
    return m


def icon_mark(S, size):
    """White 'O' ring crossed by an orbit; heavier lines at small sizes."""
    from PIL import Image, ImageChops, ImageDraw
    small = size <= 24
    # Small sizes: an O two or three pixels thick on whole pixels.
    ring_r = S * (0.25 if small else 0.235)   # centre line of the O
    ring_w = S * (0.125 if small else 0.10)
    orbit_w = S * (0.09 if small else 0.05)
    gap = S * 0.035
    c = S / 2
    orx, ory, angle = S * (0.48 if small else 0.45), S * 0.085, -0.42

    def ring():
        m = Image.new("L", (S, S), 0)
        r_out = ring_r + ring_w / 2
        r_in = ring_r - ring_w / 2
        d = ImageDraw.Draw(m)
        d.ellipse((c - r_out, c - r_out, c + r_out, c + r_out), fill=255)
        d.ellipse((c - r_in, c - r_in, c + r_in, c + r_in), fill=0)
        return m

    def disc(extra):
        m = Image.new("L", (S, S), 0)
        r = ring_r + ring_w / 2 + extra
        ImageDraw.Draw(m).ellipse((c - r, c - r, c + r, c + r), fill=255)
        return m

    def orbit(t0, t1, extra):
        m = Image.new("L", (S, S), 0)
        stroke(ImageDraw.Draw(m), ellipse_points(c, c, orx, ory, angle, t0, t1),
               orbit_w + 2 * extra, 255)
        return m

    if small:
        # Too few pixels for the crossing: the orbit only shows beside the O,
        # joined to it.
        outside = ImageChops.subtract(orbit(0.0, 2 * math.pi, 0), disc(0))
        return ImageChops.lighter(ring(), outside)
    # The orbit passes behind the O at the top and in front at the bottom.
    behind = ImageChops.subtract(orbit(math.pi, 2 * math.pi, 0), disc(gap))
    mark = ImageChops.subtract(ring(), orbit(0.0, math.pi, gap))
    mark = ImageChops.lighter(mark, orbit(0.0, math.pi, 0))
    return ImageChops.lighter(mark, behind)


def icon_badge(S, size):
    from PIL import Image
    # The gradient is smooth enough to draw at a fraction and scale up.
    n = 64
    small_grad = Image.new("RGB", (n, n))
    pixels = []
    for y in range(n):
        for x in range(n):
            t = (x + y) / (2.0 * (n - 1))
            colour = mix((20, 62, 150), (18, 150, 160), smooth(t))
            # A little light from the top.
            colour = mix(colour, (255, 255, 255), 0.10 * (1 - y / (n - 1)) ** 2)
            pixels.append(tuple(int(v + 0.5) for v in colour))
    small_grad.putdata(pixels)
    grad = small_grad.resize((S, S), Image.BICUBIC)
    radius = S * 0.22
    badge = grad.convert("RGBA")
    badge.putalpha(rounded_square_mask(S, radius))
    white = Image.new("RGBA", (S, S), (255, 255, 255, 255))
    white.putalpha(icon_mark(S, size))
    return Image.alpha_composite(badge, white)


def make_icon_image(size):
    """Drawn at a whole multiple and box-filtered down, so edges are true coverage."""
    ss = max(8, 1024 // size)
    return icon_badge(size * ss, size).reduce(ss)


def make_separator():
    width, height = SEPARATOR_SIZE
    # Index 0: the grey line; index 1: the white highlight under it.
    palette = [(160, 160, 160), (255, 255, 255)] + [(0, 0, 0)] * 14
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    stride = row_stride(width, 4)
    rows = []
    for y in range(height - 1, -1, -1):  # bottom row first
        index = 0 if y == 0 else 1
        row = bytes([index << 4 | index]) * (width // 2)
        rows.append(row + b"\0" * (stride - len(row)))
    return bmp_file(width, height, 4, b"".join(rows), pal)


def generate():
    banner = make_banner()
    with open(BANNER, "wb") as f:
        f.write(bmp_file(*BANNER_SIZE, 24, rgb_rows_bottom_up(banner)))
    with open(SEPARATOR, "wb") as f:
        f.write(make_separator())
    images = []
    for size in ICON_SIZES:
        img = make_icon_image(size)
        if size == ICON_24BIT:
            images.append((size, 24, icon_image_24(img)))
        else:
            images.append((size, 32, icon_image_32(img)))
    with open(ICON, "wb") as f:
        f.write(ico_file(images))


# --- checking ----------------------------------------------------------------

def check_info(data, at, width, height, bpp, what):
    size, w, h, planes, bits, comp = struct.unpack_from("<IiiHHI", data, at)
    problems = []
    if (size, w, h, planes, bits, comp) != (40, width, height, 1, bpp, 0):
        problems.append(f"{what}: header {size},{w}x{h},planes {planes},"
                        f"{bits} bpp,compression {comp}; want 40,{width}x"
                        f"{height},1,{bpp},0")
    return problems


def check_bmp(path, width, height, bpp):
    with open(path, "rb") as f:
        data = f.read()
    problems = []
    magic, file_size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    if magic != b"BM" or file_size != len(data):
        problems.append(f"{path}: bad file header")
    problems += check_info(data, 14, width, height, bpp, path)
    palette = 4 * (1 << bpp) if bpp <= 8 else 0
    if offset != 54 + palette:
        problems.append(f"{path}: pixels at {offset}, want {54 + palette}")
    if len(data) - offset != row_stride(width, bpp) * height:
        problems.append(f"{path}: {len(data) - offset} pixel bytes")
    return problems


def check_ico(path):
    with open(path, "rb") as f:
        data = f.read()
    problems = []
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if (reserved, kind, count) != (0, 1, len(ICON_SIZES)):
        problems.append(f"{path}: directory {reserved},{kind},{count}")
        return problems
    end = 6 + 16 * count
    for i, size in enumerate(ICON_SIZES):
        w, h, colours, res, planes, bpp, length, offset = \
            struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        want_bpp = 24 if size == ICON_24BIT else 32
        what = f"{path} image {size}"
        if (w, h, colours, res, planes, bpp) != (size, size, 0, 0, 1, want_bpp):
            problems.append(f"{what}: entry {w}x{h},{colours},{res},{planes},"
                            f"{bpp}")
        if offset != end or offset + length > len(data):
            problems.append(f"{what}: at {offset}+{length}")
            continue
        end = offset + length
        problems += check_info(data, offset, size, size * 2, want_bpp, what)
        want = (row_stride(size, want_bpp) + row_stride(size, 1)) * size
        if length != 40 + want:
            problems.append(f"{what}: {length} bytes, want {40 + want}")
    if end != len(data):
        problems.append(f"{path}: {len(data) - end} stray bytes at the end")
    return problems


def check():
    problems = check_bmp(BANNER, *BANNER_SIZE, 24)
    problems += check_bmp(SEPARATOR, *SEPARATOR_SIZE, 4)
    problems += check_ico(ICON)
    for p in problems:
        print(p, file=sys.stderr)
    return 1 if problems else 0


def main(argv):
    if argv[1:] == ["--check"]:
        return check()
    if argv[1:]:
        print(__doc__, file=sys.stderr)
        return 2
    generate()
    return check()


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/python3
"""Draws the credits dialog's background: a black-red-gold flag waving in
front of an evening sky, 300 x 237 pixels, written as a baseline JPEG.

Run once with Debian's python3 and python3-pil (apt-get install python3-pil);
the result is kept in the repository, so building never needs this script:

    scripts/make_credits_jpeg.py src/ui/resources/credits.jpg
"""

import math
import sys

from PIL import Image, ImageFilter

WIDTH, HEIGHT = 300, 237
SCALE = 4  # drawn larger and scaled down, for smooth edges
BANDS = [(18, 18, 18), (221, 0, 0), (255, 206, 0)]
DIM = 0.6  # the cloth in dusk light, so white and light green text reads on gold
POLE = (150, 150, 155)


def sky(y):
    """Evening sky, darker at the top, so white text stays readable."""
    t = y / (HEIGHT * SCALE)
    return (int(16 + 40 * t), int(22 + 38 * t), int(48 + 50 * t))


def wave(u):
    """Vertical offset and light of the cloth at u (0 at the pole, 1 at the fly)."""
    phase = 2 * math.pi * (1.6 * u) + 0.6
    amplitude = 9 * SCALE * (0.25 + u)  # the free end flutters most
    offset = amplitude * math.sin(phase)
    slope = math.cos(phase) * (0.25 + u)
    light = 0.82 + 0.28 * slope
    return offset, light


def draw():
    w, h = WIDTH * SCALE, HEIGHT * SCALE
    img = Image.new("RGB", (w, h))
    px = img.load()
    left, right = 34 * SCALE, 282 * SCALE
    top, bottom = 46 * SCALE, 196 * SCALE
    for y in range(h):
        row = sky(y)
        for x in range(w):
            px[x, y] = row
    for x in range(left, right):
        u = (x - left) / (right - left)
        offset, light = wave(u)
        # the cloth sags a little towards the free end
        t0 = top + offset + 6 * SCALE * u
        t1 = bottom + offset + 6 * SCALE * u
        for y in range(max(0, int(t0)), min(h, int(t1))):
            band = min(2, int(3 * (y - t0) / (t1 - t0)))
            r, g, b = BANDS[band]
            px[x, y] = tuple(max(0, min(255, int(DIM * c * light + 14 * (light - 0.8)))) for c in (r, g, b))
    for x in range(left - 5 * SCALE, left):
        shade = 0.7 + 0.3 * math.sin(math.pi * (x - left + 5 * SCALE) / (5 * SCALE))
        for y in range(top - 12 * SCALE, h):
            px[x, y] = tuple(int(c * shade) for c in POLE)
    img = img.filter(ImageFilter.GaussianBlur(SCALE / 2))
    return img.resize((WIDTH, HEIGHT), Image.LANCZOS)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "credits.jpg"
    draw().save(out, "JPEG", quality=88, optimize=True, progressive=False)


if __name__ == "__main__":
    main()

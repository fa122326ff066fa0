#!/usr/bin/python3
"""Draws the program's artwork into resources/: the tool icons, the program icon and the
default stamp pattern; and the program icon at the sizes the desktop's icon theme uses into
desktop/icons/ (installed by `make install`). Run from anywhere; the output is the same on every
run.

    scripts/make-artwork.py [--sheet FILE]   (--sheet also writes a 4x contact sheet)
"""
import math
import sys
from pathlib import Path

from PIL import Image, ImageDraw

OUT = Path(__file__).resolve().parent.parent / "resources"
DESKTOP_ICONS = OUT.parent / "desktop" / "icons"
DESKTOP_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)  # the hicolor theme's usual sizes
SS = 8  # icons are drawn this many times larger and box-filtered down, for smooth edges
INK = (38, 38, 44, 255)


class Icon:
    """An icon of size pixels drawn in a grid of units per side (the size unless given). With
    `ink`, the box (x0, y0, x1, y1) of the grid that the drawing covers, the drawing is instead
    scaled and centred to fill the square less a margin of `margin` pixels on every side."""

    def __init__(self, size, units=None, ink=None, margin=0):
        self.size = size
        self.k = SS * size / (units or size)  # drawing pixels per unit
        self.ox = self.oy = 0  # the unit at the icon's top-left corner
        if ink:
            x0, y0, x1, y1 = ink
            inner = size - 2 * margin
            per_unit = inner / max(x1 - x0, y1 - y0)
            self.k = SS * per_unit
            self.ox = x0 - (margin + (inner - (x1 - x0) * per_unit) / 2) / per_unit
            self.oy = y0 - (margin + (inner - (y1 - y0) * per_unit) / 2) / per_unit
        self.img = Image.new("RGBA", (size * SS, size * SS), (0, 0, 0, 0))
        self.d = ImageDraw.Draw(self.img)

    def _pts(self, pts):
        return [((x - self.ox) * self.k, (y - self.oy) * self.k) for x, y in pts]

    def _box(self, box):
        (x0, y0), (x1, y1) = self._pts([box[:2], box[2:]])
        return [x0, y0, x1, y1]

    def poly(self, pts, fill, outline=INK, width=1.25):
        self.d.polygon(self._pts(pts), fill=fill)
        if outline:
            self.line(list(pts) + [pts[0]], outline, width)

    def line(self, pts, colour=INK, width=1.25):
        self.d.line(self._pts(pts), fill=colour, width=round(width * self.k), joint="curve")
        r = width * self.k / 2
        for x, y in self._pts(pts):  # round caps
            self.d.ellipse((x - r, y - r, x + r, y + r), fill=colour)

    def ellipse(self, box, fill, outline=INK, width=1.25):
        self.d.ellipse(self._box(box), fill=fill,
                       outline=outline, width=round(width * self.k) if outline else 0)

    def arc(self, box, start, end, colour=INK, width=1.25):
        self.d.arc(self._box(box), start, end, fill=colour, width=round(width * self.k))

    def result(self):
        return self.img.resize((self.size, self.size), Image.BOX)


def along(tip, angle_deg):
    """Maps (u, v) on a tool lying along a line (u from the tip backwards, v across it)
    to icon coordinates; angle_deg is the direction from the tip towards the handle."""
    a = math.radians(angle_deg)
    ux, uy = math.cos(a), -math.sin(a)
    vx, vy = -uy, ux
    return lambda pts: [(tip[0] + u * ux + v * vx, tip[1] + u * uy + v * vy) for u, v in pts]


def rect(u0, u1, half):
    return [(u0, -half), (u1, -half), (u1, half), (u0, half)]


# The pencil's point is at (3, 28); the pointer's hot spot belongs 8 pixels above it,
# because the pencil draws 8 pixels below the reported mouse position.
def pencil():
    ic, m = Icon(32), along((3, 28), 45)
    ic.poly(m(rect(30, 35, 3.6)), (232, 138, 154, 255))          # eraser
    ic.poly(m(rect(26, 30, 3.6)), (176, 182, 190, 255))          # ferrule
    ic.poly(m(rect(9, 26, 3.6)), (242, 193, 46, 255))            # body
    ic.line(m([(9.5, 0), (25.5, 0)]), (214, 160, 24, 255), 1.0)  # facet
    ic.poly(m([(0, 0), (9, -3.6), (9, 3.6)]), (236, 200, 150, 255))  # sharpened wood
    ic.poly(m([(0, 0), (3.6, -1.5), (3.6, 1.5)]), INK, None)     # graphite
    return ic.result()


def pipette():
    ic, m = Icon(32), along((4, 27), 45)
    ic.poly(m([(0, -0.6), (6, -1.6), (6, 1.6), (0, 0.6)]), (200, 230, 246, 255), width=1.0)
    ic.poly(m(rect(6, 21, 2.6)), (200, 230, 246, 255))          # glass barrel
    ic.poly(m(rect(7, 15, 1.4)), (70, 140, 220, 255), None)     # liquid drawn up
    ic.poly(m(rect(21, 24, 3.4)), (90, 90, 100, 255))            # collar
    ic.poly(m([(24, -3.2), (33, -3.6), (37, -2), (37, 2), (33, 3.6), (24, 3.2)]),
            (214, 64, 56, 255))                                   # rubber bulb
    ic.ellipse((2.4, 28.2, 5.0, 30.8), (70, 140, 220, 255), None)  # a drop at the tip
    return ic.result()


def spraygun():
    ic = Icon(32)
    ic.poly([(14, 9), (24, 9), (22, 2.5), (16, 2.5)], (224, 224, 230, 255))       # paint cup
    ic.poly([(13.5, 1.5), (24.5, 1.5), (24.5, 3.5), (13.5, 3.5)], (150, 150, 160, 255))
    ic.poly([(18, 16), (24, 16), (27, 29), (21, 29)], (58, 95, 153, 255))         # grip
    ic.poly([(16, 16), (18, 16), (18, 21), (15.5, 21)], (58, 95, 153, 255), width=1.0)  # trigger
    ic.poly([(9, 9), (28, 9), (29, 12.5), (28, 16), (9, 16)], (91, 141, 214, 255))  # body
    ic.poly([(4.5, 11), (9, 10.5), (9, 14.5), (4.5, 14)], (150, 150, 160, 255))    # nozzle
    for x, y, r in [(2.6, 9.0, 1.1), (2.0, 12.7, 1.1), (2.6, 16.4, 1.1),
                    (1.0, 6.0, 0.9), (0.9, 10.8, 0.9), (0.9, 14.6, 0.9), (1.0, 19.4, 0.9)]:
        ic.ellipse((x - r, y - r, x + r, y + r), (50, 110, 200, 255), None)         # spray
    return ic.result()


def brush():
    ic, m = Icon(32), along((3, 29), 45)
    ic.poly(m([(0, 0), (2, -2.5), (9, -3.4), (9, 3.4), (2, 2.5)]), (214, 64, 56, 255))  # bristles
    ic.poly(m(rect(9, 14, 3.4)), (176, 182, 190, 255))           # ferrule
    ic.poly(m([(14, -2), (34, -2.6), (37, 0), (34, 2.6), (14, 2)]), (176, 112, 64, 255))  # handle
    return ic.result()


def bucket():
    ic = Icon(32)
    ic.arc((5, 4, 23, 22), 180, 360, INK, 1.6)                        # handle
    ic.poly([(4, 12), (24, 12), (22, 29), (6, 29)], (150, 170, 190, 255))  # pail
    ic.line([(5.2, 18), (22.8, 18)], (120, 140, 160, 255), 1.0)      # band
    paint = (70, 140, 220, 255)
    ic.poly([(9, 12), (15, 12), (15, 21), (12, 23.5), (9, 21)], paint, width=1.0)  # drip
    ic.poly([(17, 12), (20, 12), (20, 16.5), (18.5, 18), (17, 16.5)], paint, width=1.0)
    ic.ellipse((3.5, 9.5, 24.5, 14.5), paint)                         # paint at the rim
    return ic.result()


# Where the program icon's ink lies in its grid of 64 units (the brush's handle reaches past
# the grid's right edge). Icon themes keep a margin of 1/16 of the side clear of it.
APP_INK = (4.8, 3.9, 65.5, 62.1)


def app(size=64):
    ic = Icon(size, ink=APP_INK, margin=size / 16)
    ic.poly([(6, 5), (50, 5), (50, 47), (6, 47)], (150, 100, 60, 255), width=2)    # frame
    ic.poly([(10, 9), (46, 9), (46, 43), (10, 43)], (250, 250, 246, 255), width=1.2)  # canvas
    ic.line([(15, 36), (22, 24), (29, 31), (38, 16)], (70, 140, 220, 255), 3)     # a stroke
    ic.ellipse((14, 13, 23, 22), (242, 193, 46, 255), None)                       # a sun
    ic.poly([(30, 44), (44, 36), (60, 40), (62, 52), (52, 61), (36, 60), (28, 53)],
            (236, 208, 160, 255), width=2)                                        # palette
    ic.ellipse((34, 49, 40, 55), (250, 250, 246, 255), width=1.2)                 # thumb hole
    for x, y, c in [(44, 41, (214, 64, 56)), (52, 43, (242, 193, 46)),
                    (56, 50, (70, 160, 90)), (47, 55, (70, 140, 220))]:
        ic.ellipse((x - 3, y - 3, x + 3, y + 3), c + (255,), None)
    m = along((34, 31), 40)                                                       # brush
    ic.poly(m([(0, 0), (3, -3.5), (12, -4), (12, 4), (3, 3.5)]), (214, 64, 56, 255), width=1.6)
    ic.poly(m(rect(12, 18, 4)), (176, 182, 190, 255), width=1.6)
    ic.poly(m([(18, -2.6), (37, -3.2), (40, 0), (37, 3.2), (18, 2.6)]),
            (176, 112, 64, 255), width=1.6)
    return ic.result()


# The stamp pattern: hard-edged, so the mask is strictly black/white and the face strictly
# black wherever the mask lets the picture through.
PAT_W, PAT_H = 62, 65
CX, CY, R = (PAT_W - 1) / 2, (PAT_H - 1) / 2, 29.6


def inside(x, y, cx, cy, r):
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def pattern():
    mask = Image.new("RGB", (PAT_W, PAT_H), (255, 255, 255))
    face = Image.new("RGB", (PAT_W, PAT_H), (0, 0, 0))
    yellow, dark = (255, 210, 0), (70, 40, 0)
    for y in range(PAT_H):
        for x in range(PAT_W):
            if not inside(x, y, CX, CY, R):
                continue
            mask.putpixel((x, y), (0, 0, 0))
            if not inside(x, y, CX, CY, R - 2):
                continue  # the dark rim is the mask's own black
            colour = yellow
            eye = inside(x, y, CX - 10, CY - 8, 4.5) or inside(x, y, CX + 10, CY - 8, 4.5)
            d = math.hypot(x - CX, y - (CY - 2))
            smile = 15 <= d <= 19 and y > CY + 4
            if eye or smile:
                colour = dark
            face.putpixel((x, y), colour)
    return mask, face


def sheet(images, path):
    scale, pad = 4, 8
    w = sum(im.width * scale + pad for im in images) + pad
    h = max(im.height for im in images) * scale + 2 * pad
    out = Image.new("RGB", (w, h), (200, 200, 200))
    x = pad
    for im in images:
        big = im.resize((im.width * scale, im.height * scale), Image.NEAREST)
        # a checkerboard shows where the icons are transparent
        bg = Image.new("RGB", big.size, (255, 255, 255))
        dbg = ImageDraw.Draw(bg)
        for cy in range(0, big.height, 8):
            for cx in range(0, big.width, 8):
                if (cx // 8 + cy // 8) % 2:
                    dbg.rectangle((cx, cy, cx + 7, cy + 7), fill=(225, 225, 225))
        bg.paste(big, (0, 0), big if big.mode == "RGBA" else None)
        out.paste(bg, (x, pad))
        x += big.width + pad
    out.save(path)


def main():
    OUT.mkdir(exist_ok=True)
    icons = {"pencil": pencil(), "pipette": pipette(), "spraygun": spraygun(),
             "brush": brush(), "bucket": bucket(), "app": app()}
    for name, im in icons.items():
        im.save(OUT / f"{name}.png", optimize=True)
    mask, face = pattern()
    mask.save(OUT / "pattern-mask.png", optimize=True)
    face.save(OUT / "pattern-face.png", optimize=True)
    DESKTOP_ICONS.mkdir(parents=True, exist_ok=True)
    for size in DESKTOP_SIZES:
        app(size).save(DESKTOP_ICONS / f"{size}x{size}.png", optimize=True)
    if "--sheet" in sys.argv:
        sheet(list(icons.values()) + [mask, face], sys.argv[sys.argv.index("--sheet") + 1])


if __name__ == "__main__":
    main()

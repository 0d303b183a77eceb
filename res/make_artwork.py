#!/usr/bin/env python3
"""Draws the program's own artwork: the icons, the toolbar image strip and the
skin bitmaps. Standard library only; the output is committed, so a build does
not need this script. Run: python3 res/make_artwork.py"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------- canvas ---

class Canvas:
    """An RGBA canvas with a few filled shapes; coordinates are floats in a
    nominal 32-unit square that is scaled to the canvas size."""

    def __init__(self, w, h, fill=(0, 0, 0, 0), unit=1.0):
        self.w, self.h, self.unit = w, h, unit
        self.px = [list(fill) for _ in range(w * h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            p = self.px[y * self.w + x]
            a = c[3] / 255.0 if len(c) > 3 else 1.0
            for i in range(3):
                p[i] = int(round(p[i] * (1 - a) + c[i] * a))
            p[3] = max(p[3], int(round(a * 255)))

    def shape(self, inside, c):
        u = self.unit
        for y in range(self.h):
            for x in range(self.w):
                if inside((x + 0.5) / u, (y + 0.5) / u):
                    self.put(x, y, c)

    def rect(self, x0, y0, x1, y1, c, r=0.0):
        def inside(x, y):
            if not (x0 <= x < x1 and y0 <= y < y1):
                return False
            if r <= 0:
                return True
            cx = min(max(x, x0 + r), x1 - r)
            cy = min(max(y, y0 + r), y1 - r)
            return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
        self.shape(inside, c)

    def circle(self, cx, cy, r, c, ring=0.0):
        def inside(x, y):
            d = math.hypot(x - cx, y - cy)
            return d <= r and (ring <= 0 or d >= r - ring)
        self.shape(inside, c)

    def polygon(self, pts, c):
        def inside(x, y):
            n, hit = len(pts), False
            j = n - 1
            for i in range(n):
                xi, yi = pts[i]
                xj, yj = pts[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    hit = not hit
                j = i
            return hit
        self.shape(inside, c)

    def line(self, x0, y0, x1, y1, width, c):
        def inside(x, y):
            dx, dy = x1 - x0, y1 - y0
            L = dx * dx + dy * dy
            t = 0 if L == 0 else max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / L))
            return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= width / 2
        self.shape(inside, c)

    def text(self, s, x, y, scale, c):
        """Draws text in the 5x7 pixel font, scale canvas pixels per dot."""
        for ch in s:
            rows = FONT.get(ch)
            if rows:
                for ry, row in enumerate(rows):
                    for rx, bit in enumerate(row):
                        if bit == '#':
                            for yy in range(scale):
                                for xx in range(scale):
                                    self.put(x + rx * scale + xx, y + ry * scale + yy, c)
            x += 6 * scale

    def downsample(self, f):
        out = Canvas(self.w // f, self.h // f)
        for y in range(out.h):
            for x in range(out.w):
                acc = [0.0] * 4
                for yy in range(f):
                    for xx in range(f):
                        p = self.px[(y * f + yy) * self.w + x * f + xx]
                        a = p[3]
                        acc[0] += p[0] * a
                        acc[1] += p[1] * a
                        acc[2] += p[2] * a
                        acc[3] += a
                a = acc[3] / (f * f)
                q = out.px[y * out.w + x]
                if acc[3] > 0:
                    q[0], q[1], q[2] = (int(round(acc[i] / acc[3])) for i in range(3))
                q[3] = int(round(a))
        return out


TEXT_WIDTH = lambda s, scale: len(s) * 6 * scale - scale

FONT = {
    'A': [" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    'B': ["#### ", "#   #", "#   #", "#### ", "#   #", "#   #", "#### "],
    'E': ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"],
    'G': [" ####", "#    ", "#    ", "#  ##", "#   #", "#   #", " ####"],
    'I': [" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
    'L': ["#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"],
    'M': ["#   #", "## ##", "# # #", "# # #", "#   #", "#   #", "#   #"],
    'N': ["#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #"],
    'O': [" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    'P': ["#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "],
    'Q': [" ### ", "#   #", "#   #", "#   #", "# # #", "#  # ", " ## #"],
    'R': ["#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"],
    'S': [" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "],
    'T': ["#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "],
    'U': ["#   #", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "],
    'V': ["#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "],
    'W': ["#   #", "#   #", "#   #", "# # #", "# # #", "## ##", "#   #"],
    '?': [" ### ", "#   #", "    #", "   # ", "  #  ", "     ", "  #  "],
    'i': ["  #  ", "     ", " ##  ", "  #  ", "  #  ", "  #  ", " ### "],
    ' ': ["     "] * 7,
}

# ------------------------------------------------------------- file output --

def write_bmp24(path, cv):
    row = (cv.w * 3 + 3) & ~3
    data = bytearray()
    for y in range(cv.h - 1, -1, -1):
        line = bytearray()
        for x in range(cv.w):
            r, g, b, _ = cv.px[y * cv.w + x]
            line += bytes((b, g, r))
        line += b'\0' * (row - len(line))
        data += line
    header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, cv.w, cv.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(header + info + data)


def icon_image(cv):
    """One icon image: 32-bit DIB with alpha (double height) and an AND mask."""
    xor = bytearray()
    for y in range(cv.h - 1, -1, -1):
        for x in range(cv.w):
            r, g, b, a = cv.px[y * cv.w + x]
            xor += bytes((b, g, r, a))
    mask_row = ((cv.w + 31) // 32) * 4
    mask = bytearray()
    for y in range(cv.h - 1, -1, -1):
        bits = bytearray(mask_row)
        for x in range(cv.w):
            if cv.px[y * cv.w + x][3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack('<IiiHHIIiiII', 40, cv.w, cv.h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + xor + mask


def write_ico(path, canvases):
    images = [icon_image(c) for c in canvases]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for c, img in zip(canvases, images):
        out += struct.pack('<BBBBHHII', c.w % 256, c.h % 256, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        out += img
    with open(path, 'wb') as f:
        f.write(out)

# ------------------------------------------------------------------ icons ---

OUTLINE = (60, 60, 70, 255)
WHITE = (255, 255, 255, 255)


def folder(cv, body=(240, 196, 70, 255), tab=(214, 160, 40, 255)):
    cv.rect(2, 6, 14, 11, tab, 1.5)
    cv.rect(2, 9, 30, 27, OUTLINE, 2)
    cv.rect(3, 10, 29, 26, body, 1.5)


def open_folder(cv):
    cv.rect(2, 6, 14, 11, (214, 160, 40, 255), 1.5)
    cv.rect(2, 9, 26, 27, (214, 160, 40, 255), 2)
    cv.polygon([(6, 14), (31, 14), (26, 27), (1, 27)], OUTLINE)
    cv.polygon([(7, 15), (29.5, 15), (25, 26), (2.5, 26)], (250, 214, 100, 255))


def envelope(cv, color=(250, 250, 250, 255), x0=3, y0=8, x1=29, y1=25):
    cv.rect(x0, y0, x1, y1, OUTLINE, 1.5)
    cv.rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, color, 1)
    cv.line(x0 + 1.5, y0 + 1.5, (x0 + x1) / 2, (y0 + y1) / 2 + 1, 1.6, OUTLINE)
    cv.line(x1 - 1.5, y0 + 1.5, (x0 + x1) / 2, (y0 + y1) / 2 + 1, 1.6, OUTLINE)


def tray(cv, color):
    cv.polygon([(3, 18), (10, 18), (12, 22), (20, 22), (22, 18), (29, 18), (29, 28), (3, 28)], OUTLINE)
    cv.polygon([(4.2, 19.2), (9.3, 19.2), (11.3, 23.2), (20.7, 23.2), (22.7, 19.2), (27.8, 19.2), (27.8, 26.8), (4.2, 26.8)], color)


def arrow(cv, x, y0, y1, color, down=True):
    cv.line(x, y0, x, y1, 3.2, color)
    tip = y1 + 3 if down else y1 - 3
    cv.polygon([(x - 5, y1), (x + 5, y1), (x, tip)], color)


def draw_icon(name, cv):
    if name == 'app':
        cv.rect(1, 1, 31, 31, (30, 90, 160, 255), 6)
        cv.rect(3, 3, 29, 29, (50, 120, 200, 255), 5)
        envelope(cv, (255, 255, 255, 255), 6, 10, 26, 24)
        cv.circle(24, 24, 6, (240, 180, 40, 255))
        cv.line(21, 24, 27, 24, 2, WHITE)
    elif name == 'folder':
        folder(cv)
    elif name == 'folder_open':
        open_folder(cv)
    elif name == 'store':
        cv.rect(4, 5, 28, 28, OUTLINE, 3)
        cv.rect(5, 6, 27, 27, (70, 110, 180, 255), 2.5)
        for y in (11, 17, 23):
            cv.line(8, y, 24, y, 1.5, (200, 220, 250, 255))
        cv.circle(24, 8, 2, (120, 230, 120, 255))
    elif name == 'calendar':
        cv.rect(3, 4, 29, 29, OUTLINE, 2)
        cv.rect(4, 5, 28, 28, WHITE, 1.5)
        cv.rect(4, 5, 28, 11, (210, 50, 50, 255), 1.5)
        for gx in range(3):
            for gy in range(3):
                cv.rect(7 + gx * 7, 14 + gy * 5, 11 + gx * 7, 17 + gy * 5, (90, 110, 140, 255))
    elif name == 'contacts':
        cv.rect(3, 4, 29, 29, OUTLINE, 3)
        cv.rect(4, 5, 28, 28, (120, 170, 230, 255), 2.5)
        cv.circle(16, 13, 5, WHITE)
        cv.rect(7, 20, 25, 28, WHITE, 5)
    elif name == 'deleted':
        cv.rect(6, 6, 26, 10, OUTLINE, 1)
        cv.rect(12, 3, 20, 7, OUTLINE, 1)
        cv.polygon([(7, 10), (25, 10), (23, 29), (9, 29)], OUTLINE)
        cv.polygon([(8.3, 11), (23.7, 11), (22, 28), (10, 28)], (170, 175, 185, 255))
        for x in (12.5, 16, 19.5):
            cv.line(x, 13, x, 26, 1.4, OUTLINE)
    elif name == 'drafts':
        cv.rect(5, 3, 25, 29, OUTLINE, 1.5)
        cv.rect(6, 4, 24, 28, WHITE, 1)
        for y in (9, 13, 17):
            cv.line(9, y, 21, y, 1.2, (150, 150, 160, 255))
        cv.line(14, 27, 29, 12, 4, (230, 140, 40, 255))
        cv.polygon([(12, 29), (13, 25), (16, 28)], OUTLINE)
    elif name == 'inbox':
        tray(cv, (120, 180, 240, 255))
        arrow(cv, 16, 2, 12, (40, 150, 60, 255), True)
    elif name == 'outbox':
        tray(cv, (120, 180, 240, 255))
        arrow(cv, 16, 15, 6, (220, 120, 30, 255), False)
    elif name == 'journal':
        cv.rect(5, 3, 27, 29, OUTLINE, 2)
        cv.rect(6, 4, 26, 28, (80, 160, 90, 255), 1.5)
        cv.rect(6, 4, 10, 28, (50, 120, 60, 255), 1)
        cv.rect(13, 9, 23, 14, (230, 245, 230, 255), 1)
    elif name == 'junk':
        envelope(cv, (240, 240, 240, 255))
        cv.line(18, 16, 29, 28, 3.2, (210, 40, 40, 255))
        cv.line(29, 16, 18, 28, 3.2, (210, 40, 40, 255))
    elif name == 'attachment':
        cv.circle(16, 10, 6, (100, 100, 110, 255), ring=2)
        cv.circle(16, 21, 6, (100, 100, 110, 255), ring=2)
        cv.rect(9.5, 10, 12, 21, (0, 0, 0, 0))
        cv.line(11, 10, 11, 22, 2, (100, 100, 110, 255))
        cv.line(21, 10, 21, 22, 2, (100, 100, 110, 255))
    elif name == 'mail':
        envelope(cv)
    elif name == 'unread':
        envelope(cv, (250, 224, 120, 255))
        cv.circle(26, 7, 4, (40, 110, 220, 255))
    elif name == 'notes':
        cv.polygon([(4, 4), (28, 4), (28, 20), (20, 28), (4, 28)], OUTLINE)
        cv.polygon([(5, 5), (27, 5), (27, 19.5), (19.5, 27), (5, 27)], (255, 236, 110, 255))
        cv.polygon([(20, 27), (20, 20), (27, 20)], (220, 190, 60, 255))
    elif name == 'sent':
        envelope(cv, (250, 250, 250, 255), 2, 10, 24, 26)
        cv.polygon([(20, 4), (30, 9), (20, 14)], (40, 150, 60, 255))
        cv.line(14, 9, 21, 9, 3, (40, 150, 60, 255))
    elif name == 'tasks':
        cv.rect(5, 4, 27, 30, OUTLINE, 2)
        cv.rect(6, 5, 26, 29, WHITE, 1.5)
        cv.rect(11, 2, 21, 7, (120, 120, 130, 255), 1)
        cv.line(9, 17, 14, 23, 3, (40, 160, 60, 255))
        cv.line(14, 23, 23, 11, 3, (40, 160, 60, 255))


ICONS = ['app', 'folder_open', 'folder', 'calendar', 'contacts', 'deleted', 'drafts', 'inbox',
         'journal', 'junk', 'attachment', 'mail', 'notes', 'outbox', 'store', 'sent', 'tasks', 'unread']


def make_icons():
    for name in ICONS:
        big = Canvas(128, 128, unit=4.0)
        draw_icon(name, big)
        sizes = [big.downsample(4), big.downsample(8), big.downsample(3)]  # 32, 16, 42 -> 48 below
        c48 = Canvas(192, 192, unit=6.0)
        draw_icon(name, c48)
        write_ico(os.path.join(HERE, 'icons', name + '.ico'),
                  [sizes[1], sizes[0], c48.downsample(4)])

# ---------------------------------------------------------------- toolbar ---

def make_toolbar():
    face = (240, 240, 240, 255)
    strip = Canvas(266 * 3, 44 * 3, fill=face)
    def cell(i, draw):
        c = Canvas(38 * 3, 44 * 3, fill=(0, 0, 0, 0), unit=3.0)
        draw(c)
        for y in range(c.h):
            for x in range(c.w):
                p = c.px[y * c.w + x]
                if p[3]:
                    strip.put(i * 38 * 3 + x, y, p)
    def shift(draw_fn):
        def d(c):
            sub = Canvas(c.w, c.h, unit=c.unit * 1.0)
            draw_fn(sub)
            for y in range(c.h):
                for x in range(c.w):
                    p = sub.px[y * c.w + x]
                    if p[3]:
                        c.put(x + 9, y + 2, p)
        return d
    def open_(c):
        open_folder(c)
    def stop(c):
        c.polygon([(10, 2), (22, 2), (30, 10), (30, 22), (22, 30), (10, 30), (2, 22), (2, 10)], (200, 40, 40, 255))
        c.rect(9, 14, 23, 18, WHITE)
    def save(c):
        c.rect(3, 3, 29, 29, (40, 70, 130, 255), 2)
        c.rect(8, 3, 24, 12, (230, 230, 235, 255))
        c.rect(19, 5, 22, 10, (40, 70, 130, 255))
        c.rect(7, 17, 25, 29, WHITE, 1)
    def help_(c):
        c.circle(16, 16, 14, (40, 120, 200, 255))
        c.circle(16, 12, 6, WHITE, ring=2.6)
        c.rect(9, 12, 16, 19, (40, 120, 200, 255))
        c.line(17, 17, 17, 21, 2.6, WHITE)
        c.circle(17, 25, 1.8, WHITE)
    def about(c):
        c.circle(16, 16, 14, (40, 150, 90, 255))
        c.circle(16, 9, 2.2, WHITE)
        c.rect(14, 13, 18, 25, WHITE, 0.5)
    def exit_(c):
        c.rect(4, 3, 20, 29, (120, 80, 50, 255), 1)
        c.rect(6, 5, 18, 27, (170, 120, 80, 255))
        c.circle(15.5, 16, 1.3, (240, 210, 90, 255))
        c.line(16, 16, 26, 16, 3, (200, 40, 40, 255))
        c.polygon([(25, 10), (31, 16), (25, 22)], (200, 40, 40, 255))
    def spare(c):
        folder(c)
    for i, fn in enumerate([open_, stop, save, help_, about, exit_, spare]):
        cell(i, shift(fn))
    small = strip.downsample(3)
    for p in small.px:
        if tuple(p[:3]) == (12, 12, 12):
            p[0] = 13
    write_bmp24(os.path.join(HERE, 'bitmaps', 'toolbar.bmp'), small)

# ------------------------------------------------------------------- skins --

KEY = (255, 0, 240, 255)


def gradient(cv, top, bottom):
    for y in range(cv.h):
        t = y / max(1, cv.h - 1)
        c = [int(top[i] + (bottom[i] - top[i]) * t) for i in range(3)] + [255]
        for x in range(cv.w):
            cv.px[y * cv.w + x] = list(c)


def centred_text(cv, s, y, scale, c):
    cv.text(s, (cv.w - TEXT_WIDTH(s, scale)) // 2, y, scale, c)


def paste_icon(cv, name, size, x0, y0):
    """Draws icon `name` at size x size pixels with its top-left at (x0, y0)."""
    big = Canvas(size * 4, size * 4, unit=size * 4 / 32.0)
    draw_icon(name, big)
    small = big.downsample(4)
    for y in range(small.h):
        for x in range(small.w):
            p = small.px[y * small.w + x]
            if p[3]:
                cv.put(x0 + x, y0 + y, p)


def dialog_skin(w, h, title):
    cv = Canvas(w, h)
    gradient(cv, (236, 242, 250), (206, 220, 238))
    for y in range(54):
        t = y / 53
        for x in range(w):
            cv.px[y * w + x] = [int(30 + 20 * t), int(80 + 30 * t), int(150 + 40 * t), 255]
    cv.text(title, 18, 16, 3, (255, 255, 255, 255))
    paste_icon(cv, 'app', 40, w - 54, 7)
    for x in range(w):
        cv.px[54 * w + x] = [240, 180, 40, 255]
        cv.px[55 * w + x] = [240, 180, 40, 255]
    # A faint footer band where the dialogs keep their buttons.
    for y in range(h - 6, h):
        for x in range(w):
            cv.px[y * w + x] = [190, 206, 228, 255]
    return cv


def make_skins():
    out = os.path.join(HERE, 'skin')
    # Splash: rounded card; the corners carry the key colour and are cut away.
    w, h = 420, 240
    cv = Canvas(w, h)
    gradient(cv, (40, 90, 170), (20, 50, 110))
    r = 24
    for y in range(h):
        for x in range(w):
            cx = min(max(x + 0.5, r), w - r)
            cy = min(max(y + 0.5, r), h - r)
            if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 > r * r:
                cv.px[y * w + x] = list(KEY)
    # A lighter inner frame, inside the rounded corners.
    for y in range(h):
        for x in range(w):
            if cv.px[y * w + x][:3] != list(KEY[:3]) and (x < 6 or x >= w - 6 or y < 6 or y >= h - 6):
                p = cv.px[y * w + x]
                cv.px[y * w + x] = [min(255, p[0] + 40), min(255, p[1] + 40), min(255, p[2] + 40), 255]
    paste_icon(cv, 'app', 72, (w - 72) // 2, 26)
    centred_text(cv, 'QUILLMERE', 112, 5, (255, 255, 255, 255))
    for x in range(120, w - 120):
        cv.px[158 * w + x] = [240, 180, 40, 255]
        cv.px[159 * w + x] = [240, 180, 40, 255]
    centred_text(cv, 'OST TO PST', 172, 4, (240, 190, 60, 255))
    write_bmp24(os.path.join(out, 'Flash.bmp'), cv)
    # Each dialog picture covers its dialog's client area (8 pt MS Shell Dlg:
    # about 1.5 x 1.63 pixels per dialog unit): store dialog 316 x 180 units,
    # About dialog 267 x 190, saving dialog 372 x 222.
    write_bmp24(os.path.join(out, 'Browse.bmp'), dialog_skin(480, 300, 'OPEN OST'))
    write_bmp24(os.path.join(out, 'AboutUs.bmp'), dialog_skin(410, 310, 'QUILLMERE'))
    write_bmp24(os.path.join(out, 'Save.bmp'), dialog_skin(560, 364, 'SAVE AS PST'))


if __name__ == '__main__':
    make_icons()
    make_toolbar()
    make_skins()

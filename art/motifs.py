"""Drawings used in more than one picture: the application's emblem, a PSP,
a laptop, a magnifier and the success badge. Each paints onto an RGBA layer
inside a box given as (left, top, right, bottom)."""
from artlib import (ACCENT, ACCENT_DARK, GRAPHITE, GRAPHITE_DARK, STEEL, SUCCESS,
                    SUCCESS_DARK, both, darker, font, hgradient, lighter, mask, minus, paint,
                    radial_mask, scale_mask, shifted, text_mask, vgradient)


def emblem(layer, box):
    """Rounded square in the accent colours with a white S."""
    x0, y0, x1, y1 = box
    size = x1 - x0
    r = size * 0.24
    body = mask(layer.size, lambda d: d.rounded(box, r))
    paint(layer, body, vgradient(layer.size, [(0, lighter(ACCENT, 0.1)), (1, ACCENT_DARK)],
                                 y0, y1))
    # gloss over the upper half
    gloss = mask(layer.size, lambda d: d.ellipse((x0 - size * 0.3, y0 - size * 0.75,
                                                  x1 + size * 0.3, y0 + size * 0.48)))
    paint(layer, scale_mask(both(gloss, body), 0.22), (255, 255, 255))
    rim = mask(layer.size, lambda d: d.rounded(box, r))
    inner = mask(layer.size, lambda d: d.rounded((x0 + 1, y0 + 1, x1 - 1, y1 - 1), r - 1))
    paint(layer, scale_mask(minus(rim, inner), 0.55), darker(ACCENT_DARK, 0.45))
    fnt = font("bold", round(size * 0.78))
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2 + size * 0.02
    shadow = text_mask(layer.size, (cx + size * 0.03, cy + size * 0.04), "S", fnt, "mm")
    paint(layer, scale_mask(shadow, 0.45), darker(ACCENT_DARK, 0.5))
    paint(layer, text_mask(layer.size, (cx, cy), "S", fnt, "mm"), (255, 255, 255))


def psp(layer, box, screen=None):
    """A handheld console seen from the front; screen(layer, box) fills its
    screen, a soft plum glow by default."""
    x0, y0, x1, y1 = box
    w, h = x1 - x0, y1 - y0
    r = h * 0.5
    shadow = mask(layer.size, lambda d: d.rounded((x0 + 3, y0 + 6, x1 + 3, y1 + 6), r))
    paint(layer, scale_mask(shadow, 0.35), (10, 2, 10))
    body = mask(layer.size, lambda d: d.rounded(box, r))
    paint(layer, body, vgradient(layer.size, [(0, lighter(GRAPHITE, 0.18)), (0.5, GRAPHITE),
                                              (1, GRAPHITE_DARK)], y0, y1))
    gloss = mask(layer.size, lambda d: d.rounded((x0 + 4, y0 + 2, x1 - 4, y0 + h * 0.42), r * 0.8))
    paint(layer, scale_mask(both(gloss, body), 0.10), (255, 255, 255))
    edge = mask(layer.size, lambda d: d.rounded(box, r))
    inner = mask(layer.size, lambda d: d.rounded((x0 + 1, y0 + 1, x1 - 1, y1 - 1), r - 1))
    paint(layer, scale_mask(minus(edge, inner), 0.8), (100, 96, 112))
    # screen
    sw, sh = w * 0.52, h * 0.70
    sx0, sy0 = x0 + (w - sw) / 2, y0 + (h - sh) / 2
    sbox = (sx0, sy0, sx0 + sw, sy0 + sh)
    bezel = mask(layer.size, lambda d: d.rounded((sx0 - 3, sy0 - 3, sx0 + sw + 3, sy0 + sh + 3), 4))
    paint(layer, bezel, GRAPHITE_DARK)
    scr = mask(layer.size, lambda d: d.rect(sbox))
    if screen is None:
        paint(layer, scr, vgradient(layer.size, [(0, (120, 50, 118)), (1, (52, 20, 54))],
                                    round(sy0), round(sy0 + sh)))
        paint(layer, both(radial_mask(layer.size, (sx0 + sw / 2, sy0 + sh * 0.4), sw * 0.5,
                                      sh * 0.6, 0.6), scr), ACCENT)
    else:
        screen(layer, sbox)
    # left: direction pad
    lx = x0 + (sx0 - x0) * 0.5
    cy = y0 + h * 0.5
    arm, thick = h * 0.16, h * 0.095
    pad = mask(layer.size, lambda d: (d.rounded((lx - arm, cy - thick, lx + arm, cy + thick), 2),
                                      d.rounded((lx - thick, cy - arm, lx + thick, cy + arm), 2)))
    paint(layer, pad, (26, 25, 32))
    paint(layer, scale_mask(minus(pad, shifted(pad, 0, 1)), 0.6), (120, 116, 132))
    # right: four face buttons
    rx = x1 - (x1 - (sx0 + sw)) * 0.5
    rr, off = h * 0.062, h * 0.13
    for dx, dy in ((0, -off), (off, 0), (0, off), (-off, 0)):
        b = mask(layer.size, lambda d: d.circle((rx + dx, cy + dy), rr))
        paint(layer, b, (30, 29, 36))
        ring = mask(layer.size, lambda d: d.arc((rx + dx - rr, cy + dy - rr, rx + dx + rr,
                                                 cy + dy + rr), 200, 340, 1))
        paint(layer, scale_mask(ring, 0.7), (140, 136, 150))
    # small keys under the screen
    for i in range(4):
        kx = sx0 + sw * (0.2 + 0.2 * i)
        k = mask(layer.size, lambda d: d.rounded((kx - 5, y1 - h * 0.11, kx + 5, y1 - h * 0.07), 1.5))
        paint(layer, k, (70, 68, 80))
    return sbox


def laptop(layer, box, screen=None):
    """An open laptop; box spans screen lid and base."""
    x0, y0, x1, y1 = box
    w, h = x1 - x0, y1 - y0
    lid = (x0 + w * 0.1, y0, x1 - w * 0.1, y0 + h * 0.82)
    shadow = mask(layer.size, lambda d: d.rounded((x0 + 4, y1 - 6, x1 + 4, y1 + 5), 4))
    paint(layer, scale_mask(shadow, 0.35), (10, 2, 10))
    lm = mask(layer.size, lambda d: d.rounded(lid, 6))
    paint(layer, lm, vgradient(layer.size, [(0, (64, 62, 74)), (1, (34, 32, 42))],
                               round(lid[1]), round(lid[3])))
    sbox = (lid[0] + 7, lid[1] + 7, lid[2] - 7, lid[3] - 7)
    sm = mask(layer.size, lambda d: d.rect(sbox))
    if screen is None:
        paint(layer, sm, vgradient(layer.size, [(0, (110, 52, 106)), (1, (60, 24, 60))],
                                   round(sbox[1]), round(sbox[3])))
    else:
        screen(layer, sbox)
    base = mask(layer.size, lambda d: d.polygon([(x0 + w * 0.06, y0 + h * 0.84),
                                                 (x1 - w * 0.06, y0 + h * 0.84),
                                                 (x1, y1 - 3), (x0, y1 - 3)]))
    paint(layer, base, vgradient(layer.size, [(0, lighter(STEEL, 0.1)), (1, darker(STEEL, 0.3))],
                                 round(y0 + h * 0.84), y1))
    lip = mask(layer.size, lambda d: d.rounded((x0, y1 - 5, x1, y1), 2))
    paint(layer, lip, darker(STEEL, 0.45))
    notch = mask(layer.size, lambda d: d.rounded(((x0 + x1) / 2 - 14, y1 - 5, (x0 + x1) / 2 + 14,
                                                  y1 - 3), 1))
    paint(layer, notch, darker(STEEL, 0.6))
    return sbox


def magnifier(layer, centre, radius):
    """A magnifying glass whose lens centres on centre."""
    cx, cy = centre
    handle = mask(layer.size, lambda d: d.line([(cx + radius * 0.74, cy + radius * 0.74),
                                                (cx + radius * 1.55, cy + radius * 1.55)],
                                               radius * 0.34))
    paint(layer, handle, (46, 30, 48))
    grip = mask(layer.size, lambda d: d.line([(cx + radius * 1.0, cy + radius * 1.0),
                                              (cx + radius * 1.5, cy + radius * 1.5)],
                                             radius * 0.26))
    paint(layer, grip, ACCENT_DARK)
    glass = mask(layer.size, lambda d: d.circle(centre, radius))
    paint(layer, scale_mask(glass, 0.28), (220, 200, 230))
    shine = mask(layer.size, lambda d: d.arc((cx - radius * 0.7, cy - radius * 0.7, cx + radius * 0.7,
                                              cy + radius * 0.7), 200, 260, radius * 0.12))
    paint(layer, scale_mask(shine, 0.8), (255, 255, 255))
    ring = mask(layer.size, lambda d: d.arc((cx - radius, cy - radius, cx + radius, cy + radius),
                                            0, 360, radius * 0.2))
    paint(layer, ring, hgradient(layer.size, [(0, lighter(STEEL, 0.3)), (1, darker(STEEL, 0.35))]))


def usb_symbol(layer, centre, height, colour):
    """The USB trident: a stem with an arrow, a round and a square branch."""
    cx, cy = centre
    top, bottom = cy - height / 2, cy + height / 2
    unit = height / 10
    shapes = mask(layer.size, lambda d: (
        d.line([(cx, top + unit * 2), (cx, bottom - unit * 1.2)], unit * 0.9),
        d.polygon([(cx, top), (cx - unit * 1.3, top + unit * 2.2), (cx + unit * 1.3, top + unit * 2.2)]),
        d.circle((cx, bottom - unit * 1.1), unit * 1.2),
        d.line([(cx, cy + unit * 2), (cx - unit * 3, cy), (cx - unit * 3, cy - unit * 1.5)], unit * 0.9),
        d.circle((cx - unit * 3, cy - unit * 2), unit * 1.0),
        d.line([(cx, cy + unit * 3), (cx + unit * 3, cy + unit * 1), (cx + unit * 3, cy - unit * 0.5)],
               unit * 0.9),
        d.rect((cx + unit * 2.1, cy - unit * 2.3, cx + unit * 3.9, cy - unit * 0.5))))
    paint(layer, shapes, colour)


def check_badge(layer, centre, radius):
    """A round green badge with a white check mark."""
    cx, cy = centre
    glow = radial_mask(layer.size, centre, radius * 1.7, strength=0.45)
    paint(layer, glow, SUCCESS)
    disc = mask(layer.size, lambda d: d.circle(centre, radius))
    paint(layer, disc, vgradient(layer.size, [(0, lighter(SUCCESS, 0.15)), (1, SUCCESS_DARK)],
                                 round(cy - radius), round(cy + radius)))
    rim = mask(layer.size, lambda d: d.arc((cx - radius, cy - radius, cx + radius, cy + radius),
                                           0, 360, max(1.5, radius * 0.06)))
    paint(layer, scale_mask(rim, 0.8), darker(SUCCESS_DARK, 0.4))
    check_mark(layer, centre, radius * 0.62, max(2.0, radius * 0.2), (255, 255, 255))


def check_mark(layer, centre, size, width, colour):
    cx, cy = centre
    pts = [(cx - size * 0.62, cy + size * 0.02), (cx - size * 0.16, cy + size * 0.48),
           (cx + size * 0.7, cy - size * 0.5)]
    paint(layer, mask(layer.size, lambda d: d.line(pts, width)), colour)


def drive(layer, centre, width, colour, detail):
    """A small disk drive: a rounded slab with a slot and a light."""
    cx, cy = centre
    w, h = width, width * 0.62
    box = (cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2)
    paint(layer, mask(layer.size, lambda d: d.rounded(box, h * 0.22)), colour)
    slot = (box[0] + w * 0.14, cy + h * 0.05, box[0] + w * 0.6, cy + h * 0.05 + max(1.5, h * 0.12))
    paint(layer, mask(layer.size, lambda d: d.rounded(slot, 0.7)), detail)
    paint(layer, mask(layer.size, lambda d: d.circle((box[2] - w * 0.2, cy + h * 0.1), h * 0.1)),
          detail)


def text(layer, xy, s, fnt, colour, anchor="la", shadow=None):
    if shadow:
        paint(layer, text_mask(layer.size, (xy[0] + 1, xy[1] + 1), s, fnt, anchor), shadow)
    paint(layer, text_mask(layer.size, xy, s, fnt, anchor), colour)

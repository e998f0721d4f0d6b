"""The page pictures. Each covers the whole 630 x 440 window and is drawn over
the skin with the blue key transparent, so each is composed over the skin
here and cut out with a hard mask: the pixels it keeps already show the
skin beneath them, and its edges carry no blue.

Where the screens put their texts and buttons (so the pictures stay clear):
language: the text line at y 225..245; connect: the text at y 225 and
below, the status line at (3, 312, 190, 344) and a button at (364, 361);
finished: the texts at y 195 and below; logo: only the status line at the
bottom."""
import math

from artlib import (ACCENT, ACCENT_DARK, BAR, BODY, EDGE_DARK, EDGE_LIGHT, TEXT, both,
                    clear_layer, cut_over, darker, font, lighter, mask, minus, paint,
                    radial_mask, scale_mask, vgradient)
from flags import FLAG_TABLE, NAMES, flag
from motifs import check_badge, emblem, laptop, magnifier, psp, text, usb_symbol

SIZE = (630, 440)
SOFT = (222, 196, 218)  # secondary text


def _wordmark(layer, x, y, height):
    """The emblem and the name side by side, left edge at x, centred on y."""
    fnt = font("bold", round(height * 0.8))
    emblem(layer, (x, y - height / 2, x + height, y + height / 2))
    text(layer, (x + height * 1.25, y + height * 0.04), "Swaymo", fnt, TEXT, "lm",
         shadow=darker(BODY, 0.5))


def _wordmark_width(height):
    return height * 1.25 + font("bold", round(height * 0.8)).getlength("Swaymo")


def language(skin):
    layer = clear_layer(SIZE)
    h = 46
    _wordmark(layer, (SIZE[0] - _wordmark_width(h)) / 2, 84, h)
    welcome = "Welcome  ·  Bienvenue  ·  Willkommen  ·  Bienvenido  ·  Benvenuto  ·  "
    f_latin, f_cjk = font("sans", 13), font("cjk", 13)
    total = f_latin.getlength(welcome) + f_cjk.getlength("欢迎")
    x = (SIZE[0] - total) / 2
    text(layer, (x, 128), welcome, f_latin, SOFT, "lm")
    text(layer, (x + f_latin.getlength(welcome), 128), "欢迎", f_cjk, SOFT, "lm")
    for fx, fy, fw, fh, kind in FLAG_TABLE:
        card = (fx - 8, 146, fx + fw + 8, fy + fh + 8)
        shadow = mask(SIZE, lambda d: d.rounded((card[0] + 1, card[1] + 2, card[2] + 1,
                                                 card[3] + 2), 8))
        paint(layer, scale_mask(shadow, 0.35), darker(EDGE_DARK, 0.3))
        face = mask(SIZE, lambda d: d.rounded(card, 8))
        paint(layer, face, vgradient(SIZE, [(0, (106, 56, 100)), (1, (82, 40, 78))],
                                     card[1], card[3]))
        inner = mask(SIZE, lambda d: d.rounded((card[0] + 1, card[1] + 1, card[2] - 1,
                                                card[3] - 1), 7))
        paint(layer, scale_mask(minus(face, inner), 0.8), lighter(EDGE_LIGHT, 0.05))
        name = NAMES[kind]
        fnt = font("cjk" if kind == "china" else "sans", 11)
        text(layer, (fx + fw / 2, 158), name, fnt, TEXT, "mm")
        flag(layer, kind, (fx, fy, fx + fw, fy + fh))
    return cut_over(layer, skin)


def _waves(layer, centre, radii, start, end, colour, strength):
    cx, cy = centre
    for i, r in enumerate(radii):
        arc = mask(SIZE, lambda d: d.arc((cx - r, cy - r, cx + r, cy + r), start, end, 3))
        paint(layer, scale_mask(arc, strength * (1 - i * 0.25)), colour)


def _cable(layer, points, colour):
    """A round cable along a smooth curve through the points."""
    curve = _bezier(points, 60)
    paint(layer, mask(SIZE, lambda d: d.line(curve, 7)), darker(EDGE_DARK, 0.2))
    paint(layer, mask(SIZE, lambda d: d.line(curve, 5)), colour)
    paint(layer, scale_mask(mask(SIZE, lambda d: d.line([(x, y - 1) for x, y in curve], 1.5)),
                            0.45), (255, 255, 255))
    return curve


def _bezier(points, steps):
    out = []
    for i in range(steps + 1):
        t = i / steps
        pts = list(points)
        while len(pts) > 1:
            pts = [(a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t) for a, b in zip(pts, pts[1:])]
        out.append(pts[0])
    return out


def _plug(layer, centre, angle, colour):
    cx, cy = centre
    ca, sa = math.cos(angle), math.sin(angle)

    def rect(l0, l1, w):  # from l0 to l1 along the angle, 2w across
        def at(along, across):
            return (cx + ca * along - sa * across, cy + sa * along + ca * across)
        return [at(l0, w), at(l1, w), at(l1, -w), at(l0, -w)]
    paint(layer, mask(SIZE, lambda d: d.polygon(rect(-12, 0, 6))), colour)
    paint(layer, mask(SIZE, lambda d: d.polygon(rect(0, 6, 4))), lighter(colour, 0.35))


def searching(skin):
    layer = clear_layer(SIZE)
    # the PSP on the left, the computer on the right, a cable between them
    psp_box = (52, 104, 292, 206)
    laptop_box = (392, 62, 592, 204)
    port = (228, 103)
    side = (392, 172)
    cable_colour = (176, 172, 188)
    _cable(layer, [port, (236, 40), (330, 34), (352, 176), side], cable_colour)
    _plug(layer, (port[0], port[1] - 6), -math.pi / 2 + 0.05, (62, 60, 72))
    _plug(layer, (side[0] - 6, side[1]), math.pi, (62, 60, 72))

    def scan_screen(lyr, box):
        x0, y0, x1, y1 = box
        paint(lyr, mask(SIZE, lambda d: d.rect(box)),
              vgradient(SIZE, [(0, (104, 48, 102)), (1, (50, 20, 52))], round(y0), round(y1)))
        cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
        scr = mask(SIZE, lambda d: d.rect(box))
        paint(lyr, both(radial_mask(SIZE, (cx, cy), (x1 - x0) * 0.6, (y1 - y0) * 0.7, 0.5), scr),
              ACCENT)
        for i in range(4):  # lines of a list being searched
            ly = y0 + 12 + i * 14
            paint(lyr, both(mask(SIZE, lambda d: d.rounded((x0 + 12, ly, x0 + 12 + (70 - 12 * i),
                                                            ly + 5), 2)), scr),
                  lighter(ACCENT_DARK, 0.35))
        magnifier(lyr, (x1 - 48, cy - 6), 17)

    def usb_screen(lyr, box):
        x0, y0, x1, y1 = box
        scr = mask(SIZE, lambda d: d.rect(box))
        paint(lyr, scr, vgradient(SIZE, [(0, (112, 50, 110)), (1, (52, 20, 54))], round(y0), round(y1)))
        cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
        paint(lyr, both(radial_mask(SIZE, (cx, cy), (x1 - x0) * 0.5, (y1 - y0) * 0.6, 0.55), scr),
              ACCENT)
        usb_symbol(lyr, (cx, cy), (y1 - y0) * 0.62, TEXT)

    laptop(layer, laptop_box, scan_screen)
    psp(layer, psp_box, usb_screen)
    # signals rising from the PSP
    _waves(layer, (172, 100), [26, 40, 54], 235, 305, ACCENT, 0.75)
    return cut_over(layer, skin)


def _sparkle(layer, centre, r, colour):
    cx, cy = centre
    pts = [(cx, cy - r), (cx + r * 0.22, cy - r * 0.22), (cx + r, cy), (cx + r * 0.22, cy + r * 0.22),
           (cx, cy + r), (cx - r * 0.22, cy + r * 0.22), (cx - r, cy), (cx - r * 0.22, cy - r * 0.22)]
    paint(layer, mask(SIZE, lambda d: d.polygon(pts)), colour)


def finished(skin):
    layer = clear_layer(SIZE)
    paint(layer, radial_mask(SIZE, (315, 126), 210, 66, 0.35), BAR)

    def installed_screen(lyr, box):
        x0, y0, x1, y1 = box
        paint(lyr, mask(SIZE, lambda d: d.rect(box)),
              vgradient(SIZE, [(0, (118, 52, 114)), (1, (56, 22, 58))], round(y0), round(y1)))
        side = (y1 - y0) * 0.62
        cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
        emblem(lyr, (cx - side / 2, cy - side / 2, cx + side / 2, cy + side / 2))

    psp(layer, (195, 78, 435, 180), installed_screen)
    check_badge(layer, (432, 84), 30)
    for centre, r in (((172, 70), 7), ((150, 100), 4), ((488, 148), 6), ((470, 176), 3.5),
                      ((160, 160), 4)):
        _sparkle(layer, centre, r, lighter(ACCENT, 0.45))
    return cut_over(layer, skin)


def logo(skin, japanese=False):
    layer = clear_layer(SIZE)
    paint(layer, radial_mask(SIZE, (315, 150), 230, 150, 0.45), BAR)
    side = 118
    emblem(layer, (315 - side / 2, 72, 315 + side / 2, 72 + side))
    if japanese:
        text(layer, (315, 246), "スウェイモ", font("cjk", 50), TEXT, "mm",
             shadow=darker(BODY, 0.5))
        text(layer, (315, 292), "Swaymo", font("bold", 22), SOFT, "mm")
        text(layer, (315, 324), "PSP用アプリ  セットアップ", font("cjk", 17), SOFT, "mm")
    else:
        text(layer, (315, 248), "Swaymo", font("bold", 60), TEXT, "mm",
             shadow=darker(BODY, 0.5))
        text(layer, (315, 306), "for PSP  ·  Setup", font("sans", 20), SOFT, "mm")
    return cut_over(layer, skin)



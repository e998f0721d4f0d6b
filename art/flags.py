"""Simplified national flags, each filling exactly the box it is given."""
import math

from artlib import both, mask, minus, paint, scale_mask, vgradient

# the flag table of the language screen: x, y, width, height, flag
FLAG_TABLE = [
    (45, 171, 50, 32, "uk"),
    (142, 171, 50, 32, "france"),
    (240, 171, 47, 32, "germany"),
    (338, 171, 50, 33, "spain"),
    (436, 171, 47, 32, "italy"),
    (534, 171, 50, 32, "china"),
]
NAMES = {"uk": "English", "france": "Français", "germany": "Deutsch", "spain": "Español",
         "italy": "Italiano", "china": "中文"}


def _stripes(layer, box, colours, vertical):
    x0, y0, x1, y1 = box
    n = len(colours)
    for i, colour in enumerate(colours):  # each stripe runs on to the end: no seams
        if vertical:
            part = (x0 + (x1 - x0) * i / n, y0, x1, y1)
        else:
            part = (x0, y0 + (y1 - y0) * i / n, x1, y1)
        paint(layer, mask(layer.size, lambda d: d.rect(part)), colour)


def _star(cx, cy, r, turn=0.0):
    pts = []
    for i in range(10):
        a = -math.pi / 2 + turn + i * math.pi / 5
        rr = r if i % 2 == 0 else r * 0.382
        pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    return pts


def uk(layer, box):
    x0, y0, x1, y1 = box
    w, h = x1 - x0, y1 - y0
    inside = mask(layer.size, lambda d: d.rect(box))
    paint(layer, inside, (1, 33, 105))

    def diagonals(width):
        return lambda d: (d.line([(x0, y0), (x1, y1)], width, round_ends=False),
                          d.line([(x1, y0), (x0, y1)], width, round_ends=False))
    paint(layer, both(mask(layer.size, diagonals(h * 0.2)), inside), (255, 255, 255))
    paint(layer, both(mask(layer.size, diagonals(h * 0.07)), inside), (200, 16, 46))
    cx, cy = x0 + w / 2, y0 + h / 2
    paint(layer, mask(layer.size, lambda d: (d.rect((cx - h / 6, y0, cx + h / 6, y1)),
                                             d.rect((x0, cy - h / 6, x1, cy + h / 6)))),
          (255, 255, 255))
    paint(layer, mask(layer.size, lambda d: (d.rect((cx - h / 10, y0, cx + h / 10, y1)),
                                             d.rect((x0, cy - h / 10, x1, cy + h / 10)))),
          (200, 16, 46))


def france(layer, box):
    _stripes(layer, box, [(0, 35, 149), (255, 255, 255), (237, 41, 57)], True)


def germany(layer, box):
    _stripes(layer, box, [(0, 0, 0), (221, 0, 0), (255, 206, 0)], False)


def spain(layer, box):
    x0, y0, x1, y1 = box
    h = y1 - y0
    paint(layer, mask(layer.size, lambda d: d.rect(box)), (170, 21, 27))
    paint(layer, mask(layer.size, lambda d: d.rect((x0, y0 + h / 4, x1, y1 - h / 4))), (241, 191, 0))


def italy(layer, box):
    _stripes(layer, box, [(0, 146, 70), (255, 255, 255), (206, 43, 55)], True)


def china(layer, box):
    x0, y0, x1, y1 = box
    w, h = x1 - x0, y1 - y0
    paint(layer, mask(layer.size, lambda d: d.rect(box)), (238, 28, 37))
    ux, uy = w / 30, h / 20
    yellow = (255, 222, 0)
    paint(layer, mask(layer.size, lambda d: d.polygon(_star(x0 + 5 * ux, y0 + 5 * uy, 3 * uy))),
          yellow)
    for gx, gy in ((10, 2), (12, 4), (12, 7), (10, 9)):
        cx, cy = x0 + gx * ux, y0 + gy * uy
        turn = math.atan2(y0 + 5 * uy - cy, x0 + 5 * ux - cx) + math.pi / 2
        paint(layer, mask(layer.size, lambda d: d.polygon(_star(cx, cy, uy * 1.1, turn))), yellow)


DRAW = {"uk": uk, "france": france, "germany": germany, "spain": spain, "italy": italy,
        "china": china}


def flag(layer, kind, box):
    """One flag with a faint sheen and a fine dark edge, all inside box."""
    DRAW[kind](layer, box)
    x0, y0, x1, y1 = box
    inside = mask(layer.size, lambda d: d.rect(box))
    sheen = vgradient(layer.size, [(0, (255, 255, 255)), (1, (0, 0, 0))], y0, y1)
    paint(layer, scale_mask(inside, 0.10), sheen)
    edge = mask(layer.size, lambda d: d.rect((x0 + 1, y0 + 1, x1 - 1, y1 - 1)))
    paint(layer, scale_mask(minus(inside, edge), 0.35), (0, 0, 0))

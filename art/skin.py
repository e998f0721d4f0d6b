"""The window skin, the message box background and the program icon."""
from PIL import Image

from artlib import (ACCENT, ACCENT_DARK, BAND_BOTTOM, BAND_TOP, BAR, BODY, BODY_TOP, EDGE_DARK,
                    EDGE_LIGHT, TEXT, both, clear_layer, darker, font, hard, hgradient,
                    lighter, mask, minus, paint, radial_mask, scale_mask, shape_on_key,
                    vgradient)
from motifs import emblem, text

W, H = 630, 440
BAND = 36  # the drag band's height
RADIUS = 14
MSG_W, MSG_H = 384, 250
MSG_BAND = 30


def _band(layer, width, height, title, title_font, emblem_size):
    size = layer.size
    paint(layer, mask(size, lambda d: d.rect((0, 0, width, height))),
          vgradient(size, [(0, BAND_TOP), (1, BAND_BOTTOM)], 0, height))
    # a soft light along the band's top, brightest in the middle
    paint(layer, radial_mask(size, (width / 2, 0), width * 0.55, height * 0.9, 0.18), ACCENT)
    line = mask(size, lambda d: d.rect((0, height, width, height + 1)))
    paint(layer, line, hgradient(size, [(0, ACCENT_DARK), (0.5, ACCENT), (1, ACCENT_DARK)]))
    shade = mask(size, lambda d: d.rect((0, height - 1, width, height)))
    paint(layer, scale_mask(shade, 0.6), darker(BAND_BOTTOM, 0.5))
    top = (height - emblem_size) // 2
    emblem(layer, (10, top, 10 + emblem_size, top + emblem_size))
    text(layer, (18 + emblem_size, height / 2 + 1), title, title_font, TEXT, "lm",
         shadow=darker(BAND_BOTTOM, 0.6))


def _body(layer, width, height, top):
    size = layer.size
    paint(layer, mask(size, lambda d: d.rect((0, top + 1, width, height))),
          vgradient(size, [(0, BODY_TOP), (1, BODY)], top + 1, top + 120))
    glow = radial_mask(size, (width / 2, top + 1), width * 0.5, 46, 0.30)
    paint(layer, both(glow, mask(size, lambda d: d.rect((0, top + 1, width, height)))), BAR)


def _rim(layer, outer, inner, innermost):
    """Two lines along the outline: dark outside, light inside."""
    paint(layer, minus(outer, inner), EDGE_DARK)
    light = vgradient(layer.size, [(0, EDGE_LIGHT), (0.5, darker(EDGE_LIGHT, 0.25)),
                                   (1, darker(EDGE_LIGHT, 0.45))])
    paint(layer, minus(inner, innermost), light)


def dialog_skin():
    """The 630 x 440 window: a rounded plum window on the blue key."""
    size = (W, H)
    layer = clear_layer(size)
    _body(layer, W, H, BAND)
    # the bottom edge darkens a little
    paint(layer, mask(size, lambda d: d.rect((0, H - 26, W, H))),
          vgradient(size, [(0, BODY), (1, darker(BODY, 0.2))], H - 26, H))
    _band(layer, W, BAND, "Swaymo Setup", font("bold", 14), 20)
    # resize grip in the bottom-right corner
    for a in range(3):
        for b in range(3 - a):
            cx, cy = W - 9 - 5 * a, H - 9 - 5 * b
            paint(layer, mask(size, lambda d: d.circle((cx + 0.8, cy + 0.8), 1.3)),
                  darker(BODY, 0.5))
            paint(layer, mask(size, lambda d: d.circle((cx, cy), 1.3)), lighter(EDGE_LIGHT, 0.1))
    outer = hard(mask(size, lambda d: d.rounded((0, 0, W, H), RADIUS)))
    inner = hard(mask(size, lambda d: d.rounded((1, 1, W - 1, H - 1), RADIUS - 1)))
    innermost = hard(mask(size, lambda d: d.rounded((2, 2, W - 2, H - 2), RADIUS - 2)))
    _rim(layer, outer, inner, innermost)
    return shape_on_key(layer, outer)


def message_box_background():
    """The 384 x 250 message box: rectangular, so it has no key pixel."""
    size = (MSG_W, MSG_H)
    layer = clear_layer(size)
    _body(layer, MSG_W, MSG_H, MSG_BAND)
    _band(layer, MSG_W, MSG_BAND, "Swaymo", font("bold", 13), 16)
    full = mask(size, lambda d: d.rect((0, 0, MSG_W, MSG_H)))
    inner = mask(size, lambda d: d.rect((1, 1, MSG_W - 1, MSG_H - 1)))
    innermost = mask(size, lambda d: d.rect((2, 2, MSG_W - 2, MSG_H - 2)))
    _rim(layer, full, inner, innermost)
    out = Image.new("RGBA", size, BODY + (255,))
    out.alpha_composite(layer)
    return out.convert("RGB")


def icon(size):
    """The program icon: the emblem with real transparency."""
    layer = clear_layer((size, size))
    emblem(layer, (0, 0, size, size))
    return layer


def icon_on_key(size):
    layer = clear_layer((size, size))
    emblem(layer, (0, 0, size, size))
    shape = hard(layer.getchannel("A"))
    return shape_on_key(layer, shape)


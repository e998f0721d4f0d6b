"""Drawing helpers shared by every picture: the palette, fonts, shape masks,
gradients, and the cut against the blue transparent key.

Shapes are drawn SS times larger and scaled down, which gives each pixel its
coverage. Nothing is ever blended with the key: a picture is composed over
what really lies under it (the skin, or the face's own background) and only
then cut out with a hard mask, so no pixel next to the key carries blue.
"""
from PIL import Image, ImageChops, ImageDraw, ImageFont

KEY = (0, 0, 255)
SS = 4

# Palette. The trough and the bar are the progress bar's own colours.
TROUGH = (62, 29, 55)
BAR = (154, 46, 158)
TEXT = (245, 245, 245)
BODY = (78, 38, 73)  # the window's flat middle, where the buttons sit
BODY_TOP = (96, 48, 90)
BAND_TOP = (58, 24, 55)
BAND_BOTTOM = (34, 13, 33)
EDGE_DARK = (20, 6, 20)
EDGE_LIGHT = (138, 82, 130)
ACCENT = (214, 92, 206)
ACCENT_DARK = (120, 36, 124)
SUCCESS = (96, 206, 128)
SUCCESS_DARK = (38, 120, 70)
GRAPHITE = (44, 42, 52)
GRAPHITE_DARK = (18, 17, 24)
STEEL = (190, 186, 200)

FONT_DIR = "/usr/share/fonts/truetype/"
FONT_FILES = {
    "sans": FONT_DIR + "dejavu/DejaVuSans.ttf",
    "bold": FONT_DIR + "dejavu/DejaVuSans-Bold.ttf",
    "cjk": FONT_DIR + "wqy/wqy-microhei.ttc",
}


def font(kind, px):
    """A font of the given em size in pixels."""
    return ImageFont.truetype(FONT_FILES[kind], px)


def cell_font(kind, cell):
    """A font whose ascent plus descent is cell pixels (how a Windows
    positive font height is meant)."""
    probe = font(kind, 100)
    ascent, descent = probe.getmetrics()
    return font(kind, max(1, round(cell * 100 / (ascent + descent))))


def is_cjk(text):
    return any(ord(c) >= 0x2E80 for c in text)


class ScaledDraw:
    """ImageDraw on a canvas SS times larger, taking 1x coordinates."""

    def __init__(self, image):
        self.draw = ImageDraw.Draw(image)

    @staticmethod
    def _pts(points):
        return [(x * SS, y * SS) for x, y in points]

    @staticmethod
    def _box(box):
        x0, y0, x1, y1 = box
        return [x0 * SS, y0 * SS, x1 * SS - 1, y1 * SS - 1]

    def rect(self, box, fill=255):
        self.draw.rectangle(self._box(box), fill=fill)

    def rounded(self, box, radius, fill=255):
        self.draw.rounded_rectangle(self._box(box), radius=radius * SS, fill=fill)

    def ellipse(self, box, fill=255):
        self.draw.ellipse(self._box(box), fill=fill)

    def circle(self, centre, radius, fill=255):
        cx, cy = centre
        self.ellipse((cx - radius, cy - radius, cx + radius, cy + radius), fill)

    def polygon(self, points, fill=255):
        self.draw.polygon(self._pts(points), fill=fill)

    def line(self, points, width, fill=255, round_ends=True):
        pts = self._pts(points)
        self.draw.line(pts, fill=fill, width=round(width * SS), joint="curve")
        if round_ends:
            r = width * SS / 2
            for x, y in (pts[0], pts[-1]):
                self.draw.ellipse([x - r, y - r, x + r, y + r], fill=fill)

    def arc(self, box, start, end, width, fill=255):
        self.draw.arc(self._box(box), start, end, fill=fill, width=round(width * SS))


def mask(size, paint):
    """Coverage mask (mode L) of what paint(ScaledDraw) draws."""
    big = Image.new("L", (size[0] * SS, size[1] * SS), 0)
    paint(ScaledDraw(big))
    return big.resize(size, Image.BOX)


def text_mask(size, xy, text, fnt, anchor="la"):
    """Coverage mask of one line of text, anti-aliased at 1x."""
    m = Image.new("L", size, 0)
    ImageDraw.Draw(m).text(xy, text, fill=255, font=fnt, anchor=anchor)
    return m


def hard(m, threshold=128):
    """Cuts a coverage mask to fully in or fully out."""
    return m.point(lambda a: 255 if a >= threshold else 0)


def scale_mask(m, factor):
    return m.point(lambda a: int(a * factor))


def both(a, b):
    """Where both masks cover."""
    return ImageChops.multiply(a, b)


def minus(a, b):
    return ImageChops.subtract(a, b)


def shifted(m, dx, dy):
    return ImageChops.offset(m, dx, dy)


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def lighter(c, t):
    return mix(c, (255, 255, 255), t)


def darker(c, t):
    return mix(c, (0, 0, 0), t)


def solid(size, colour):
    return Image.new("RGBA", size, tuple(colour) + (255,))


def vgradient(size, stops, top=0, bottom=None):
    """Vertical gradient through (position 0..1, colour) stops between rows
    top and bottom; rows outside take the end colours."""
    w, h = size
    bottom = h if bottom is None else bottom
    strip = Image.new("RGBA", (1, h))
    span = max(1, bottom - top - 1)
    for y in range(h):
        t = min(1.0, max(0.0, (y - top) / span))
        for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
            if t0 <= t <= t1:
                colour = mix(c0, c1, (t - t0) / (t1 - t0) if t1 > t0 else 0)
                break
        strip.putpixel((0, y), colour + (255,))
    return strip.resize((w, h), Image.NEAREST)


def hgradient(size, stops):
    w, h = size
    return vgradient((h, w), stops).transpose(Image.Transpose.TRANSPOSE)


def radial_mask(size, centre, radius_x, radius_y=None, strength=1.0):
    """A soft round glow mask: full at the centre, nothing at the radius."""
    radius_y = radius_x if radius_y is None else radius_y

    def falloff(v):  # v: distance from the centre, 181 at 128 pixels
        t = max(0.0, 1.0 - v / 181.0)
        return int(255 * strength * t * t * (3 - 2 * t))

    ramp = Image.radial_gradient("L").point(falloff)
    w, h = round(radius_x * 2), round(radius_y * 2)
    glow = ramp.resize((max(1, w), max(1, h)), Image.BILINEAR)
    m = Image.new("L", size, 0)
    m.paste(glow, (round(centre[0] - radius_x), round(centre[1] - radius_y)))
    return m


def paint(layer, m, fill):
    """Lays fill (a colour, or an image of the layer's size) over layer
    where mask m covers it."""
    src = solid(layer.size, fill) if isinstance(fill, tuple) else fill.convert("RGBA").copy()
    src.putalpha(ImageChops.multiply(src.getchannel("A"), m))
    layer.alpha_composite(src)


def clear_layer(size):
    return Image.new("RGBA", size, (0, 0, 0, 0))


def key_mask(rgb):
    """255 where an RGB picture holds the key colour exactly."""
    r, g, b = rgb.split()
    r0 = r.point(lambda v: 255 if v == KEY[0] else 0)
    g0 = g.point(lambda v: 255 if v == KEY[1] else 0)
    b0 = b.point(lambda v: 255 if v == KEY[2] else 0)
    return ImageChops.multiply(ImageChops.multiply(r0, g0), b0)


def cut_over(layer, underlay, min_alpha=3):
    """RGB picture of layer composed over underlay, kept where the layer
    shows and the underlay is not the key; the key everywhere else."""
    comp = underlay.convert("RGBA")
    comp.alpha_composite(layer)
    keep = layer.getchannel("A").point(lambda a: 255 if a >= min_alpha else 0)
    keep = ImageChops.multiply(keep, ImageChops.invert(key_mask(underlay.convert("RGB"))))
    out = Image.new("RGB", layer.size, KEY)
    out.paste(comp.convert("RGB"), mask=keep)
    return out


def shape_on_key(layer, shape):
    """RGB picture of an opaque layer inside a hard-edged shape mask, the key
    outside."""
    out = Image.new("RGB", layer.size, KEY)
    flat = Image.new("RGBA", layer.size, (0, 0, 0, 255))
    flat.alpha_composite(layer)
    out.paste(flat.convert("RGB"), mask=shape)
    return out

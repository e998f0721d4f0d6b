"""Button faces. The program writes each caption onto the face itself, so a
face carries no text; a few carry a pictogram at their right end, and the
caption is then shifted left by half the pictogram's room (the screens give
those buttons a caption offset of -28).

Faces are copied to the window as they are, corners included, so every
face is opaque: its corners show what lies under the button where it is
placed (the skin, or the message box), composed in advance."""
from collections import namedtuple

from PIL import Image

from artlib import (ACCENT, EDGE_DARK, TEXT, both, clear_layer, darker, lighter, mask, minus,
                    paint, scale_mask, shifted, vgradient)
from motifs import check_mark, drive

PICTOGRAM_ROOM = 56  # right end kept for a pictogram: twice the caption offset
CAPTION_PAD = 10  # room a caption keeps from the face's ends

# ids: normal, hover, pressed, disabled (None: that face is not a picture of
# its own). under: which picture lies beneath and where the button sits on it.
FaceSet = namedtuple("FaceSet", "name ids size style pictogram under at")
FACE_SETS = [
    FaceSet("large", (1080, 1079, 1078, 1081), (220, 36), "action", None, "skin", (205, 370)),
    FaceSet("next", (1009, 1008, 1007, 1010), (220, 36), "action", "chevron", "skin", (205, 338)),
    FaceSet("yes", (435, 436, None, None), (260, 44), "action", "check", "skin", (47, 170)),
    FaceSet("select", (433, 434, None, None), (260, 44), "action", "drive", "skin", (315, 170)),
    FaceSet("connect", (437, 438, None, None), (250, 44), "action", "drive", "skin", (364, 361)),
    FaceSet("minimise", (282, 287, 286, None), (26, 20), "title", "minimise", "skin", (566, 8)),
    FaceSet("exit", (288, 290, 289, None), (26, 20), "title", "exit", "skin", (595, 8)),
    FaceSet("box", (243, 242, 241, None), (76, 25), "muted", None, "box", (199, 211)),
    FaceSet("box-first", (239, 238, 237, None), (76, 25), "action", None, "box", (159, 211)),
]
STATES = ("normal", "hover", "pressed", "disabled")


def caption_room(face_set):
    """The span (left, right) of a face that a caption may cover."""
    w = face_set.size[0]
    if face_set.pictogram in ("check", "drive"):
        return CAPTION_PAD, w - PICTOGRAM_ROOM - CAPTION_PAD // 2
    if face_set.pictogram == "chevron":
        return CAPTION_PAD + 14, w - CAPTION_PAD - 14
    return CAPTION_PAD, w - CAPTION_PAD


# fill gradients (top, bottom) by style and state
FILLS = {
    ("action", "normal"): ((178, 68, 174), (108, 32, 112)),
    ("action", "hover"): ((206, 96, 200), (138, 48, 140)),
    ("action", "pressed"): ((88, 24, 92), (126, 40, 128)),
    ("action", "disabled"): ((106, 90, 106), (80, 66, 80)),
    ("muted", "normal"): ((132, 76, 128), (86, 44, 84)),
    ("muted", "hover"): ((160, 96, 154), (108, 58, 106)),
    ("muted", "pressed"): ((66, 30, 64), (92, 50, 90)),
    ("title", "normal"): ((78, 38, 74), (52, 22, 50)),
    ("title", "hover"): ((122, 62, 116), (86, 38, 82)),
    ("title", "pressed"): ((40, 16, 40), (66, 30, 62)),
}
EXIT_FILLS = {"hover": ((220, 70, 88), (158, 34, 56)), "pressed": ((128, 26, 44), (170, 46, 64))}


def render_face(face_set, state, under):
    """One face (RGB) over under, the picture beneath the button at its place."""
    w, h = face_set.size
    size = (w, h)
    layer = clear_layer(size)
    style = face_set.style
    small = style == "title"
    radius = 5 if small else (6 if h < 30 else 8)
    lift = 0 if small else (1 if h < 30 else 2)  # room for the drop shadow
    sink = 1 if state == "pressed" and not small else 0
    box = (0, sink, w, h - lift + sink)
    if lift and state != "pressed":
        shadow = mask(size, lambda d: d.rounded((0, lift, w, h), radius))
        paint(layer, scale_mask(shadow, 0.45), darker(EDGE_DARK, 0.3))
    shape = mask(size, lambda d: d.rounded(box, radius))
    top, bottom = FILLS[(style, state)]
    if face_set.name == "exit" and state in EXIT_FILLS:
        top, bottom = EXIT_FILLS[state]
    paint(layer, shape, vgradient(size, [(0, top), (1, bottom)], box[1], box[3]))
    inner = mask(size, lambda d: d.rounded((1, box[1] + 1, w - 1, box[3] - 1), radius - 1))
    if state in ("normal", "hover"):
        gloss = mask(size, lambda d: d.rounded((1, box[1] + 1, w - 1, box[1] + (box[3] - box[1]) // 2),
                                               radius - 1))
        paint(layer, scale_mask(both(gloss, inner), 0.08), (255, 255, 255))
        paint(layer, scale_mask(minus(inner, shifted(inner, 0, 1)), 0.35), (255, 255, 255))
    if state == "pressed":
        paint(layer, scale_mask(minus(inner, shifted(inner, 0, 2)), 0.35), (0, 0, 0))
    if state == "hover" and style != "title":
        ring = minus(inner, mask(size, lambda d: d.rounded((2, box[1] + 2, w - 2, box[3] - 2),
                                                           radius - 2)))
        paint(layer, scale_mask(ring, 0.45), lighter(ACCENT, 0.3))
    rim = minus(shape, inner)
    paint(layer, scale_mask(rim, 0.9), darker(EDGE_DARK, 0.2))
    _pictogram(layer, face_set, state, box, top, bottom)
    out = under.convert("RGBA")
    out.alpha_composite(layer)
    return out.convert("RGB")


def _pictogram(layer, face_set, state, box, top, bottom):
    size = layer.size
    w = size[0]
    kind = face_set.pictogram
    if kind is None:
        return
    colour = (170, 158, 170) if state == "disabled" else TEXT
    cy = (box[1] + box[3]) / 2
    if kind in ("check", "drive"):
        sx = w - PICTOGRAM_ROOM
        groove = mask(size, lambda d: d.rect((sx, box[1] + 7, sx + 1, box[3] - 7)))
        paint(layer, scale_mask(groove, 0.5), darker(bottom, 0.5))
        paint(layer, scale_mask(shifted(groove, 1, 0), 0.18), (255, 255, 255))
        cx = w - PICTOGRAM_ROOM / 2
        if kind == "check":
            check_mark(layer, (cx, cy), 13, 3.4, colour)
        else:
            drive(layer, (cx, cy), 24, colour, darker(bottom, 0.1))
    elif kind == "chevron":
        cx = w - 18
        pts = [(cx - 3, cy - 6), (cx + 3, cy), (cx - 3, cy + 6)]
        paint(layer, mask(size, lambda d: d.line(pts, 2.4)), colour)
    elif kind == "minimise":
        colour = TEXT if state != "normal" else (214, 200, 214)
        paint(layer, mask(size, lambda d: d.rect((8, 12, w - 8, 14.5))), colour)
    elif kind == "exit":
        colour = TEXT if state != "normal" else (214, 200, 214)
        paint(layer, mask(size, lambda d: (d.line([(9, 6), (w - 9, 14)], 2.0),
                                           d.line([(w - 9, 6), (9, 14)], 2.0))), colour)


def render_all(skin, box):
    """{id: face picture} for every face set, drawn over the skin or the
    message box picture at the place its buttons take."""
    under_of = {"skin": skin, "box": box}
    faces = {}
    for face_set in FACE_SETS:
        x, y = face_set.at
        w, h = face_set.size
        under = under_of[face_set.under].crop((x, y, x + w, y + h))
        for state, face_id in zip(STATES, face_set.ids):
            if face_id is not None:
                faces[face_id] = render_face(face_set, state, under)
    return faces


def contact_sheet(faces):
    """All faces on one sheet, for looking at them."""
    ids = sorted(faces)
    sheet = Image.new("RGB", (4 * 270 + 10, ((len(ids) + 3) // 4) * 54 + 10), (40, 40, 40))
    for i, face_id in enumerate(ids):
        sheet.paste(faces[face_id], (10 + (i % 4) * 270, 10 + (i // 4) * 54))
    return sheet

"""Checks the committed pictures and language tables: that they are what
art/ renders, that every table holds every key with the right placeholders,
that the texts fit where the screens show them, and that the pictures have
their sizes, keep clear of the texts and show no blue fringe.

Usage: check_art.py <repository root>. Exits 77 (skipped) without Pillow."""
import os
import sys
import unittest

ROOT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                       os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "art"))
try:
    from PIL import Image
except ImportError:
    print("skipped: Pillow is missing (scripts/install-deps installs python3-pil)")
    sys.exit(77)

import faces  # noqa: E402
import layout  # noqa: E402
import tables  # noqa: E402
from flags import FLAG_TABLE  # noqa: E402

DAT = os.path.join(ROOT, "dat")
RES = os.path.join(ROOT, "res")
KEY = (0, 0, 255)
W, H = 630, 440

# Every key the program looks up, with the placeholders it fills in.
PROGRAM_KEYS = {
    "IDS_MAINFRAME": [], "IDS_RESTORE": [], "IDS_MINIMIZE": [], "IDS_SELECT_LANGUAGE": [],
    "IDS_CHECKING_FOR_NET_CONNECTION": [], "IDS_NOT_CONNECTED_TO_NET": [],
    "IDS_NEED_INTERNET_MESSAGE": [], "IDS_CONNECTING_TO_SERVER": [], "IDS_CONNECTED_OK": [],
    "IDS_UPDATE_AVAILABLE": [], "IDS_CLOSE_CD": [], "IDS_CONNECT_PSP_SLIM_TEXT": [],
    "IDS_I_WILL_SELECT": [], "IDS_SEARCHING_FOR_PSP": [], "IDS_PSP_STICK_NOT_MOUNTED": [],
    "IDS_PSP_FOUND_ON_DRIVE_X": ["%c"],
    "IDS_IS_THIS_DRIVE_CORRECT": ["%s", "%s"], "IDS_YES_SELECT_DRIVE": [], "IDS_NEXT_BUTTON": [],
    "IDS_CANCEL_BUTTON": [], "IDS_DOWNLOADING_SAVE": [], "IDS_FINISHED_ALL": [],
    "IDS_GO_USE_IT": [], "IDS_INTERNET_ERROR_SERVER": [], "IDS_ONLINE_ERROR": [],
    "IDS_ONLINE_URL_DOESNT_EXIST_ERROR": [], "IDS_UNKNOWN_INTERNET_ERROR": [],
}
# The widest values the placeholders take: a drive letter, size texts.
ARGUMENTS = {"%c": "W", "%s": "1863.02GB"}

# Page texts: the room they have (width, height) on their screen.
PAGE_TEXTS = [
    ("IDS_SELECT_LANGUAGE", 600, 20),
    ("IDS_NOT_CONNECTED_TO_NET", 600, 40),
    ("IDS_NEED_INTERNET_MESSAGE", 600, 198),
    ("IDS_UPDATE_AVAILABLE", 600, 198),
    ("IDS_CONNECT_PSP_SLIM_TEXT", 588, 87),  # above the status line at y 312
    ("IDS_PSP_FOUND_ON_DRIVE_X", 600, 40),
    ("IDS_IS_THIS_DRIVE_CORRECT", 600, 57),  # above the buttons at y 170
    ("IDS_DOWNLOADING_SAVE", 600, 198),
    ("IDS_FINISHED_ALL", 600, 20),
    ("IDS_GO_USE_IT", 600, 145),  # above the Close button at y 370
    ("IDS_INTERNET_ERROR_SERVER", 600, 198),
]
# Status line texts: one line in font 4 across the window.
STATUS_TEXTS = ["IDS_CHECKING_FOR_NET_CONNECTION", "IDS_CONNECTING_TO_SERVER", "IDS_CONNECTED_OK",
                "IDS_NOT_CONNECTED_TO_NET", "IDS_PSP_FOUND_ON_DRIVE_X", "IDS_PSP_STICK_NOT_MOUNTED"]
# Message box texts: 344 x 180, Arial 17.
BOX_TEXTS = ["IDS_INTERNET_ERROR_SERVER", "IDS_NOT_CONNECTED_TO_NET", "IDS_UNKNOWN_INTERNET_ERROR",
             "IDS_ONLINE_ERROR", "IDS_ONLINE_URL_DOESNT_EXIST_ERROR"]
# Captions and the face sets that show them.
CAPTIONS = [
    ("IDS_CLOSE_CD", "large"), ("IDS_NEXT_BUTTON", "large"), ("IDS_CANCEL_BUTTON", "large"),
    ("IDS_YES_SELECT_DRIVE", "large"), ("IDS_YES_SELECT_DRIVE", "yes"),
    ("IDS_I_WILL_SELECT", "select"), ("IDS_I_WILL_SELECT", "connect"),
]
PLAIN_TEXTS = set(STATUS_TEXTS + BOX_TEXTS + [k for k, _ in CAPTIONS] +
                  ["IDS_MAINFRAME", "IDS_RESTORE", "IDS_MINIMIZE", "IDS_SEARCHING_FOR_PSP"])


def filled(text):
    for placeholder, value in ARGUMENTS.items():
        text = text.replace(placeholder, value)
    return text


def committed_tables():
    out = {}
    for _, dat in tables.LANGUAGES:
        with open(os.path.join(DAT, dat), "rb") as f:
            out[dat] = tables.decode(f.read())
    return out


class LanguageTables(unittest.TestCase):
    def test_committed_tables_are_rendered_from_the_sources(self):
        for dat, entries in tables.load_all().items():
            with self.subTest(dat), open(os.path.join(DAT, dat), "rb") as f:
                self.assertEqual(f.read(), tables.encode(entries),
                                 "out of date: run scripts/render-art")

    def test_every_table_holds_every_key_once(self):
        for dat, entries in committed_tables().items():
            with self.subTest(dat):
                keys = [k for k, _ in entries]
                self.assertEqual(sorted(keys), sorted(PROGRAM_KEYS))
                # the program compares keys from their third character on
                self.assertEqual(len({k[2:] for k in keys}), len(keys))
                self.assertTrue(all(v for _, v in entries), "an empty text")

    def test_formatted_keys_carry_exactly_their_placeholders(self):
        for dat, entries in committed_tables().items():
            for key, value in entries:
                with self.subTest(dat=dat, key=key):
                    self.assertEqual(tables.placeholders(value), PROGRAM_KEYS[key])
                    self.assertEqual(value.count("%"), len(PROGRAM_KEYS[key]))

    def test_markup_only_where_the_renderer_draws_the_text(self):
        for dat, entries in committed_tables().items():
            for key, value in entries:
                with self.subTest(dat=dat, key=key):
                    if key in PLAIN_TEXTS:
                        self.assertNotIn("\\", value)
                        self.assertNotIn("\n", value)
                    else:
                        rest = value.split("\\")[1:]
                        self.assertTrue(all(r[:2] == "fs" and r[2:3] in "12345" and r[2:3]
                                            for r in rest), value)

    def test_page_texts_fit_their_room(self):
        for dat, entries in committed_tables().items():
            texts = dict(entries)
            for key, width, height in PAGE_TEXTS:
                with self.subTest(dat=dat, key=key):
                    _, used = layout.layout(filled(texts[key]), width)
                    self.assertLessEqual(used, height)

    def test_status_texts_take_one_line(self):
        for dat, entries in committed_tables().items():
            texts = dict(entries)
            for key in STATUS_TEXTS:
                with self.subTest(dat=dat, key=key):
                    placed, _ = layout.layout("\\fs4" + filled(texts[key]), 600)
                    self.assertEqual(len(placed), 1)
            # beside the search picture the status has 187 x 32
            for key in ("IDS_SEARCHING_FOR_PSP", "IDS_PSP_FOUND_ON_DRIVE_X"):
                with self.subTest(dat=dat, key=key):
                    _, used = layout.layout("\\fs4 ... " + filled(texts[key]) + " ... ", 187)
                    self.assertLessEqual(used, 32)

    def test_message_box_texts_fit_the_box(self):
        for dat, entries in committed_tables().items():
            texts = dict(entries)
            for key in BOX_TEXTS:
                with self.subTest(dat=dat, key=key):
                    self.assertLessEqual(len(layout.wrap(texts[key], 344, 17)) * 19, 180)

    def test_captions_fit_their_faces(self):
        sets = {s.name: s for s in faces.FACE_SETS}
        for dat, entries in committed_tables().items():
            texts = dict(entries)
            for key, face in CAPTIONS:
                with self.subTest(dat=dat, key=key, face=face):
                    left, right = faces.caption_room(sets[face])
                    width = max(layout.measure(texts[key], 15),
                                layout.measure(texts[key], 13, bold=True))
                    self.assertLessEqual(width, right - left)

    def test_malformed_tables_and_sources_are_refused(self):
        good = tables.encode([("IDS_A", "x")])
        for name, data in [("odd length", good + b"\0"),
                           ("no final empty key", good[:-2]),
                           ("cut inside a value", good[:-4]),
                           ("byte-order mark", "\ufeff".encode("utf-16-le") + good)]:
            with self.subTest(name):
                self.assertRaises(tables.TableError, tables.decode, data)
        self.assertEqual(tables.decode(good), [("IDS_A", "x")])
        english = [("IDS_A", "%s of %s"), ("IDS_B", "b")]
        for name, theirs in [("missing key", [("IDS_A", "%s de %s")]),
                             ("extra key", english + [("IDS_C", "c")]),
                             ("placeholder lost", [("IDS_A", "%s"), ("IDS_B", "b")]),
                             ("placeholder changed", [("IDS_A", "%d de %s"), ("IDS_B", "b")])]:
            with self.subTest(name):
                self.assertRaises(tables.TableError, tables.check_against, english, theirs, name)


def open_picture(*parts):
    with Image.open(os.path.join(*parts)) as picture:
        picture.load()
        return picture


def pixels(picture):
    picture = picture.convert("RGB")
    data = list(picture.getdata())
    w = picture.width
    return lambda x, y: data[y * w + x]


def near_blue(c):
    r, g, b = c
    return b >= 96 and b - max(r, g) >= 48


def fringe(picture):
    """Pixels next to the key that are not the key but bluish."""
    at = pixels(picture)
    w, h = picture.size
    bad = []
    for y in range(h):
        for x in range(w):
            c = at(x, y)
            if c == KEY or not near_blue(c):
                continue
            if any(0 <= x + dx < w and 0 <= y + dy < h and at(x + dx, y + dy) == KEY
                   for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                bad.append((x, y, c))
    return bad


PAGES = ["language.png", "Searching.png", "Finished.png", "Lumetra.png", "Lumetra_Jap.png"]
# Where each page's screen puts texts and buttons: the picture leaves them alone.
CLEAR = {
    "language.png": [(15, 225, 615, 245)],
    "Searching.png": [(25, 225, 613, 327), (3, 312, 190, 344), (364, 361, 614, 405)],
    "Finished.png": [(15, 195, 615, 375)],
    "Lumetra.png": [(15, 408, 615, 432)],
    "Lumetra_Jap.png": [(15, 408, 615, 432)],
}


class Pictures(unittest.TestCase):
    def test_sizes_and_formats(self):
        expected = [(("dat", "Dialog Graphic.bmp"), (W, H), "BMP"), (("res", "230.bmp"), (384, 250), "BMP")]
        expected += [(("dat", p), (W, H), "PNG") for p in PAGES]
        for s in faces.FACE_SETS:
            expected += [(("res", f"{i}.bmp"), s.size, "BMP") for i in s.ids if i is not None]
        for parts, size, kind in expected:
            with self.subTest(parts[1]):
                picture = open_picture(ROOT, *parts)
                self.assertEqual(picture.size, size)
                self.assertEqual(picture.format, kind)
                self.assertEqual(picture.mode, "RGB")

    def test_face_sizes_fit_the_screens(self):
        size = {s.name: s.size for s in faces.FACE_SETS}
        self.assertEqual(size["box"], (76, 25))
        self.assertEqual(size["box-first"], (76, 25))
        self.assertEqual(size["minimise"], size["exit"])  # sized like the Exit button
        exit_w, exit_h = size["exit"]
        self.assertLessEqual(8 + exit_h, 36)  # inside the title band
        self.assertGreaterEqual(W - 12 - 2 * exit_w, 250)  # right of the name
        yes_w, select_w = size["yes"][0], size["select"][0]
        self.assertLessEqual(yes_w + select_w + 8, W - 2 * 8)
        self.assertLessEqual(364 + size["connect"][0], W - 8)
        self.assertLess(276 + size["large"][1], 370)  # the drive choice's last button
        self.assertLessEqual(H - 70 + size["large"][1], H - 32)  # above the status line

    def test_faces_are_opaque(self):
        for s in faces.FACE_SETS:
            for face_id in filter(None, s.ids):
                with self.subTest(face_id):
                    at = pixels(open_picture(RES, f"{face_id}.bmp"))
                    w, h = s.size
                    self.assertFalse(any(at(x, y) == KEY for x in range(w) for y in range(h)))
        box = open_picture(RES, "230.bmp").convert("RGB")
        self.assertNotIn(KEY, set(box.getdata()))

    def test_skin_is_one_rounded_piece_on_the_key(self):
        at = pixels(open_picture(DAT, "Dialog Graphic.bmp"))
        for corner in ((0, 0), (W - 1, 0), (0, H - 1), (W - 1, H - 1)):
            self.assertEqual(at(*corner), KEY)
        for y in range(H):
            row = "".join("k" if at(x, y) == KEY else "o" for x in range(W))
            with self.subTest(row=y):
                self.assertEqual(row.strip("k").count("k"), 0, "a hole in the window")
                self.assertLessEqual(len(row) - len(row.lstrip("k")), 16)
        for x in range(W):  # every column reaches from near the top to near the bottom
            column = "".join("k" if at(x, y) == KEY else "o" for y in range(H))
            self.assertEqual(column.strip("k").count("k"), 0)

    def test_no_blue_fringe(self):
        for parts in [(DAT, "Dialog Graphic.bmp"), (RES, "990.bmp")] + [(DAT, p) for p in PAGES]:
            with self.subTest(parts[1]):
                self.assertEqual(fringe(open_picture(*parts))[:5], [])

    def test_pictures_stay_inside_the_window_and_clear_of_texts(self):
        skin = pixels(open_picture(DAT, "Dialog Graphic.bmp"))
        for page in PAGES:
            at = pixels(open_picture(DAT, page))
            with self.subTest(page):
                outside = [(x, y) for y in range(H) for x in (0, W - 1) if skin(x, y) == KEY]
                self.assertTrue(all(at(x, y) == KEY for x, y in outside))
                for x0, y0, x1, y1 in CLEAR[page]:
                    self.assertTrue(all(at(x, y) == KEY for x in range(x0, x1) for y in range(y0, y1)),
                                    (x0, y0, x1, y1))
                shown = sum(at(x, y) != KEY for x in range(0, W, 5) for y in range(0, H, 5))
                self.assertGreater(shown, 400, "an empty picture")

    def test_flags_fill_their_table_rectangles(self):
        def red(c):
            return c[0] > 150 and c[1] < 90 and c[2] < 90

        def white(c):
            return min(c) > 200

        def blue(c):
            return c[2] > 80 and c[2] > c[0] + 40

        def yellow(c):
            return c[0] > 200 and c[1] > 150 and c[2] < 80

        def green(c):
            return c[1] > 100 and c[1] > c[0] + 50 and c[1] > c[2]

        def black(c):
            return max(c) < 50

        def plum(c):  # the card around a flag
            return abs(c[0] - c[2]) < 40 and c[1] < min(c[0], c[2])

        # points in fractions of the flag, and what each must show
        looks = {
            "uk": [((0.5, 0.5), red), ((0.3, 0.08), blue), ((0.585, 0.1), white)],
            "france": [((0.15, 0.5), blue), ((0.5, 0.5), white), ((0.85, 0.5), red)],
            "germany": [((0.5, 0.15), black), ((0.5, 0.5), red), ((0.5, 0.85), yellow)],
            "spain": [((0.5, 0.1), red), ((0.7, 0.5), yellow), ((0.5, 0.9), red)],
            "italy": [((0.15, 0.5), green), ((0.5, 0.5), white), ((0.85, 0.5), red)],
            "china": [((0.168, 0.25), yellow), ((0.7, 0.7), red)],
        }
        at = pixels(open_picture(DAT, "language.png"))
        for x, y, w, h, kind in FLAG_TABLE:
            with self.subTest(kind):
                self.assertTrue(all(at(i, j) != KEY for i in range(x, x + w) for j in range(y, y + h)))
                for (fx, fy), test in looks[kind]:
                    c = at(int(x + fx * w), int(y + fy * h))
                    self.assertTrue(test(c), (kind, fx, fy, c))
                for i, j in ((x - 2, y + h // 2), (x + w + 1, y + h // 2), (x + w // 2, y + h + 1)):
                    self.assertTrue(plum(at(i, j)), (kind, i, j, at(i, j)))

    def test_icon_and_logo_variants(self):
        icon = open_picture(RES, "990.png")
        self.assertEqual(icon.width, icon.height)
        self.assertEqual(icon.mode, "RGBA")
        self.assertEqual(icon.getpixel((0, 0))[3], 0)
        self.assertEqual(icon.getpixel((icon.width // 2, icon.height // 2))[3], 255)
        latin = open_picture(DAT, "Lumetra.png").convert("RGB")
        japanese = open_picture(DAT, "Lumetra_Jap.png").convert("RGB")
        self.assertNotEqual(list(latin.getdata()), list(japanese.getdata()))


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])

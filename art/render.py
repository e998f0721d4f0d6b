"""Renders every picture and language table of the program from the sources
in art/ into dat/ and res/. Usage: render.py [output root] (default: the
repository root)."""
import os
import sys

import faces
import pages
import skin
import tables
from artlib import key_mask

HERE = os.path.dirname(os.path.abspath(__file__))


def _save(picture, path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if path.endswith(".bmp"):
        picture.convert("RGB").save(path, "BMP")
    else:
        picture.save(path, "PNG", optimize=True)
    print("wrote", os.path.relpath(path))


def main():
    tables.load_all()  # fails early on a broken language source
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(HERE)
    dat, res = os.path.join(root, "dat"), os.path.join(root, "res")

    window = skin.dialog_skin()
    box = skin.message_box_background()
    _save(window, os.path.join(dat, "Dialog Graphic.bmp"))
    _save(box, os.path.join(res, "230.bmp"))
    for face_id, picture in sorted(faces.render_all(window, box).items()):
        if key_mask(picture).getbbox() is not None:
            sys.exit(f"face {face_id} shows the key colour")
        _save(picture, os.path.join(res, f"{face_id}.bmp"))
    _save(pages.language(window), os.path.join(dat, "language.png"))
    _save(pages.searching(window), os.path.join(dat, "Searching.png"))
    _save(pages.finished(window), os.path.join(dat, "Finished.png"))
    _save(pages.logo(window), os.path.join(dat, "Lumetra.png"))
    _save(pages.logo(window, japanese=True), os.path.join(dat, "Lumetra_Jap.png"))
    _save(skin.icon(48), os.path.join(res, "990.png"))
    _save(skin.icon_on_key(32), os.path.join(res, "990.bmp"))
    for path in tables.write_all(dat):
        print("wrote", os.path.relpath(path))


if __name__ == "__main__":
    main()

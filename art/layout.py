"""How the program lays out a page text, closely enough to tell whether a
translation fits its place: font codes at the start of a line (\\fsN), line
breaks, word wrapping with a split inside a word that is too long, and
the line height of the font in use. Verdana and Arial are measured with
DejaVu Sans, which is what the font matcher gives for them here (and it is
the wider of the two), CJK characters with WenQuanYi Micro Hei.
"""
from functools import lru_cache

from artlib import cell_font, is_cjk

# the renderer's five styles: cell height, bold
STYLES = {1: (18, True), 2: (16, False), 3: (13, False), 4: (12, False), 5: (10, False)}


@lru_cache(maxsize=None)
def _font(kind, cell):
    return cell_font(kind, cell)


def measure(text, cell, bold=False):
    """Width in pixels of one line of text."""
    width, run, run_cjk = 0.0, "", False
    for c in text + "\0":
        cjk = c != "\0" and is_cjk(c)
        if run and (cjk != run_cjk or c == "\0"):
            width += _font("cjk" if run_cjk else ("bold" if bold else "sans"), cell).getlength(run)
            run = ""
        run_cjk = cjk
        run += c if c != "\0" else ""
    return width


def _word_ends(text):
    ends, inside = [], False
    for i, c in enumerate(text):
        if c > " " and not inside:
            inside = True
        elif c <= " " and inside:
            inside = False
            ends.append(i)
    if inside:
        ends.append(len(text))
    return ends


def wrap(text, width, cell, bold=False):
    """The lines one paragraph breaks into at the given width."""
    lines, rest = [], text
    while rest:
        if measure(rest, cell, bold) <= width:
            lines.append(rest)
            break
        ends = _word_ends(rest)
        line = None
        for end in reversed(ends[1:] if len(ends) > 1 else []):
            if measure(rest[:end], cell, bold) <= width:
                line = rest[:end]
                break
        if line is None:
            line = rest[:ends[0]] if ends else rest
            while len(line) > 1 and measure(line, cell, bold) > width:
                line = line[:-1]
        lines.append(line)
        rest = rest[len(line):].lstrip(" ")
    return lines


def layout(text, width):
    """[(style, line)] and the height the whole formatted text takes."""
    style, placed, y, line_height = 1, [], 0, 0
    for source_line in text.split("\n"):
        had_code = False
        while source_line.startswith("\\fs") and source_line[3:4].isdigit():
            n = int(source_line[3])
            style = n if n in STYLES else style
            source_line = source_line[4:]
            if source_line[:1] and source_line[0] <= " ":
                source_line = source_line[1:]
            had_code = True
        if "\\" in source_line:
            raise ValueError(f"a code this model does not know in {text!r}")
        cell, bold = STYLES[style]
        if source_line:
            line_height = cell + 2
            for line in wrap(source_line, width, cell, bold):
                placed.append((style, line))
                y += line_height
        elif not had_code:
            y += line_height
    return placed, y

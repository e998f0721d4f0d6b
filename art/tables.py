"""Language tables: reads the readable sources in art/strings/ and writes the
program's binary tables.

A binary table is UTF-16LE without a byte-order mark: for each entry the
key's characters, a 0, the value's characters, a 0; after the last entry one
more 0 (an empty key) ends the table.
"""
import os
import re

STRINGS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "strings")

# source file, table file, in the order of the program's language indexes
LANGUAGES = [
    ("english.txt", "EnglishStrings.dat"),
    ("french.txt", "FrenchStrings.dat"),
    ("german.txt", "GermanStrings.dat"),
    ("spanish.txt", "SpanishStrings.dat"),
    ("japanese.txt", "JapaneseStrings.dat"),
    ("italian.txt", "ItalianStrings.dat"),
    ("chinese.txt", "ChineseStrings.dat"),
]

KEY = re.compile(r"IDS_[A-Z0-9_]+\Z")
# printf placeholders the program fills: flags, width, precision, conversion
PLACEHOLDER = re.compile(r"%[-+ #0]*(\d+|\*)?(\.(\d+|\*))?[hlLwI]*[cCdiouxXeEfgGsSpn%]")


class TableError(Exception):
    pass


def parse_source(path):
    """[(key, value)] of a source file: 'KEY = text' lines, '#' comments.
    In a text, backslash n is a line feed; nothing else is an escape."""
    entries, seen = [], set()
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            key, sep, value = line.partition(" = ")
            key = key.strip()
            where = f"{os.path.basename(path)}:{number}"
            if not sep or not KEY.match(key):
                raise TableError(f"{where}: expected 'IDS_KEY = text'")
            if key in seen:
                raise TableError(f"{where}: {key} given twice")
            if "\0" in value or any(ord(c) > 0xFFFF for c in value):
                raise TableError(f"{where}: a character the table cannot hold")
            seen.add(key)
            entries.append((key, value.strip().replace("\\n", "\n")))
    return entries


def placeholders(text):
    """The placeholders of a format text, in order ('%%' included)."""
    return [m.group(0) for m in PLACEHOLDER.finditer(text)]


def check_against(english, entries, name):
    """Every key of the English table, no other, with the same placeholders."""
    theirs = dict(entries)
    missing = [k for k, _ in english if k not in theirs]
    extra = [k for k in theirs if k not in dict(english)]
    if missing or extra:
        raise TableError(f"{name}: missing {missing}, unknown {extra}")
    for key, value in english:
        if placeholders(theirs[key]) != placeholders(value):
            raise TableError(f"{name}: {key} must carry {placeholders(value)}")


def encode(entries):
    out = bytearray()
    for key, value in entries:
        out += (key + "\0" + value + "\0").encode("utf-16-le")
    out += "\0".encode("utf-16-le")
    return bytes(out)


def decode(data):
    """[(key, value)] of a binary table; TableError when it is malformed."""
    if len(data) % 2:
        raise TableError("odd length")
    text = data.decode("utf-16-le")
    if not text.endswith("\0"):
        raise TableError("no terminating character")
    parts = text[:-1].split("\0")
    # key, value, ..., key, value, "" (the empty final key)
    if parts[-1] != "" or len(parts) % 2 == 0:
        raise TableError("no final empty key")
    parts = parts[:-1]
    entries = list(zip(parts[0::2], parts[1::2]))
    if any(not KEY.match(k) for k, _ in entries):
        raise TableError("a key that is not an IDS_ name")
    return entries


def load_all():
    """{table file: entries}, every source checked against the English one."""
    sources = {dat: parse_source(os.path.join(STRINGS, src)) for src, dat in LANGUAGES}
    english = sources["EnglishStrings.dat"]
    order = [k for k, _ in english]
    tables = {}
    for (src, dat) in LANGUAGES:
        check_against(english, sources[dat], src)
        values = dict(sources[dat])
        tables[dat] = [(k, values[k]) for k in order]
    return tables


def write_all(folder):
    os.makedirs(folder, exist_ok=True)
    written = []
    for dat, entries in load_all().items():
        path = os.path.join(folder, dat)
        with open(path, "wb") as f:
            f.write(encode(entries))
        written.append(path)
    return written

#!/usr/bin/env python3
"""Builds a binary message catalogue (NUL-terminated KEY=TEXT records) from
its readable source (one KEY=TEXT a line, backslash escapes).

usage: make_catalogue.py SOURCE OUTPUT [--reference SOURCE]

With --reference (the general catalogue's source), every key must exist there
and take the same conversions in the same order, so a translation can never
ask the launcher for arguments it does not pass.
"""

import re
import sys

# The loader takes 1023 bytes without a NUL as a whole record; a longer text
# would be split, so a record (without its NUL) stays below that.
MAX_RECORD = 1022
KEY = re.compile(r"S_[A-Z0-9_]+\Z")
ESCAPES = {"n": "\n", "r": "\r", "t": "\t", "\\": "\\"}
CONVERSION = re.compile(r"%[-+ #0]*[0-9]*(?:\.[0-9]+)?(?:hh|h|ll|l|L|z|j|t)?([a-zA-Z%])")


def unescape(text, where):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\":
            if i + 1 >= len(text) or text[i + 1] not in ESCAPES:
                raise SystemExit("%s: unknown escape in %r (write \\\\ for a backslash)" % (where, text))
            out.append(ESCAPES[text[i + 1]])
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def read_source(path):
    entries = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n").rstrip("\r")
            if not line or line.startswith("#"):
                continue
            where = "%s:%d" % (path, number)
            key, sep, text = line.partition("=")
            if not sep or not KEY.match(key):
                raise SystemExit("%s: expected KEY=TEXT with an upper-case S_ key" % where)
            if key in entries:
                raise SystemExit("%s: %s given twice" % (where, key))
            text = unescape(text, where)
            if "\0" in text:
                raise SystemExit("%s: NUL in text" % where)
            record = ("%s=%s" % (key, text)).encode("utf-8")
            if len(record) > MAX_RECORD:
                raise SystemExit("%s: record of %d bytes, at most %d" % (where, len(record), MAX_RECORD))
            entries[key] = (text, record)
    return entries


def conversions(text):
    return [m.group(0) for m in CONVERSION.finditer(text) if m.group(1) != "%"]


def main(argv):
    if len(argv) not in (3, 5) or (len(argv) == 5 and argv[3] != "--reference"):
        raise SystemExit(__doc__)
    entries = read_source(argv[1])
    if len(argv) == 5:
        reference = read_source(argv[4])
        for key, (text, _) in entries.items():
            if key not in reference:
                raise SystemExit("%s: %s is not a key of %s" % (argv[1], key, argv[4]))
            if conversions(text) != conversions(reference[key][0]):
                raise SystemExit("%s: %s takes %s, the general text takes %s"
                                 % (argv[1], key, conversions(text), conversions(reference[key][0])))
    with open(argv[2], "wb") as out:
        for _, record in entries.values():
            out.write(record + b"\0")


if __name__ == "__main__":
    main(sys.argv)

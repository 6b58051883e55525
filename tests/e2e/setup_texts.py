"""The English catalogue texts that setup shows, read from the catalogue source,
and console text flattened for matching (the console wraps at 80 columns)."""

from pathlib import Path

SOURCE = Path(__file__).resolve().parents[2] / "launcher" / "catalogue" / "messages" / "cons.txt"
_ESCAPES = {"n": "\n", "r": "\r", "t": "\t", "\\": "\\"}


def _unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append(_ESCAPES.get(text[i + 1], text[i + 1]))
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def _load():
    texts = {}
    for line in SOURCE.read_text(encoding="utf-8").splitlines():
        if not line or line.startswith("#") or "=" not in line:
            continue
        key, _, text = line.partition("=")
        texts.setdefault(key, _unescape(text))
    return texts


TEXTS = _load()


def text(key, *args):
    return TEXTS[key] % args if args else TEXTS[key]


def flat(console_text):
    return console_text.replace("\n", "")

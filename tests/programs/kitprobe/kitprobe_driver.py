"""Helpers of the end-to-end tests that drive kitprobe: the catalogue's English
texts, Unix names of Windows paths, installing the probe in a chosen
directory, and reading its name=value results."""

import re
import shutil
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[3]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

from winbed import BIN  # noqa: E402


def catalogue_text(key, *args):
    """The English text of a message key, with its %s/%d filled in order."""
    escapes = {"n": "\n", "r": "\r", "t": "\t", "\\": "\\"}
    for line in (ROOT / "launcher/catalogue/messages/cons.txt").read_text(encoding="utf-8").splitlines():
        name, sep, text = line.partition("=")
        if sep and name == key:
            text = re.sub(r"\\(.)", lambda m: escapes.get(m.group(1), m.group(1)), text)
            values = iter(args)
            return re.sub(r"%[sd]", lambda m: str(next(values)), text)
    raise KeyError(key)


def unix_path(windows_path):
    """The Unix path of a Z: drive path."""
    assert windows_path[:2].upper() == "Z:", windows_path
    return Path(windows_path[2:].replace("\\", "/"))


def install_probe(directory):
    """A copy of kitprobe.exe with its catalogue, so that the program's own
    directory is one the test chose."""
    directory.mkdir(parents=True, exist_ok=True)
    shutil.copy(BIN / "kitprobe.exe", directory / "kitprobe.exe")
    shutil.copytree(BIN / "resource", directory / "resource", dirs_exist_ok=True)
    return directory / "kitprobe.exe"


def probe_values(console):
    """The name=value lines of the probe's output."""
    values = {}
    for line in console.splitlines():
        name, sep, value = line.partition("=")
        if sep and re.fullmatch(r"[A-Za-z_]+", name):
            values[name] = value
    return values

"""Builds installation kits around the real setup.exe for end-to-end runs, and
reads what the Java runtime stand-in (tests/programs/javastub) recorded.

A kit is a directory holding setup.exe, resource\\ (the catalogues), a
velparam.ini and jre\\bin\\java.exe and javaw.exe (the stand-ins). The stand-in
writes the command line it received, exactly, as the first line of its report,
then the argument vector the C runtime made of it (what the Java runtime gets).
"""

import contextlib
import os
import shutil
import time
from dataclasses import dataclass, field
from pathlib import Path

import winbed

# Passes on every Windows version Wine reports.
PASSING_PREREQUISITES = """
[Certified Versions]
Windows=5.0,5.1,5.2,6.0,6.1,6.2,6.3,10.0
"""


def velparam_text(settings, extra=PASSING_PREREQUISITES):
    lines = ["[Velmor]"] + ["%s=%s" % (key, value) for key, value in settings.items()]
    return "\r\n".join(lines) + "\r\n" + extra.replace("\n", "\r\n")


@dataclass
class Report:
    command_line: str
    properties: dict = field(default_factory=dict)
    classpath: list = field(default_factory=list)
    options: list = field(default_factory=list)
    main_class: str = ""
    arguments: list = field(default_factory=list)
    program: str = ""
    argv: list = field(default_factory=list)


def read_report(path):
    raw = Path(path).read_bytes().decode("latin-1")
    command_line, _, rest = raw.partition("\n")
    report = Report(command_line=command_line)
    for line in rest.splitlines():
        kind, _, value = line.partition(" ")
        if kind == "property":
            name, _, text = value.partition("=")
            report.properties[name] = text
        elif kind == "classpath":
            report.classpath.append(value)
        elif kind == "option":
            report.options.append(value)
        elif kind == "main":
            report.main_class = value.partition(" ")[2]
        elif kind == "argument":
            report.arguments.append(value)
        elif kind == "program":
            report.program = value
        elif kind == "argv":
            report.argv.append(value)
    return report


class Kit:
    """A kit directory; settings=None leaves the kit without velparam.ini."""

    def __init__(self, name, settings=None, extra=PASSING_PREREQUISITES, java=("java.exe", "javaw.exe"),
                 directory=None):
        self.dir = Path(directory) if directory else winbed.fresh_dir(name)
        self.dir.mkdir(parents=True, exist_ok=True)
        shutil.copy2(winbed.BIN / "setup.exe", self.dir / "setup.exe")
        shutil.copytree(winbed.BIN / "resource", self.dir / "resource")
        self.jre_bin = self.dir / "jre" / "bin"
        self.jre_bin.mkdir(parents=True)
        for program in java:
            shutil.copy2(winbed.BIN / program, self.jre_bin / program)
        # A temporary directory of the kit's own, for runs that set TEMP inside Windows.
        self.temp = self.dir.parent / (self.dir.name + "-temp")
        if self.temp.exists():
            shutil.rmtree(self.temp)
        self.temp.mkdir()
        self.scratch_before = set()
        self.report_path = self.dir.parent / (self.dir.name + "-report.txt")
        if settings is not None:
            self.write_params(settings, extra)

    def write_params(self, settings, extra=PASSING_PREREQUISITES, path=None):
        path = Path(path) if path else self.dir / "velparam.ini"
        path.write_bytes(velparam_text(settings, extra).encode("latin-1"))
        return path

    @property
    def win(self):
        return winbed.win_path(self.dir)

    def run(self, tail="", exit_code=0, sleep_ms=None, env=None, **kwargs):
        """Runs setup.exe with the command-line tail given exactly."""
        if self.report_path.exists():
            self.report_path.unlink()
        full_env = {
            "VEL_STUB_REPORT": winbed.win_path(self.report_path),
            "VEL_STUB_EXIT": str(exit_code),
        }
        if sleep_ms is not None:
            full_env["VEL_STUB_SLEEP_MS"] = str(sleep_ms)
        full_env.update(env or {})
        self.scratch_before = set(wine_scratch_directories())
        with _typing_after_reads_begin(bool(kwargs.get("answers"))):
            return winbed.run_windows(self.dir / "setup.exe", raw_command_line=tail, env=full_env,
                                      work=self.dir.parent / (self.dir.name + "-runs"), **kwargs)

    def report(self, wait_seconds=0):
        deadline = time.time() + wait_seconds
        while not self.report_path.exists() and time.time() < deadline:
            time.sleep(0.1)
        return read_report(self.report_path) if self.report_path.exists() else None

    def new_scratch_directories(self):
        """Scratch directories that the last run left behind."""
        return sorted(set(wine_scratch_directories()) - self.scratch_before)


def wine_scratch_directories():
    # Wine takes TEMP from the prefix's user profile, not from the environment.
    drive_c = winbed.unix_path_of_c("")
    for temp in list(drive_c.glob("users/*/Temp")) + list(drive_c.glob("users/*/AppData/Local/Temp")):
        yield from temp.glob("VelInstall*")


@contextlib.contextmanager
def _typing_after_reads_begin(active):
    """Wine's console in a pseudo-terminal takes a typed line as Enter only
    once a read is waiting for it; a reply typed the instant its prompt
    appears can arrive before the read. Replies are typed a moment later."""
    if not active:
        yield
        return
    real_write = os.write

    def delayed_write(fd, data):
        time.sleep(0.5)
        return real_write(fd, data)

    os.write = delayed_write
    try:
        yield
    finally:
        os.write = real_write


def unix_of(windows_path):
    """The Unix path of a C:\\ or Z:\\ path of the test bed."""
    drive, rest = windows_path[:2].upper(), windows_path[3:]
    if drive == "C:":
        return winbed.unix_path_of_c(rest)
    assert drive == "Z:", windows_path
    return Path("/" + rest.replace("\\", "/"))

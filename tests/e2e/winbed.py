"""Runs Windows programs of the build under the test bed's Wine, the way a user
meets them: inside a pseudo-terminal (so that console text can be read), with
the message-box watcher on the display, and with the program's full 32-bit
exit code.

The environment comes from ./run test (tests/wine/testbed.sh): VEL_WINE,
WINEPREFIX, DISPLAY; CTest adds VEL_BIN (programs of the test build), VEL_DIST
(laid-out deliverables) and VEL_E2E_WORK (scratch space for fixtures).
"""

import os
import pty
import re
import select
import shutil
import signal
import subprocess
import termios
import time
import unittest
from dataclasses import dataclass, field
from pathlib import Path

BIN = Path(os.environ.get("VEL_BIN", ""))
DIST = Path(os.environ.get("VEL_DIST", ""))
WORK = Path(os.environ.get("VEL_E2E_WORK", "/tmp/vel-e2e"))
WINE = os.environ.get("VEL_WINE", "")

# Operating-system commands such as a console title, control sequences, line
# ends and lone carriage returns: the pieces a terminal acts on.
_TERMINAL = re.compile(r"\x1b\][^\x07\x1b]*(?:\x07|\x1b\\)|\x1b\[([0-9;?]*)([A-Za-z])|\r*\n|\r")


def require_testbed():
    missing = [n for n in ("VEL_WINE", "WINEPREFIX", "DISPLAY", "VEL_BIN") if not os.environ.get(n)]
    if missing:
        raise RuntimeError("run the tests through ./run test (missing %s)" % ", ".join(missing))


def win_path(path):
    """The Windows name of a Unix path (Wine's Z: drive)."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def unix_path_of_c(relative):
    """The Unix path of C:\\<relative> in the test prefix."""
    return Path(os.environ["WINEPREFIX"]) / "drive_c" / relative.replace("\\", "/")


def clean_console(raw):
    """Console text as a user reads it, line by line as the terminal shows it.

    Wine's console redraws a line it continues: a carriage return, then the
    whole line again. So a lone carriage return goes back to the line's start
    and what follows overwrites; cursor-forward moves over (or adds) blanks,
    erase-line cuts the line at the cursor; titles and other sequences are not
    text. Line ends come out as \\n."""
    text = raw.decode("utf-8", errors="replace")
    lines, line, column, at = [], [], 0, 0

    def put(chars):
        nonlocal column
        for char in chars:
            if column < len(line):
                line[column] = char
            else:
                line.extend(" " * (column - len(line)))
                line.append(char)
            column += 1

    for match in _TERMINAL.finditer(text):
        put(text[at:match.start()])
        at = match.end()
        piece = match.group(0)
        if piece.endswith("\n"):
            lines.append("".join(line))
            line, column = [], 0
        elif piece == "\r":
            column = 0
        elif match.group(2) == "C":
            count = match.group(1) or "1"
            column += int(count) if count.isdigit() else 0
            if column > len(line):
                line.extend(" " * (column - len(line)))
        elif match.group(2) == "K":
            del line[column:]
    put(text[at:])
    lines.append("".join(line))
    return "\n".join(lines)


@dataclass
class Run:
    exit_code: int
    console: str
    boxes: list = field(default_factory=list)  # (caption, text) pairs, in order
    raw: bytes = b""
    timed_out: bool = False

    @property
    def signed_exit_code(self):
        return self.exit_code - (1 << 32) if self.exit_code >= (1 << 31) else self.exit_code


def _unescape_box(text):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            out.append({"n": "\n", "r": "\r", "t": "\t", "\\": "\\"}.get(text[i + 1], text[i + 1]))
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


class _BoxWatcher:
    def __init__(self, directory):
        directory.mkdir(parents=True, exist_ok=True)
        self.record = directory / "boxes.txt"
        self.stop = directory / "boxes.stop"
        for f in (self.record, self.stop):
            if f.exists():
                f.unlink()
        self.proc = subprocess.Popen(
            [WINE, str(BIN / "boxwatch.exe"), win_path(self.record), win_path(self.stop)],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        self.proc.stdout.readline()  # "ready"

    def finish(self):
        self.stop.touch()
        try:
            self.proc.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.proc.kill()
        self.proc.stdout.close()
        boxes = []
        if self.record.exists():
            for line in self.record.read_text(encoding="utf-8", errors="replace").splitlines():
                caption, _, text = line.partition("\t")
                boxes.append((_unescape_box(caption), _unescape_box(text)))
        return boxes


def run_windows(program, args=(), cwd=None, answers=(), timeout=90, env=None, work=None, raw_command_line=None):
    """Runs a Windows program (a path of the test build or a Unix path) in a
    pseudo-terminal and returns a Run.

    args are joined with single blanks into the command line, unless
    raw_command_line gives the text after the program name exactly.
    answers: (text, reply) pairs handled in order; once the console shows the
    text (after the previous answer), reply and a carriage return are typed.
    A reply of None types the console's end of input (Ctrl-Z, Enter).
    """
    require_testbed()
    work = Path(work or WORK / "runs")
    watcher = _BoxWatcher(work)
    tail = raw_command_line if raw_command_line is not None else " ".join(args)
    command = '"%s"' % win_path(program) + ((" " + tail) if tail else "")
    master, slave = pty.openpty()
    # A typed Enter must reach Wine's console as a carriage return: with the
    # terminal's usual translation to a line feed, console reads never end.
    attrs = termios.tcgetattr(slave)
    attrs[0] &= ~(termios.ICRNL | termios.INLCR | termios.IGNCR)
    termios.tcsetattr(slave, termios.TCSANOW, attrs)
    proc_env = dict(os.environ)
    if env:
        proc_env.update(env)
    # Wine re-quotes the arguments it is given, so the exact command line
    # travels in the environment.
    proc_env["VEL_RUN_COMMAND"] = command
    # The exit code also goes to a file: on the shared console a child still
    # running can write into the middle of the runner's last line.
    exit_file = work / ("exit-code-%d-%d" % (os.getpid(), time.monotonic_ns()))
    exit_file.parent.mkdir(parents=True, exist_ok=True)
    exit_file.unlink(missing_ok=True)
    proc_env["VEL_EXIT_FILE"] = win_path(exit_file)
    proc = subprocess.Popen([WINE, str(BIN / "exitcode.exe")],
                            stdin=slave, stdout=slave, stderr=slave, cwd=cwd, env=proc_env,
                            close_fds=True, start_new_session=True)
    os.close(slave)
    raw = b""
    pending = list(answers)
    seen_from = 0
    deadline = time.time() + timeout
    timed_out = False
    while True:
        ready, _, _ = select.select([master], [], [], 0.1)
        if ready:
            try:
                chunk = os.read(master, 65536)
            except OSError:
                chunk = b""
            if not chunk:
                break
            raw += chunk
        if pending:
            text, reply = pending[0]
            console = clean_console(raw)
            at = console.find(text, seen_from)
            if at >= 0:
                seen_from = at + len(text)
                pending.pop(0)
                os.write(master, b"\x1a\r" if reply is None else reply.encode("utf-8") + b"\r")
        if proc.poll() is not None and not ready:
            break
        if time.time() > deadline:
            timed_out = True
            os.killpg(proc.pid, signal.SIGKILL)
            break
    proc.wait()
    os.close(master)
    boxes = watcher.finish()
    console = clean_console(raw)
    # A child that shares the console (java.exe left running) may still write
    # after the runner's own last line: take that line wherever it stands.
    matches = list(re.finditer(r"\nexit code (\d+)\n?", console))
    exit_code = int(matches[-1].group(1)) if matches else -1
    if exit_file.exists():
        exit_code = int(exit_file.read_text().strip())
        exit_file.unlink()
    if matches:
        console = console[:matches[-1].start()] + console[matches[-1].end():]
    return Run(exit_code=exit_code, console=console, boxes=boxes, raw=raw, timed_out=timed_out)


def fresh_dir(name):
    """An empty directory for one test's fixtures."""
    path = WORK / name
    if path.exists():
        shutil.rmtree(path)
    path.mkdir(parents=True)
    return path


class WineTestCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        require_testbed()

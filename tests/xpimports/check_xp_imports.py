#!/usr/bin/env python3
"""Fails when a deliverable imports a system function that Windows XP lacks.

usage: check_xp_imports.py OBJDUMP GCC DIST_DIR
Lists every system import of setup.exe, velnodm10.dll, velutx.dll and
velkitcheck.exe, then compiles one reference per imported name against the
Windows headers at the Windows XP level (_WIN32_WINNT and WINVER 0x0501, msvcrt.dll of XP). A name
those headers do not declare is an import the XP loader would refuse.
"""
import re
import subprocess
import sys
import tempfile
from pathlib import Path

BINARIES = ("setup.exe", "velnodm10.dll", "velutx.dll", "velkitcheck.exe")
OWN_DLLS = {"velutx.dll"}

HEADERS = """#define _WIN32_WINNT 0x0501
#define WINVER 0x0501
#define __MSVCRT_VERSION__ 0x0700
#include <windows.h>
#include <lm.h>
#include <ctype.h>
#include <direct.h>
#include <errno.h>
#include <io.h>
#include <locale.h>
#include <math.h>
#include <process.h>
#include <setjmp.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <wchar.h>
"""

# Entries of msvcrt.dll that only the mingw-w64 start-up code calls; no public
# header declares them. msvcrt.dll has exported each since Windows NT 4.0.
STARTUP_ENTRIES = {"__getmainargs", "__initenv", "__set_app_type", "_amsg_exit", "_initterm", "_lock",
                   "_unlock", "__p__commode"}

# Declared only from Windows Vista on: the check itself is wrong if it passes.
CONTROL = "GetTickCount64"


def imports(objdump, path):
    text = subprocess.run([objdump, "-p", str(path)], check=True, capture_output=True, text=True).stdout
    found = {}
    current = None
    for line in text.splitlines():
        m = re.match(r"\s+DLL Name: (\S+)", line)
        if m:
            current = m.group(1).lower()
            found.setdefault(current, set())
            continue
        m = re.match(r"\s+[0-9a-f]+\s+\d+\s+(\S+)$", line)
        if current and m:
            found[current].add(m.group(1))
        elif current and not line.strip():
            current = None
    return found


def undeclared(gcc, names):
    """The names that the XP-level headers do not declare."""
    lines = HEADERS.splitlines() + ["void references(void) {"]
    first = len(lines) + 1
    lines += ["    (void)(%s);" % name for name in names] + ["}"]
    with tempfile.TemporaryDirectory() as work:
        source = Path(work) / "references.c"
        source.write_text("\n".join(lines) + "\n")
        result = subprocess.run([gcc, "-fsyntax-only", "-w", "-fmax-errors=0", str(source)],
                                capture_output=True, text=True)
    failed = set()
    for m in re.finditer(r"references\.c:(\d+):\d+: error", result.stderr):
        index = int(m.group(1)) - first
        if 0 <= index < len(names):
            failed.add(names[index])
    if result.returncode != 0 and not failed:
        sys.exit("check_xp_imports: the reference file did not compile:\n" + result.stderr)
    return failed


def main():
    objdump, gcc, dist = sys.argv[1:4]
    per_name = {}
    for binary in BINARIES:
        for dll, names in sorted(imports(objdump, Path(dist) / binary).items()):
            if dll in OWN_DLLS:
                continue
            print("%s imports from %s: %s" % (binary, dll, " ".join(sorted(names))))
            for name in names:
                per_name.setdefault(name, set()).add("%s (%s)" % (binary, dll))
    if not per_name:
        sys.exit("check_xp_imports: no imports found in " + dist)
    names = sorted((set(per_name) - STARTUP_ENTRIES) | {CONTROL})
    failed = undeclared(gcc, names)
    if CONTROL not in failed:
        sys.exit("check_xp_imports: the headers declare %s, so they are not at the XP level" % CONTROL)
    if CONTROL not in per_name:
        failed.discard(CONTROL)
    for name in sorted(failed):
        print("not in Windows XP: %s, imported by %s" % (name, ", ".join(sorted(per_name[name]))))
    if failed:
        sys.exit(1)
    print("all %d system imports are declared at the Windows XP level" % len(per_name))


if __name__ == "__main__":
    main()

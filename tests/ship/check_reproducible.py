#!/usr/bin/env python3
"""Builds the 32-bit deliverables a second time, in another directory and
without a compiler cache, and compares the sha256 of every shipped file and
symbol file with those of the first build.

usage: check_reproducible.py SOURCE_DIR OBJDUMP DIST_DIR SYMBOLS_DIR WORK_DIR
Also checks what makes the bytes the same: every binary carries the time
stamp of SOURCE_DATE_EPOCH or of the last commit, and the debug link of every
stripped binary names its symbol file with that file's checksum. Prints the
sha256 list and the stripped sizes.
"""
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import zlib
from pathlib import Path

BINARIES = ("setup.exe", "velnodm10.dll", "velutx.dll", "velkitcheck.exe")
# Set in the environment of the first build, they would give the second one its cache.
CACHE_VARIABLES = ("CMAKE_C_COMPILER_LAUNCHER", "CMAKE_CXX_COMPILER_LAUNCHER")


def shipped_files(dist, symbols):
    """{name relative to the build: path} of every deliverable and symbol file."""
    files = {"dist/" + name: dist / name for name in BINARIES}
    files.update({"dist/resource/" + p.name: p for p in sorted((dist / "resource").glob("*.nls"))})
    files.update({"symbols/%s.debug" % name: symbols / ("%s.debug" % name) for name in BINARIES})
    return files


def sha256(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()


def pe_time_stamp(path):
    data = path.read_bytes()
    header = struct.unpack_from("<I", data, 0x3C)[0]
    return struct.unpack_from("<I", data, header + 8)[0]


def debug_link(objdump, path):
    """(file name, CRC-32) of the .gnu_debuglink section."""
    text = subprocess.run([objdump, "-s", "-j", ".gnu_debuglink", str(path)],
                          check=True, capture_output=True, text=True).stdout
    data = b"".join(bytes.fromhex("".join(m.group(1).split()))
                    for m in re.finditer(r"^ [0-9a-f]+ ((?:[0-9a-f]{2,8} ?)+)", text, re.M))
    name = data.split(b"\0", 1)[0]
    crc_at = (len(name) + 1 + 3) & ~3
    return name.decode(), struct.unpack_from("<I", data, crc_at)[0]


def expected_time_stamp(source):
    """As cmake/ship.cmake takes it: 0 where there is no commit to ask."""
    if "SOURCE_DATE_EPOCH" in os.environ:
        return int(os.environ["SOURCE_DATE_EPOCH"])
    commit_time = subprocess.run(["git", "-C", str(source), "log", "-1", "--format=%ct"],
                                 capture_output=True, text=True).stdout.strip()
    return int(commit_time) if commit_time.isdigit() else 0


def build_again(source, work):
    # A path of another length than the first build's, two levels deeper.
    tree = work / "second-build" / "elsewhere"
    shutil.rmtree(work, ignore_errors=True)
    env = {k: v for k, v in os.environ.items() if k not in CACHE_VARIABLES and not k.startswith("CCACHE")}
    subprocess.run(["cmake", "-S", str(source), "-B", str(tree / "win"), "-G", "Ninja",
                    "-DCMAKE_TOOLCHAIN_FILE=%s" % (source / "cmake" / "mingw-i686.cmake"),
                    "-DCMAKE_BUILD_TYPE=Release", "-DVEL_DIST_DIR=%s" % (tree / "dist")],
                   check=True, env=env, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(tree / "win"), "--target", "vel_dist", "vel_catalogues",
                    "--", "-j%d" % (os.cpu_count() or 1)], check=True, env=env, stdout=subprocess.DEVNULL)
    return tree / "dist", tree / "symbols"


def main():
    source, objdump = Path(sys.argv[1]), sys.argv[2]
    dist, symbols, work = map(Path, sys.argv[3:6])
    first = shipped_files(dist, symbols)
    second = shipped_files(*build_again(source, work))
    faults = []
    if set(first) != set(second):
        faults.append("the builds ship different files: %s" % sorted(set(first) ^ set(second)))
    for name in sorted(set(first) & set(second)):
        a, b = sha256(first[name]), sha256(second[name])
        print("%s  %s" % (a, name))
        if a != b:
            faults.append("%s differs: %s in the second build" % (name, b))

    stamp = expected_time_stamp(source)
    for name in BINARIES:
        for path in (dist / name, symbols / ("%s.debug" % name)):
            if pe_time_stamp(path) != stamp:
                faults.append("%s: time stamp %d, not %d" % (path.name, pe_time_stamp(path), stamp))
        link = debug_link(objdump, dist / name)
        symbol_file = symbols / ("%s.debug" % name)
        if link != (symbol_file.name, zlib.crc32(symbol_file.read_bytes())):
            faults.append("%s: debug link %s does not match %s" % (name, link, symbol_file.name))
        print("%-16s %8d bytes stripped" % (name, (dist / name).stat().st_size))

    for fault in faults:
        print("not reproducible: " + fault)
    if faults:
        sys.exit(1)
    print("both builds give the same %d files" % len(first))


if __name__ == "__main__":
    main()

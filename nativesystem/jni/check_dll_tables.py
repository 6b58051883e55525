#!/usr/bin/env python3
"""Checks the export and import tables of velnodm10.dll and velutx.dll.

usage: check_dll_tables.py OBJDUMP DIST_DIR PROTOTYPES_HEADER EXPORTS_TXT VELUTX_EXPORTS_TXT BITS
velnodm10 must export each native method of the generated prototypes under its
JNI name (stdcall-decorated on 32-bit) and again with a leading underscore, and
nothing else; it must import the utility functions that VELUTX_EXPORTS_TXT
lists from velutx.dll, which exports exactly those.
"""
import os
import re
import subprocess
import sys

PREFIX = "Java_velmor_ops_mgmt_nativesystem_WindowsNative_"


def tables(objdump, path):
    text = subprocess.run([objdump, "-p", path], check=True, capture_output=True, text=True).stdout
    exports = set()
    section = text.split("[Ordinal/Name Pointer] Table", 1)
    if len(section) == 2:
        for line in section[1].splitlines()[1:]:
            m = re.match(r"\s+\[\s*\d+\]\s+(\S+)", line)
            if not m:
                break
            exports.add(m.group(1))
    imports = {}
    current = None
    for line in text.splitlines():
        m = re.match(r"\s+DLL Name: (\S+)", line)
        if m:
            current = m.group(1).lower()
            imports[current] = set()
            continue
        m = re.match(r"\s+[0-9a-f]+\s+\d+\s+(\S+)$", line)
        if current and m:
            imports[current].add(m.group(1))
        elif current and not line.strip():
            current = None
    return exports, imports


def expected_exports(header, bits):
    text = open(header).read()
    names = set()
    methods = {}
    for m in re.finditer(r"JNICALL (Java_\w+)\s*\n\s*\(([^)]*)\)", text):
        name, params = m.group(1), m.group(2)
        stack = 4 * len([p for p in params.split(",") if p.strip()])
        methods[name[len(PREFIX):]] = stack
        full = name + ("@%d" % stack if bits == 32 else "")
        names |= {full, "_" + full}
    return names, methods


def listed_exports(path):
    """name -> bytes of arguments, from the lines "name bytes" of an exports list."""
    listed = {}
    for line in open(path):
        if line.strip():
            name, stack = line.split()
            listed[name] = int(stack)
    return listed


def main():
    objdump, dist, header, exports_txt, velutx_exports_txt, bits = sys.argv[1:7]
    bits = int(bits)
    failures = []
    want, methods = expected_exports(header, bits)
    listed = listed_exports(exports_txt)
    utility = set(listed_exports(velutx_exports_txt))
    if listed != methods:
        failures.append("exports.txt differs from the prototypes: %s" % sorted(set(listed.items()) ^ set(methods.items())))

    exports, imports = tables(objdump, os.path.join(dist, "velnodm10.dll"))
    if exports != want:
        failures.append("velnodm10.dll missing exports: %s" % sorted(want - exports))
        failures.append("velnodm10.dll unexpected exports: %s" % sorted(exports - want))
    if imports.get("velutx.dll") != utility:
        failures.append("velnodm10.dll imports from velutx.dll: %s" % sorted(imports.get("velutx.dll", [])))

    util_exports, _ = tables(objdump, os.path.join(dist, "velutx.dll"))
    if util_exports != utility:
        failures.append("velutx.dll exports: %s" % sorted(util_exports))

    for f in failures:
        print(f)
    print("%d exports, %d imported from velutx.dll: %s" % (len(exports), len(imports.get("velutx.dll", [])),
                                                           "FAILED" if failures else "ok"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Compiles every complete Java class of the README (a ```java block that
declares a public class) against the jar, warnings counting as errors, so the
README cannot drift from the library's Java surface.

usage: check_readme_example.py JAVAC JAR README WORK_DIR
"""
import re
import shutil
import subprocess
import sys
from pathlib import Path


def main() -> int:
    javac, jar, readme, work = sys.argv[1:5]
    blocks = re.findall(r"^```java\n(.*?)^```", Path(readme).read_text(encoding="utf-8"), re.M | re.S)
    classes = [b for b in blocks if re.search(r"^public class (\w+)", b, re.M)]
    if not classes:
        print(f"{readme}: no complete Java example found")
        return 1
    work_dir = Path(work)
    shutil.rmtree(work_dir, ignore_errors=True)
    sources = []
    for block in classes:
        name = re.search(r"^public class (\w+)", block, re.M).group(1)
        source = work_dir / "src" / f"{name}.java"
        source.parent.mkdir(parents=True, exist_ok=True)
        source.write_text(block, encoding="utf-8")
        sources.append(str(source))
    result = subprocess.run([javac, "-Xlint:all", "-Werror", "-cp", jar, "-d", str(work_dir / "classes"), *sources])
    if result.returncode == 0:
        print(f"{len(sources)} README example(s) compile against {jar}")
    return result.returncode


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""velnodm10.dll must not load without velutx.dll, and must load with it.

usage: check_velutx_required.py WINE_RUN BIN_DIR
Copies the load probe and velnodm10.dll into an empty directory and loads the
library there under Wine, first alone, then with velutx.dll beside it.
"""
import os
import shutil
import subprocess
import sys
import tempfile

ERROR_MOD_NOT_FOUND = 126


def load(wine_run, directory):
    run = subprocess.run([wine_run, "dll_load_probe.exe", "velnodm10.dll"], cwd=directory,
                         stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=120)
    return run.returncode, run.stdout.strip()


def main():
    wine_run, bin_dir = sys.argv[1:3]
    with tempfile.TemporaryDirectory() as directory:
        for name in ("dll_load_probe.exe", "velnodm10.dll"):
            shutil.copy(os.path.join(bin_dir, name), directory)
        alone = load(wine_run, directory)
        shutil.copy(os.path.join(bin_dir, "velutx.dll"), directory)
        together = load(wine_run, directory)
    print("without velutx.dll:", alone, "with it:", together)
    return 0 if alone[0] == ERROR_MOD_NOT_FOUND and together[0] == 0 else 1


if __name__ == "__main__":
    sys.exit(main())

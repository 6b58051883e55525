"""A silent launch of the sample kit under the test bed's Wine.

Lays out the sample kit (kit/sample) with the built setup.exe, its message
catalogues and the Java runtime stand-ins, runs `setup.exe -silent` in a
pseudo-terminal, shows the console as the user sees it, then what the
installer stand-in received and its exit code as setup's own.

    VEL_BIN=<bin of the test build> python3 kit/demo.py [--exit-code N] [setup options...]
    VEL_BIN=<bin of the test build> python3 kit/demo.py --lay-out DIR   (only lay the kit out in DIR)
"""

import argparse
import shutil
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

import winbed  # noqa: E402
from kitfixture import read_report  # noqa: E402


def lay_out_kit(directory):
    if directory.exists():
        shutil.rmtree(directory)
    shutil.copytree(ROOT / "kit" / "sample", directory)
    shutil.copy2(winbed.BIN / "setup.exe", directory / "setup.exe")
    shutil.copytree(winbed.BIN / "resource", directory / "resource")
    jre_bin = directory / "jre" / "bin"
    jre_bin.mkdir(parents=True)
    for program in ("java.exe", "javaw.exe"):
        shutil.copy2(winbed.BIN / program, jre_bin / program)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--lay-out", metavar="DIR", help="only lay the sample kit out in DIR")
    parser.add_argument("--exit-code", type=int, default=0, help="exit code of the installer stand-in")
    parser.add_argument("options", nargs="*", default=["-silent"], help="setup's command line (default -silent)")
    args = parser.parse_args()
    if args.lay_out:
        lay_out_kit(Path(args.lay_out).resolve())
        return 0

    work = winbed.BIN.parent / "demo"
    kit = work / "sample-kit"
    lay_out_kit(kit)
    report_path = work / "installer-report.txt"
    if report_path.exists():
        report_path.unlink()

    tail = " ".join(args.options)
    print("Kit: %s" % winbed.win_path(kit))
    print("Running: setup.exe %s\n" % tail)
    print("----- console " + "-" * 56)
    run = winbed.run_windows(kit / "setup.exe", raw_command_line=tail, work=work / "runs",
                             env={"VEL_STUB_REPORT": winbed.win_path(report_path),
                                  "VEL_STUB_EXIT": str(args.exit_code)})
    print(run.console.rstrip("\n"))
    for caption, text in run.boxes:
        print("[message box] %s: %s" % (caption, text))
    print("-" * 70)

    if report_path.exists():
        report = read_report(report_path)
        print("\nThe installer stand-in (%s) received this command line:\n" % report.program)
        print(report.command_line)
        print("\nSystem properties:")
        for name, value in report.properties.items():
            print("  %s = %s" % (name, value))
        for option in report.options:
            print("Runtime option: %s" % option)
        print("Classpath:")
        for entry in report.classpath:
            print("  %s" % entry)
        print("Main class: %s" % report.main_class)
        print("Installer arguments: %s" % " | ".join(report.arguments))
    else:
        print("\nThe installer was not started.")

    print("\nsetup.exe exit code: %d (as a signed value: %d)" % (run.exit_code, run.signed_exit_code))
    return 0 if report_path.exists() and run.exit_code == args.exit_code else 1


if __name__ == "__main__":
    sys.exit(main())

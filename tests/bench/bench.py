"""Benchmarks of the launcher and the native library, each side by side with
its reference in one run, each figure the median of repeated runs:

  launcher   setup.exe -silent on the sample kit against barelaunch.exe
             starting the same Java stand-in command line (both timed from
             inside Windows by launchtime.exe); goal: at most 25 ms more.
  staging    kit::copy_tree / kit::remove_tree against bare CopyFileA and
             DeleteFileA/RemoveDirectoryA loops (stagebench.exe) over a
             generated tree, with cp -r / rm -r on the host as the physical
             limit; goal: at least 0.95 of the bare loop's throughput.
  native     RegKeyExists and getFreeSpace through the JNI host against the
             same Windows calls made directly (nativebench.exe); goal: at
             least 0.8 of the direct rate.

Prints one line per figure (name, ours, reference, ratio, goal) and writes
them to <build>/bench-results.txt. Run through ./run bench.
Environment: BENCH_RUNS (repetitions, default 7), BENCH_TREE_MB (default 200),
BENCH_ONLY (comma-separated subset of launcher,staging,native).
"""

import os
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
sys.path.insert(0, str(ROOT / "kit"))

import winbed  # noqa: E402
from demo import lay_out_kit  # noqa: E402
from kitfixture import read_report  # noqa: E402

RUNS = int(os.environ.get("BENCH_RUNS", "7"))
TREE_MB = int(os.environ.get("BENCH_TREE_MB", "200"))
TREE_DIRS = 400
TREE_FILES = 4000
NATIVE_CALLS = 2000
ONLY = set(filter(None, os.environ.get("BENCH_ONLY", "").split(",")))

WORK = winbed.BIN.parent / "bench"
RESULTS = Path(os.environ.get("VEL_BUILD", str(winbed.BIN.parent.parent))) / "bench-results.txt"


class Figure:
    """ours and reference are medians; the ratio is the median of the ratios of
    the runs, each taken side by side, which the machine's load disturbs less."""

    def __init__(self, name, ours, reference, unit, goal, met, note="", ratio=None):
        self.name, self.ours, self.reference, self.unit = name, ours, reference, unit
        self.goal, self.met, self.note = goal, met, note
        self._ratio = ratio

    @property
    def ratio(self):
        if self._ratio is not None:
            return self._ratio
        return self.ours / self.reference if self.reference else float("nan")

    def line(self):
        verdict = "met" if self.met else "NOT MET"
        text = "%-22s ours %12.2f %-6s reference %12.2f %-6s ratio %6.3f  goal %s: %s" % (
            self.name, self.ours, self.unit, self.reference, self.unit, self.ratio, self.goal, verdict)
        return text + ("  (%s)" % self.note if self.note else "")


def run_in_windows(program, args, env=None, timeout=1800):
    run = winbed.run_windows(winbed.BIN / program, args=args, env=env, timeout=timeout, work=WORK / "runs")
    if run.timed_out or run.exit_code != 0:
        raise RuntimeError("%s %s: exit code %d%s\n%s" % (
            program, " ".join(args), run.signed_exit_code, " (timed out)" if run.timed_out else "", run.console))
    return run


def read_lines(path):
    values = {}
    for line in Path(path).read_text().splitlines():
        name, _, rest = line.partition(" ")
        values.setdefault(name, []).append(rest)
    return values


def bench_launcher():
    kit = WORK / "sample-kit"
    lay_out_kit(kit)
    report = WORK / "launcher-report.txt"
    env = {"VEL_STUB_REPORT": winbed.win_path(report), "VEL_STUB_EXIT": "0"}

    # One run of setup tells the command line it gives the Java runtime.
    if report.exists():
        report.unlink()
    first = winbed.run_windows(kit / "setup.exe", raw_command_line="-silent", env=env, work=WORK / "runs")
    if first.exit_code != 0 or not report.exists():
        raise RuntimeError("setup.exe -silent on the sample kit: exit code %d\n%s" % (
            first.signed_exit_code, first.console))
    java_command = read_report(report).command_line

    results = WORK / "launcher-times.txt"
    env.update({
        "VEL_BENCH_A": '"%s" -silent' % winbed.win_path(kit / "setup.exe"),
        "VEL_BENCH_B": '"%s"' % winbed.win_path(winbed.BIN / "barelaunch.exe"),
        "VEL_BARE_COMMAND": java_command,
        "VEL_BENCH_DIR": winbed.win_path(kit),
    })
    run_in_windows("launchtime.exe", [str(RUNS), winbed.win_path(results)], env=env)
    lines = read_lines(results)
    runs = {}
    for side in ("a", "b"):
        entries = [rest.split() for rest in lines.get(side, [])]
        failed = [e for e in entries if e[1] != "0" or float(e[0]) < 0]
        if failed or not entries:
            raise RuntimeError("launcher runs failed (%s): %s" % (side, failed or "none ran"))
        runs[side] = [float(e[0]) for e in entries]
    overhead = statistics.median(a - b for a, b in zip(runs["a"], runs["b"]))
    note = "setup's own cost %.1f ms (median of paired differences); bare launch from %.0f to %.0f ms" % (
        overhead, min(runs["b"]), max(runs["b"]))
    return [Figure("launcher_overhead_ms", statistics.median(runs["a"]), statistics.median(runs["b"]), "ms",
                   "<= +25 ms", overhead <= 25, note,
                   ratio=statistics.median(a / b for a, b in zip(runs["a"], runs["b"])))]


def make_tree(root):
    """TREE_FILES files of about TREE_MB in TREE_DIRS directories, two levels deep."""
    stamp = root / (".complete-%d-%d-%d" % (TREE_MB, TREE_DIRS, TREE_FILES))
    if stamp.exists():
        return
    shutil.rmtree(root, ignore_errors=True)
    root.mkdir(parents=True)
    total = TREE_MB * 1024 * 1024
    # Sizes from 1 KB up, a few large ones, as in a real kit.
    weights = [1 + (i * 7919) % 97 for i in range(TREE_FILES)]
    for i in range(0, TREE_FILES, 200):
        weights[i] *= 40
    scale = total / sum(weights)
    block = os.urandom(1024 * 1024)
    directories = []
    for d in range(TREE_DIRS):
        parent = root / ("group%02d" % (d // 20)) if d % 20 else root
        path = parent / ("dir%03d" % d)
        path.mkdir(parents=True, exist_ok=True)
        directories.append(path)
    for i, weight in enumerate(weights):
        size = max(1024, int(weight * scale))
        with open(directories[i % TREE_DIRS] / ("file%04d.jar" % i), "wb") as f:
            while size > 0:
                f.write(block[:min(size, len(block))])
                size -= len(block)
    stamp.touch()


def host_copy_rates(source, target):
    copies, removals = [], []
    for _ in range(RUNS):
        shutil.rmtree(target, ignore_errors=True)
        start = time.perf_counter()
        subprocess.run(["cp", "-r", str(source), str(target)], check=True)
        copies.append((time.perf_counter() - start) * 1000)
        start = time.perf_counter()
        subprocess.run(["rm", "-r", str(target)], check=True)
        removals.append((time.perf_counter() - start) * 1000)
    return statistics.median(copies), statistics.median(removals)


def bench_staging():
    source = WORK / "tree"
    make_tree(source)
    target = WORK / "staging"
    shutil.rmtree(target, ignore_errors=True)
    target.mkdir(parents=True)
    results = WORK / "staging-times.txt"
    run_in_windows("stagebench.exe", [winbed.win_path(source), winbed.win_path(target), str(RUNS),
                                      winbed.win_path(results)])
    lines = read_lines(results)
    if "error" in lines:
        raise RuntimeError("stagebench: %s" % lines["error"])
    megabytes = int(lines["bytes"][0]) / (1024 * 1024)
    median = {name: statistics.median(float(v) for v in lines[name])
              for name in ("copy_tree", "copy_bare", "remove_tree", "remove_bare", "list")}
    host_copy, host_remove = host_copy_rates(source, WORK / "host-copy")
    shape = "%s files, %s directories, %.0f MB; host cp -r %.0f MB/s, rm -r %.0f files/s" % (
        lines["files"][0], lines["directories"][0], megabytes, megabytes / (host_copy / 1000),
        int(lines["files"][0]) / (host_remove / 1000))
    copy_ours = megabytes / (median["copy_tree"] / 1000)
    copy_bare = megabytes / (median["copy_bare"] / 1000)
    files = int(lines["files"][0])
    remove_ours = files / (median["remove_tree"] / 1000)
    remove_bare = files / (median["remove_bare"] / 1000)
    # Throughput ratios of the runs: reference time over our time, run by run.
    paired = {name: [float(v) for v in lines[name]] for name in median}
    copy_ratio = statistics.median(b / o for o, b in zip(paired["copy_tree"], paired["copy_bare"]))
    remove_ratio = statistics.median(b / o for o, b in zip(paired["remove_tree"], paired["remove_bare"]))
    shutil.rmtree(target, ignore_errors=True)
    return [
        Figure("copy_tree_MBps", copy_ours, copy_bare, "MB/s", ">= 0.95", copy_ratio >= 0.95, shape, copy_ratio),
        Figure("remove_tree_filesps", remove_ours, remove_bare, "f/s", ">= 0.95", remove_ratio >= 0.95,
               "listing the tree takes %.0f ms of it, which the bare loop is spared" % median["list"], remove_ratio),
    ]


def bench_native():
    results = WORK / "native-rates.txt"
    run_in_windows("nativebench.exe", [str(NATIVE_CALLS), str(RUNS), winbed.win_path(results),
                                       winbed.win_path(WORK)])
    lines = read_lines(results)
    figures = []
    for name, label in (("regkeyexists", "RegKeyExists_callsps"), ("getfreespace", "getFreeSpace_callsps")):
        if name + "_jni" not in lines:
            missing = ", ".join(lines.get("missing", [])) or name
            print("%-22s not measured: export missing from velnodm10 (%s)" % (label, missing))
            continue
        ours_runs = [float(v) for v in lines[name + "_jni"]]
        reference_runs = [float(v) for v in lines[name + "_direct"]]
        ratio = statistics.median(o / r for o, r in zip(ours_runs, reference_runs))
        figures.append(Figure(label, statistics.median(ours_runs), statistics.median(reference_runs), "1/s",
                              ">= 0.8", ratio >= 0.8, ratio=ratio))
    return figures


def main():
    winbed.require_testbed()
    WORK.mkdir(parents=True, exist_ok=True)
    figures = []
    for name, bench in (("launcher", bench_launcher), ("staging", bench_staging), ("native", bench_native)):
        if ONLY and name not in ONLY:
            continue
        try:
            for figure in bench():
                print(figure.line(), flush=True)
                figures.append(figure)
        except RuntimeError as error:
            print("%s: FAILED: %s" % (name, error), flush=True)
            figures.append(None)
    measured = [f for f in figures if f]
    RESULTS.parent.mkdir(parents=True, exist_ok=True)
    RESULTS.write_text("".join(f.line() + "\n" for f in measured))
    print("bench: %d figures (median of %d runs) written to %s" % (len(measured), RUNS, RESULTS))
    return 1 if None in figures else 0


if __name__ == "__main__":
    sys.exit(main())

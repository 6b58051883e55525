"""Benchmarks of the launcher and the native library, each side by side with
its reference in one run, each figure the median of repeated runs:

  launcher   setup.exe -silent on the sample kit against barelaunch.exe, a
             GUI-subsystem launcher with the same system imports and console
             that starts the same Java stand-in command line and waits (both
             timed from inside Windows by launchtime.exe); setup's own cost is
             the median of the paired differences; goal: at most 10 ms. Then
             the split by phase from setup_phases.exe, setup built with its
             main flow's phases timed.
  staging    kit::copy_tree / kit::remove_tree against bare CopyFileA and
             DeleteFileA/RemoveDirectoryA loops (stagebench.exe) over a
             generated tree, already listed, with cp -r / rm -r on the host as
             the physical limit; goal: at least 0.95 of the bare loop's
             throughput. The removal is also set against a bare walk that
             lists the tree as it removes it.
  native     RegKeyExists and getFreeSpace through the JNI host against the
             same Windows calls made directly (nativebench.exe); goal: at
             least 0.8 of the direct rate.

Prints one line per figure (name, ours, reference, ratio, goal) and writes
them to <build>/bench-results.txt. Run through ./run bench.
Environment: BENCH_RUNS (repetitions, default 7), BENCH_LAUNCH_RUNS (launch
pairs per batch, default 31, at least 21; batches are added until the median
is known to +-3 ms, five at most), BENCH_TREE_MB (default 200),
BENCH_STAGING_DIR (where the staging tree is copied, default beside the source
tree), BENCH_ONLY (comma-separated subset of launcher,staging,native).
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
# Launches are short and the machine is shared: many pairs for a figure
# stable to a few milliseconds.
LAUNCH_RUNS = max(21, int(os.environ.get("BENCH_LAUNCH_RUNS", "31")))
LAUNCH_PRECISION_MS = 3
LAUNCH_MAX_RUNS = 5 * LAUNCH_RUNS
PHASE_RUNS = 11
TREE_MB = int(os.environ.get("BENCH_TREE_MB", "200"))
TREE_DIRS = 400
TREE_FILES = 4000
NATIVE_CALLS = 2000
ONLY = set(filter(None, os.environ.get("BENCH_ONLY", "").split(",")))

WORK = winbed.BIN.parent / "bench"
# Where the tree is copied and removed: the build's disk unless told otherwise
# (a RAM-backed directory takes the disk's write-back out of the figures).
STAGING_DIR = Path(os.environ.get("BENCH_STAGING_DIR", str(WORK / "staging")))
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


def quartiles(values):
    q = statistics.quantiles(values, n=4)
    return q[0], q[2]


def median_interval(values):
    """About 95 % confidence bounds of the median, from the order statistics."""
    ordered = sorted(values)
    k = max(0, int((len(ordered) - 1.96 * len(ordered) ** 0.5) / 2))
    return ordered[k], ordered[len(ordered) - 1 - k]


def imported_dlls(program):
    """The DLLs a program imports, or None when no objdump is at hand."""
    for objdump in ("i686-w64-mingw32-objdump", "x86_64-w64-mingw32-objdump", "objdump"):
        if shutil.which(objdump):
            out = subprocess.run([objdump, "-p", str(program)], capture_output=True, text=True).stdout
            return sorted(line.split(":", 1)[1].strip().lower() for line in out.splitlines() if "DLL Name:" in line)
    return None


def launch_pairs(env, a, b, runs, results):
    """Alternating runs of the command lines a and b, a warm-up pair left out:
    (a times, b times) in ms."""
    env = dict(env, VEL_BENCH_A=a, VEL_BENCH_B=b)
    run_in_windows("launchtime.exe", [str(runs + 1), winbed.win_path(results)], env=env)
    lines = read_lines(results)
    times = {}
    for side in ("a", "b"):
        entries = [rest.split() for rest in lines.get(side, [])]
        failed = [e for e in entries if e[1] != "0" or float(e[0]) < 0]
        if failed or not entries:
            raise RuntimeError("launcher runs failed (%s): %s" % (side, failed or "none ran"))
        times[side] = [float(e[0]) for e in entries][1:]
    return times["a"], times["b"]


def bench_launcher():
    kit = WORK / "sample-kit"
    lay_out_kit(kit)
    shutil.copy2(winbed.BIN / "setup_phases.exe", kit / "setup_phases.exe")
    report = WORK / "launcher-report.txt"
    env = {"VEL_STUB_REPORT": winbed.win_path(report), "VEL_STUB_EXIT": "0"}

    # The reference must pay what setup pays before doing any work.
    setup_dlls, bare_dlls = imported_dlls(kit / "setup.exe"), imported_dlls(winbed.BIN / "barelaunch.exe")
    if setup_dlls != bare_dlls:
        raise RuntimeError("barelaunch imports %s, setup %s" % (bare_dlls, setup_dlls))

    # One run of setup tells the command line it gives the Java runtime.
    if report.exists():
        report.unlink()
    first = winbed.run_windows(kit / "setup.exe", raw_command_line="-silent", env=env, work=WORK / "runs")
    if first.exit_code != 0 or not report.exists():
        raise RuntimeError("setup.exe -silent on the sample kit: exit code %d\n%s" % (
            first.signed_exit_code, first.console))
    env.update({"VEL_BARE_COMMAND": read_report(report).command_line, "VEL_BENCH_DIR": winbed.win_path(kit)})
    setup = '"%s" -silent' % winbed.win_path(kit / "setup.exe")

    # Batches of pairs until the median is known to within a few milliseconds,
    # or enough runs show that the load of the machine does not allow it.
    ours, bare = [], []
    while True:
        a, b = launch_pairs(env, setup, '"%s"' % winbed.win_path(winbed.BIN / "barelaunch.exe"),
                            LAUNCH_RUNS, WORK / "launcher-times.txt")
        ours += a
        bare += b
        differences = [a - b for a, b in zip(ours, bare)]
        low, high = median_interval(differences)
        if high - low <= 2 * LAUNCH_PRECISION_MS or len(differences) >= LAUNCH_MAX_RUNS:
            break
    cost = statistics.median(differences)
    first, third = quartiles(differences)

    # Where setup's time goes, from the build with its phases timed.
    phase_file = WORK / "launcher-phases.txt"
    if phase_file.exists():
        phase_file.unlink()
    timed, plain = launch_pairs(dict(env, VEL_PHASE_FILE=winbed.win_path(phase_file)),
                                '"%s" -silent' % winbed.win_path(kit / "setup_phases.exe"), setup,
                                PHASE_RUNS, WORK / "launcher-phase-times.txt")
    runs = [dict((name, float(ms)) for name, _, ms in (item.partition("=") for item in line.split(";") if item))
            for line in phase_file.read_text().splitlines()[1:]]
    names = list(runs[0]) if runs else []
    split = [(name, statistics.median(r.get(name, 0.0) for r in runs)) for name in names]
    in_flow = statistics.median(sum(r.values()) for r in runs) if runs else 0.0
    own = sum(ms for name, ms in split if name not in ("installer run", "console", "process start"))
    print("launcher split (ms, median of %d runs of setup with its phases timed):" % len(runs))
    print("  " + ", ".join("%s %.1f" % (name, ms) for name, ms in split))
    print("  main flow %.1f, of it setup's own work %.1f (without console, process start and installer run,"
          " which the bare launcher does too); process start-up and exit outside the flow %.1f;"
          " timing build minus setup %+.1f" % (in_flow, own, statistics.median(timed) - in_flow,
                                              statistics.median(a - b for a, b in zip(timed, plain))))
    note = ("setup's own cost %.1f ms: median of %d paired differences with a GUI launcher of the same imports"
            " and console, 95%% interval of the median %.1f to %.1f, quartiles %.1f to %.1f; bare launch %.0f"
            " to %.0f ms" % (cost, len(differences), low, high, first, third, min(bare), max(bare)))
    return [Figure("launcher_own_cost_ms", statistics.median(ours), statistics.median(bare), "ms",
                   "<= +10 ms", cost <= 10, note, ratio=statistics.median(a / b for a, b in zip(ours, bare)))]


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
    target = STAGING_DIR
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
              for name in ("copy_tree", "copy_bare", "remove_tree", "remove_bare", "remove_walk", "list")}
    host_copy, host_remove = host_copy_rates(source, WORK / "host-copy")
    shape = "%s files, %s directories, %.0f MB copied to %s; host cp -r %.0f MB/s, rm -r %.0f files/s" % (
        lines["files"][0], lines["directories"][0], megabytes, target, megabytes / (host_copy / 1000),
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
    walk_ratio = statistics.median(b / o for o, b in zip(paired["remove_tree"], paired["remove_walk"]))
    # The most a walk can reach against loops spared the listing: theirs plus the listing's time.
    copy_floor = statistics.median(b / (b + l) for b, l in zip(paired["copy_bare"], paired["list"]))
    remove_floor = statistics.median(b / (b + l) for b, l in zip(paired["remove_bare"], paired["list"]))
    walk_rate = files / (median["remove_walk"] / 1000)
    shutil.rmtree(target, ignore_errors=True)
    return [
        Figure("copy_tree_MBps", copy_ours, copy_bare, "MB/s", ">= 0.95", copy_ratio >= 0.95,
               shape + "; bare loop plus the listing: ratio %.3f" % copy_floor, copy_ratio),
        Figure("remove_tree_filesps", remove_ours, remove_bare, "f/s", ">= 0.95", remove_ratio >= 0.95,
               "listing the tree takes %.0f ms of %.0f, which the bare loop is spared; bare loop plus the"
               " listing: ratio %.3f" % (median["list"], median["remove_tree"], remove_floor), remove_ratio),
        Figure("remove_tree_vs_walk", remove_ours, walk_rate, "f/s", ">= 0.95", walk_ratio >= 0.95,
               "against a bare one-pass walk that lists the tree as it removes it", walk_ratio),
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

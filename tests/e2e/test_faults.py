"""setup.exe under faults from outside: an unusable temporary directory,
garbage where the catalogue or the
parameter file should be, an over-long command line, long paths, a large kit
tree, and a Java runtime that crashes or ends at once. Each run must end with
a clear message and the right exit code, without a crash or a hang, and leave
nothing behind that the run removes."""

import random
import shutil
import subprocess
import unittest
from pathlib import Path

import winbed
from kitfixture import Kit

# Setup's Enter prompts read standard input, which the pseudo-terminal does
# not reach in a program of the GUI subsystem: the runs take Enters from a file.
ENTER_TEXT = "Press Enter to exit."
# A kit that runs in place, with the Java runtime stand-ins in jre\bin.
PLAIN = {"JRE_LOCATION": "jre", "BOOTSTRAP": "F"}
# Exit codes of a process that died of an exception.
CRASH_CODES = range(0xC0000000, 0xD0000000)
WINE_CRASH_TEXTS = ("Unhandled exception", "Unhandled page fault", "wine: ", "Backtrace:")


def bootstrap_settings(kit, **extra):
    """A copy-mode bootstrap kit: runtime, installer and core copied into the scratch directory."""
    ksi = kit.dir / "ksi"
    core = kit.dir / "core"
    for directory, archive in ((ksi, "installer.jar"), (core, "core.jar")):
        (directory / "jlib").mkdir(parents=True, exist_ok=True)
        (directory / "jlib" / archive).write_bytes(b"PK\x05\x06" + b"\0" * 18)
    settings = {
        "JRE_LOCATION": winbed.win_path(kit.dir / "jre"),
        "KSI_LOCATION": winbed.win_path(ksi),
        "KSI_CORE_LOCATION": winbed.win_path(core),
        "BOOTSTRAP": "T",
        "BOOTSTRAP_SIZE": "1",
        "INSTALL_CLASS": "velmor.setmgr.kta.ktac.KtacInstaller",
    }
    settings.update(extra)
    return settings


def run_kit(kit, tail="", temp=None, exit_code=0, sleep_ms=None, **kwargs):
    """Kit.run with the temporary directory set inside Windows: Wine gives the
    programs it starts TEMP and TMP from its registry, whatever Linux says."""
    temp = winbed.win_path(kit.temp) if temp is None else temp
    if kit.report_path.exists():
        kit.report_path.unlink()
    env = {"VEL_STUB_REPORT": winbed.win_path(kit.report_path), "VEL_STUB_EXIT": str(exit_code),
           "VEL_SET_TEMP": temp, "VEL_SET_TMP": temp}
    if sleep_ms is not None:
        env["VEL_STUB_SLEEP_MS"] = str(sleep_ms)
    enters = kit.dir.parent / (kit.dir.name + "-enters.txt")
    enters.write_bytes(b"\r\n" * 4)
    env["VEL_RUN_STDIN"] = winbed.win_path(enters)
    command = '"%s"' % winbed.win_path(kit.dir / "setup.exe") + (" " + tail if tail else "")
    return winbed.run_windows(winbed.BIN / "envrun.exe", raw_command_line=command, env=env,
                              work=kit.dir.parent / (kit.dir.name + "-runs"), **kwargs)


def scratch_left(directory):
    directory = Path(directory)
    return sorted(p.name for p in directory.rglob("VelInstall*")) if directory.exists() else []


class Tmpfs:
    """A small volume of its own (tmpfs); `mounted` says whether mounting worked."""

    def __init__(self, path, size="2m", read_only=False):
        self.path = Path(path)
        self.path.mkdir(parents=True, exist_ok=True)
        options = "size=%s%s" % (size, ",ro" if read_only else "")
        done = subprocess.run(["mount", "-t", "tmpfs", "-o", options, "vel-faults", str(self.path)],
                              capture_output=True)
        self.mounted = done.returncode == 0

    def close(self):
        if self.mounted:
            subprocess.run(["umount", str(self.path)], check=False)
            self.mounted = False


def flat(text):
    """Console text without the line breaks that the 80-column console adds."""
    return text.replace("\n", "")


class FaultChecks:
    """What every faulty run must show (mixed into the test cases)."""

    def assertShown(self, text, run):
        self.assertIn(flat(text), flat(run.console))

    def assertNoCrash(self, run):
        self.assertFalse(run.timed_out, "setup hung:\n" + run.console)
        self.assertNotIn(run.exit_code, CRASH_CODES, "setup crashed:\n" + run.console)
        for text in WINE_CRASH_TEXTS:
            self.assertNotIn(text, run.console)

    def assertEnded(self, run, code):
        self.assertNoCrash(run)
        self.assertEqual(run.signed_exit_code, code, run.console)


class LauncherFaults(FaultChecks, winbed.WineTestCase):

    # -- the temporary directory ------------------------------------------------

    def test_temporary_directory_below_a_file_cannot_hold_the_scratch_directory(self):
        kit = Kit("faults-temp-file", PLAIN)
        blocker = kit.temp / "blocker"
        blocker.write_bytes(b"a file, not a directory")
        temp = winbed.win_path(blocker / "sub")
        run = run_kit(kit, "-silent", temp=temp)
        self.assertEnded(run, -1)
        self.assertShown("The directory %s could not be created." % temp, run)
        self.assertIsNone(kit.report(), "the installer must not start")
        self.assertTrue(blocker.is_file())
        self.assertEqual(scratch_left(kit.temp), [])

    def read_only_temp_run(self):
        kit = Kit("faults-temp-ro", PLAIN)
        volume = Tmpfs(kit.temp / "ro", read_only=True)
        self.addCleanup(volume.close)
        self.assertTrue(volume.mounted, "a small tmpfs volume could not be mounted (the tests run as root)")
        temp = winbed.win_path(volume.path)
        run = run_kit(kit, "", temp=temp)
        self.assertEnded(run, -1)
        self.assertIsNone(kit.report())
        self.assertEqual(list(volume.path.iterdir()), [])
        return run, temp

    def test_read_only_temporary_volume_ends_the_run(self):
        self.read_only_temp_run()

    def test_read_only_temporary_volume_is_reported(self):
        # The scratch directory's own creation fails here, after its parent was found.
        run, temp = self.read_only_temp_run()
        texts = [text for _, text in run.boxes]
        self.assertTrue(any("could not be created" in t and temp in t for t in texts), run.boxes)

    # -- garbage input -------------------------------------------------------------

    def test_a_catalogue_of_random_bytes_does_not_stop_the_run(self):
        kit = Kit("faults-catalogue", PLAIN)
        rng = random.Random(8)
        for catalogue in (kit.dir / "resource").glob("*.nls"):
            catalogue.write_bytes(bytes(rng.randrange(256) for _ in range(20000)))
        run = run_kit(kit, "-silent")
        self.assertNoCrash(run)
        if run.exit_code == 1:
            return  # refused as no catalogue at all: the loader's own text went to stderr
        self.assertEnded(run, 0)
        self.assertIsNotNone(kit.report())
        self.assertEqual(scratch_left(kit.temp), [])

    def test_a_parameter_file_of_binary_garbage_is_read_as_defaults_or_refused(self):
        kit = Kit("faults-param-garbage")
        rng = random.Random(9)
        garbage = bytes(rng.randrange(256) for _ in range(30000))
        # Long lines, NULs, stray brackets and equals signs, an unterminated quote.
        garbage += b"\n[Velmor\n=\n\"" + b"=" * 5000 + b"\n[Velmor]\nBOOTSTRAP=\x00T\n"
        (kit.dir / "velparam.ini").write_bytes(garbage)
        run = run_kit(kit, "-silent")
        self.assertNoCrash(run)
        self.assertIn(run.signed_exit_code, (0, -1), run.console)
        if run.signed_exit_code == 0:
            self.assertIsNotNone(kit.report())
        self.assertEqual(scratch_left(kit.temp), [])

    def test_a_parameter_file_with_a_utf8_mark_is_refused_by_name(self):
        # Windows would not see [Velmor] behind the mark (Wine does): no run on defaults.
        kit = Kit("faults-param-utf8", PLAIN)
        params = kit.dir / "velparam.ini"
        params.write_bytes(b"\xef\xbb\xbf" + params.read_bytes())
        run = run_kit(kit, "-silent")
        self.assertEnded(run, -1)
        self.assertShown("The parameter file %s starts with a UTF-8 byte-order mark" % winbed.win_path(params), run)
        self.assertIsNone(kit.report())

    def test_a_command_line_of_thirty_thousand_characters(self):
        kit = Kit("faults-long-command", PLAIN)
        tail = "-silent " + " ".join("-arg%05d" % i for i in range(2000))
        tail += " " + "x" * (30000 - len(tail) - 1)
        run = run_kit(kit, tail)
        self.assertNoCrash(run)
        report = kit.report()
        if report is not None:
            # Handed on whole, never cut.
            self.assertEnded(run, 0)
            self.assertTrue(report.command_line.rstrip(" ").endswith(tail), report.command_line[-200:])
        else:
            # Too long for the installer's command line: refused with the Windows error as exit code.
            self.assertGreater(run.signed_exit_code, 0, run.console)
            self.assertIn("CreateKSIProcess()", run.console)
        self.assertEqual(scratch_left(kit.temp), [])

    # -- long paths ----------------------------------------------------------------

    def test_a_kit_near_the_path_limit_runs(self):
        base = winbed.fresh_dir("faults-long-kit")
        directory = base / ("p" * 100)
        directory = directory / ("k" * (250 - len(winbed.win_path(directory)) - len("\\setup.exe") - 1))
        kit = Kit("unused", PLAIN, directory=directory)
        self.assertEqual(len(winbed.win_path(kit.dir / "setup.exe")), 250)
        temp = winbed.fresh_dir("faults-long-kit-temp")
        run = run_kit(kit, "-silent", temp=winbed.win_path(temp))
        self.assertEnded(run, 0)
        self.assertIsNotNone(kit.report())
        self.assertEqual(scratch_left(temp), [])

    def long_temp_run(self):
        kit = Kit("faults-long-temp", PLAIN)
        # The scratch directory's name (temp + 32 characters) passes the 260-character limit.
        temp = kit.temp / ("t" * 100)
        temp = temp / ("u" * (240 - len(winbed.win_path(temp)) - 1))
        temp.mkdir(parents=True)
        self.assertEqual(len(winbed.win_path(temp)), 240)
        run = run_kit(kit, "-silent", temp=winbed.win_path(temp))
        self.assertEnded(run, -1)
        self.assertIsNone(kit.report())
        # The install log of the failed run may stay in the temporary directory.
        self.assertEqual(scratch_left(temp), [])
        return run, temp

    def test_a_scratch_directory_over_the_path_limit_ends_the_run(self):
        self.long_temp_run()

    def test_a_scratch_directory_over_the_path_limit_is_reported(self):
        run, temp = self.long_temp_run()
        self.assertShown("could not be created", run)

    # -- the Java runtime ------------------------------------------------------------

    def test_a_java_runtime_that_crashes_gives_its_exception_code(self):
        kit = Kit("faults-java-crash", PLAIN)
        shutil.copy2(winbed.BIN / "crashjava.exe", kit.jre_bin / "java.exe")
        run = run_kit(kit, "-silent")
        self.assertFalse(run.timed_out, run.console)
        self.assertEqual(run.exit_code, 0xC0000005, run.console)
        # The system may tell of the runtime's crash; of nothing else.
        for caption, text in run.boxes:
            self.assertIn("java.exe", text)
        self.assertEqual(scratch_left(kit.temp), [])

    def test_a_java_runtime_that_ends_at_once_gives_its_exit_code(self):
        kit = Kit("faults-java-quick")
        kit.write_params(bootstrap_settings(kit, WAIT_FOR_COMPLETION="T"))
        run = run_kit(kit, "-silent", exit_code=3)
        self.assertEnded(run, 3)
        self.assertIsNotNone(kit.report())
        self.assertEqual(scratch_left(kit.temp), [])

    def test_a_missing_java_runtime_is_reported_and_cleaned_up(self):
        kit = Kit("faults-java-missing", PLAIN)
        (kit.jre_bin / "java.exe").unlink()
        run = run_kit(kit, "-silent")
        self.assertEnded(run, -1)
        self.assertShown("java.exe was not found", run)
        self.assertIn(ENTER_TEXT, run.console)
        self.assertEqual(scratch_left(kit.temp), [])


if __name__ == "__main__":
    unittest.main()

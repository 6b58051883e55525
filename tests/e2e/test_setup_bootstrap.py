"""setup.exe end to end on kits that are staged to a scratch directory first:
running without waiting, waiting, staging failures, the Java runtime
question and the progress shown in the console title."""

import re
import shutil
import time
import unittest

import winbed
from kitfixture import Kit, unix_of
from setup_texts import flat, text

FAILED = 4294967295
STILL_ACTIVE = 259
CAPTION = text("S_KSI")
TITLE = "Velmor Kinsetup"
PROGRESS = re.compile(re.escape(TITLE) + r" - (\d+) of (\d+) files, (\d+) of (\d+) MB")


def console_titles(raw):
    """Every title the run gave its console, in order (Wine writes each as an
    operating-system command to the terminal)."""
    return [t.decode("latin-1") for t in re.findall(rb"\x1b\][02];([^\x07]*)\x07", raw)]


class StagedKit(winbed.WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.kit = Kit("staged")
        cls.k = cls.kit.win
        (cls.kit.dir / "ksi" / "jlib").mkdir(parents=True)
        (cls.kit.dir / "ksi" / "jlib" / "VelInstaller.jar").write_bytes(b"PK\x05\x06" + bytes(18))
        cls.base = {"JRE_LOCATION": cls.k + "\\jre", "KSI_LOCATION": cls.k + "\\ksi",
                    "KSI_CORE_LOCATION": cls.k + "\\ksi", "BOOTSTRAP": "TRUE", "BOOTSTRAP_SIZE": "1"}

    def with_params(self, **settings):
        self.kit.write_params({key: value for key, value in dict(self.base, **settings).items() if value is not None})

    def tearDown(self):
        for scratch in self.kit.new_scratch_directories():
            shutil.rmtree(scratch, ignore_errors=True)

    def test_without_waiting_returns_at_once_and_leaves_the_scratch_directory(self):
        self.with_params()
        # The installer outlives setup, so it stays off the console that the run reads.
        run = self.kit.run("-silent", exit_code=7, sleep_ms=3000, env={"VEL_STUB_QUIET": "1"})
        self.assertEqual(run.exit_code, STILL_ACTIVE, run.console)
        self.assertIn(flat(text("S_BOOTSTRAPMSG")), flat(run.console))
        report = self.kit.report(wait_seconds=20)
        scratch = report.arguments[report.arguments.index("-scratchPath") + 1]
        self.assertEqual(report.program, scratch + "\\jre\\bin\\java.exe")
        self.assertEqual(report.properties["velmor.installer.bootstrap"], "TRUE")
        self.assertEqual(report.properties["velmor.installer.ksi_loc"], scratch + "\\ksi")
        self.assertNotIn("velmor.installer.extjre", report.properties)
        self.assertIn(scratch + "\\ksi\\jlib\\VelInstaller.jar", report.classpath)
        self.assertTrue((unix_of(scratch) / "ksi" / "jlib" / "VelInstaller.jar").exists())
        time.sleep(3)

    def test_waiting_returns_the_exit_code_and_removes_the_scratch_directory(self):
        self.with_params()
        run = self.kit.run("-silent -waitForCompletion", exit_code=5)
        self.assertEqual(run.exit_code, 5, run.console)
        report = self.kit.report()
        scratch = report.arguments[report.arguments.index("-scratchPath") + 1]
        self.assertTrue(report.program.startswith(scratch))
        self.assertFalse(unix_of(scratch).exists())

    def test_progress_of_a_large_tree_in_the_console_title(self):
        big = self.kit.dir / "ksi" / "big"
        # Many small files: a copy long enough under Wine for several updates.
        files, megabytes = 2048, 16
        block = bytes(range(256)) * 32  # 8 KB
        for i in range(files):
            (big / ("d%02d" % (i % 40))).mkdir(parents=True, exist_ok=True)
            (big / ("d%02d" % (i % 40)) / ("f%03d.jar" % i)).write_bytes(block)
        try:
            self.with_params(WAIT_FOR_COMPLETION="TRUE")
            started = time.monotonic()
            run = self.kit.run("-silent", exit_code=3)
            seconds = time.monotonic() - started
            self.assertEqual(run.exit_code, 3, run.console)
            titles = console_titles(run.raw)
            self.assertEqual(titles[-1], TITLE)
            # One run of progress titles per copy, each ended by the launcher's own title.
            copies, current = [], []
            for title in titles[1:]:
                if title != TITLE:
                    match = PROGRESS.fullmatch(title)
                    self.assertIsNotNone(match, titles)
                    current.append(tuple(map(int, match.groups())))
                elif current:
                    copies.append(current)
                    current = []
            big_copies = [c for c in copies if c[0][1] == files + 1]
            self.assertTrue(big_copies, titles)
            for copy in copies:
                self.assertEqual(len({(total, total_mb) for _, total, _, total_mb in copy}), 1, copy)
                self.assertEqual([c for c in copy if c[0] > c[1] or c[2] > c[3]], [])
                self.assertEqual(sorted(copy), copy)
            self.assertEqual(big_copies[0][0][3], megabytes)
            # A few updates a second at most.
            self.assertLessEqual(sum(map(len, copies)), 4 * seconds, titles)
            self.assertNotIn(" files, ", run.console)

            quiet = self.kit.run("-noconsole", exit_code=3)
            self.assertEqual(quiet.exit_code, 3)
            self.assertEqual([t for t in console_titles(quiet.raw) if t != TITLE], [])
        finally:
            shutil.rmtree(big)

    def test_size_out_of_range_starts_nothing(self):
        self.with_params(BOOTSTRAP_SIZE="3000")
        run = self.kit.run("-silent", answers=[(text("S_ENTER_ENTER"), "")])
        self.assertEqual(run.exit_code, FAILED, run.console)
        self.assertIn(flat(text("S_ERBOOTSTRAP_RANGE", 2047)), flat(run.console))
        self.assertNotIn(flat(text("S_BOOTSTRAPMSG")), flat(run.console))
        self.assertIsNone(self.kit.report())

    def test_staging_failure_reports_the_default_size(self):
        # A distribution kit without the unzip program cannot be expanded.
        self.with_params(DISTRIBUTION="TRUE", BOOTSTRAP_SIZE="0", WAIT_FOR_COMPLETION="TRUE")
        run = self.kit.run("-silent", answers=[(text("S_ENTER_ENTER"), "")])
        self.assertEqual(run.exit_code, FAILED, run.console)
        before, _, after = text("S_ERBOOTSTRAP", "\0", 45).partition("\0")
        console = flat(run.console)
        self.assertRegex(console, re.escape(flat(before)) + r"[^ ]*\\VelInstall[^ ]*" + re.escape(flat(after)))
        self.assertIsNone(self.kit.report())
        self.assertEqual(self.kit.new_scratch_directories(), [])

    def test_a_relative_runtime_of_a_staged_run_is_found_where_it_was_checked(self):
        # Checked in the kit's directory; the installer starts in the temporary directory.
        self.with_params(JRE_LOCATION=None, WAIT_FOR_COMPLETION="TRUE")
        for tail, answers in (("-silent -jreLoc jre", []),
                              ("-silent", [("Enter the directory of a Java runtime", "jre")])):
            with self.subTest(tail=tail):
                run = self.kit.run(tail, answers=answers)
                self.assertEqual(run.exit_code, 0, run.console)
                self.assertEqual(self.kit.report().program, self.k + "\\jre\\bin\\java.exe")

    def test_java_runtime_question(self):
        self.with_params(JRE_LOCATION=None, WAIT_FOR_COMPLETION="TRUE")
        run = self.kit.run("-silent", answers=[("Enter the directory of a Java runtime", "Z:\\nowhere"),
                                               ("That directory holds no", self.k + "\\jre")])
        self.assertEqual(run.exit_code, 0, run.console)
        report = self.kit.report()
        self.assertEqual(report.program, self.k + "\\jre\\bin\\java.exe")
        self.assertEqual(report.properties["velmor.installer.extjre"], "true")

        # Input that ends while the question waits gives up instead of asking forever.
        empty = self.kit.dir.parent / "staged-empty-input.txt"
        empty.write_bytes(b"")
        command = '"%s" -silent' % winbed.win_path(self.kit.dir / "setup.exe")
        run = winbed.run_windows(winbed.BIN / "envrun.exe", raw_command_line=command, timeout=60,
                                 env={"VEL_RUN_STDIN": winbed.win_path(empty)}, work=self.kit.dir.parent / "staged-runs")
        self.assertFalse(run.timed_out)
        self.assertEqual(run.exit_code, FAILED, run.console)
        self.assertIn(text("S_JRELOC_ERROR_NOCONSOLE_WIN").split("\n")[0], flat(run.console))

        run = self.kit.run("-noConsole")
        self.assertEqual(run.exit_code, FAILED)
        self.assertEqual(run.boxes, [(CAPTION, text("S_JRELOC_ERROR_NOCONSOLE_WIN"))])
        self.assertIsNone(self.kit.report())


if __name__ == "__main__":
    unittest.main()

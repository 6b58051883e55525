"""The prerequisite checks as setup.exe runs them, with the shipped catalogue:
a failing requirement ends a silent run before the installer starts, and the
question decides an interactive one."""

import re
import shutil
import unittest

import test_prereq  # noqa: F401  (sets the terminal up the way the question needs)
import winbed
from kitfixture import Kit, velparam_text
from setup_texts import flat, text
from test_prereq import CPU_KEY, SavedValue, reg

FAILED = 4294967295
SETUP_APP_KEY = r"HKCU\Software\Wine\AppDefaults\setup.exe"
CHECKS = """
[Certified Versions]
Windows=6.1
[Windows-6.1-required]
CPU=900
CPU_FAILURE_MESSAGE=This product needs a faster processor.
[Windows-6.1-optional]
CPU=900
"""


class SetupPrerequisites(winbed.WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.saved = [SavedValue(SETUP_APP_KEY, "Version", "REG_SZ", "win7"),
                     SavedValue(CPU_KEY, "~MHz", "REG_DWORD", "500")]

    @classmethod
    def tearDownClass(cls):
        for value in reversed(cls.saved):
            value.restore()
        reg("delete", SETUP_APP_KEY, "/f")

    def make_kit(self, name, checks):
        kit = Kit(name)
        kit.write_params({"JRE_LOCATION": kit.win + "\\jre"}, checks)
        return kit

    def install_log(self, kit):
        """The log of the last run, from the scratch directory it left behind
        (which is removed here)."""
        scratch = kit.new_scratch_directories()
        self.assertEqual(len(scratch), 1)
        logs = list(scratch[0].glob("installActions*.log"))
        self.assertEqual(len(logs), 1)
        text = logs[0].read_bytes().decode("utf-8").replace("\r\n", "\n")
        shutil.rmtree(scratch[0])
        return text

    def test_failing_requirement_ends_a_silent_run(self):
        kit = self.make_kit("prereq-silent", CHECKS)
        run = kit.run("-silent")
        self.assertEqual(run.exit_code, FAILED, run.console)
        self.assertIsNone(kit.report(), "the installer must not start")
        log = self.install_log(kit)
        checks = (text("S_CHECKING_FOR_CPU", "900") + text("S_ACTUAL_CPU", 500) + text("S_SFAILED")
                  + "\n\nThis product needs a faster processor." + "".join(
                      text("S_FAILED_PRE_REQ_%d" % i) for i in range(1, 5)))
        self.assertIn(checks, log)
        log_name = re.search(r"install log (.*installActions.*\.log)", log).group(1)
        self.assertTrue(log.endswith(text("S_EXIT_MSG", log_name)), log)
        self.assertIn(flat(checks + text("S_EXIT_MSG", log_name)), flat(run.console))

    def test_a_parameter_file_saved_as_utf16_is_checked_the_same(self):
        # As Notepad's "Unicode" and PowerShell 5 save it: UTF-16LE with its mark.
        kit = Kit("prereq-utf16")
        (kit.dir / "velparam.ini").write_bytes(
            velparam_text({"JRE_LOCATION": kit.win + "\\jre"}, CHECKS).encode("utf-16-le").join([b"\xff\xfe", b""]))
        run = kit.run("-silent")
        self.assertEqual(run.exit_code, FAILED, run.console)
        self.assertIsNone(kit.report(), "the installer must not start")
        self.assertIn(flat(text("S_ACTUAL_CPU", 500) + text("S_SFAILED") + "\n\nThis product needs a faster processor."),
                      flat(run.console))
        self.install_log(kit)

    def test_windows_10_reports_what_kits_certify(self):
        # The manifest names no Windows after 8, so Windows 8 and later report
        # 6.2, as the certified lists of existing kits expect.
        kit = self.make_kit("prereq-win10", "\n[Certified Versions]\nWindows=6.2\n")
        version = SavedValue(SETUP_APP_KEY, "Version", "REG_SZ", "win10")
        try:
            run = kit.run("-silent")
        finally:
            version.restore()
        self.assertEqual(run.exit_code, 0, run.console)
        self.assertIn(flat(text("S_ACTUAL", "6.2") + text("S_SPASSED_ON_NEWLINE")), flat(run.console))
        self.assertIsNotNone(kit.report())

    def test_answers_decide_an_interactive_run(self):
        # The required section passes; the optional one fails and asks.
        checks = CHECKS.replace("CPU=900\nCPU_FAILURE", "CPU=1\nCPU_FAILURE")
        kit = self.make_kit("prereq-ask", checks)
        question = text("S_CONTINUE").strip()

        run = kit.run("", answers=[(question, "perhaps"), (question, "n")])
        self.assertEqual(run.exit_code, FAILED, run.console)
        self.assertIsNone(kit.report())
        log = self.install_log(kit)
        self.assertEqual(log.count(text("S_CONTINUE")), 2)
        self.assertTrue(log.endswith(text("S_CONTINUE") + text("S_CONTINUE_NO")
                                     + text("S_EXIT_MSG", re.search(r"install log (.*\.log)", log).group(1))), log)

        run = kit.run("-waitForCompletion", answers=[(question, "y")])
        self.assertEqual(run.exit_code, 0, run.console)
        self.assertIsNotNone(kit.report(wait_seconds=10), "the installer starts after yes")
        self.assertIn(flat(text("S_PRE_REQREQ_PASSED") + text("S_CHECKING_FOR_CPU", "900")), flat(run.console))
        # The failure message of the required section serves the optional pass too.
        self.assertIn(flat(text("S_SFAILED") + "\n\nThis product needs a faster processor." + text("S_CONTINUE")
                           + "y" + text("S_CONTINUE_YES")), flat(run.console))


if __name__ == "__main__":
    unittest.main()

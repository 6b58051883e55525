"""The prerequisite run under Wine: the passes, the decision and the question,
against Wine's registry, display and disks. The checks run through
prereqprobe.exe, with a catalogue whose texts name their keys and arguments so
that every line can be told apart."""

import os
import pty
import re
import shutil
import subprocess
import tty
import unittest

import winbed
from winbed import BIN, WINE, fresh_dir, run_windows, win_path

# Wine's console reads the Enter key only as a carriage return, which a
# terminal in its default cooked mode turns into a line feed.
_openpty = pty.openpty


def _raw_openpty():
    master, slave = _openpty()
    tty.setraw(slave)
    return master, slave


pty.openpty = _raw_openpty

TIMESTAMP = "2026-01-02_03-04-05PM"
EXIT_FAILED = (1 << 32) - 1

ARGUMENTS = {
    "S_ACTUAL": "%s", "S_ACTUAL_CPU": "%d", "S_ACTUAL_SWAP": "%d", "S_ACTUAL_TEMP_SPACE": "%d",
    "S_CHECKING_FOR_CPU": "%s", "S_CHECKING_FOR_DISP_COL": "%s", "S_CHECKING_FOR_SWAP": "%s",
    "S_CHECKING_FOR_TEMP_SPACE": "%s", "S_EXIT_MSG": "%s", "S_FAIL_CHECKING_FOR_SWAP": "%d %s",
    "S_FAIL_CHECKING_FOR_TEMP_SPACE": "%d %s",
}
PLAIN = """S_CHECKING_FOR_OS_VERSION S_CHECKING_FOR_SERVICE_PACK S_CHECKING_REQ_PREREQ S_CONTINUE
S_CONTINUE_NO S_CONTINUE_YES S_EXIT_CONTINUE S_FAILED_OPTIONAL S_FAILED_PRE_REQ_1 S_FAILED_PRE_REQ_2
S_FAILED_PRE_REQ_3 S_FAILED_PRE_REQ_4 S_IGNORE_OPT_SYS_PREREQ S_IGNORE_PATCH_SYS_PREREQ
S_IGNORE_REQ_SYS_PREREQ S_NO_PREQ_RUN S_PRE_REQREQ_PASSED S_PRE_REQ_RETRY_REQ S_SFAILED
S_SFAILED_ON_NEWLINE S_SPASSED S_SPASSED_ON_NEWLINE""".split()
PATCHES = "PATCHES-MISSING"


def line(key, *args):
    """The test catalogue's text of `key` formatted with `args`."""
    return "{%s}\n" % " ".join((key,) + tuple(str(a) for a in args))


def catalogue_bytes():
    records = ["%s={%s %s}\n" % (k, k, f) for k, f in ARGUMENTS.items()]
    records += ["%s={%s}\n" % (k, k) for k in PLAIN]
    records += ["S_HIGHER_THAN=higher than %s", "S_FAILED_PATCHES_1=" + PATCHES]
    return b"".join(r.encode() + b"\0" for r in records)


FAILED_REQUIRED = "".join(line("S_FAILED_PRE_REQ_%d" % i) for i in range(1, 5))

# Registry places the probes read.
CPU_KEY = r"HKLM\Hardware\Description\System\CentralProcessor\0"
MEMORY_KEY = r"HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Memory Management"
HOTFIX_KEY = r"HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Hotfix\Q246009"
NT_KEY = r"HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion"
APP_KEY = r"HKCU\Software\Wine\AppDefaults\prereqprobe.exe"


def reg(*args):
    result = subprocess.run([WINE, "reg"] + list(args), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, timeout=60)
    return result.returncode, result.stdout.decode("latin-1")


def reg_value(key, name):
    """(type, data) of a value as `reg query` shows it, or None."""
    code, out = reg("query", key, "/v", name)
    if code != 0:
        return None
    for text in out.splitlines():
        parts = text.strip().split(None, 2)
        if len(parts) >= 2 and parts[0] == name and parts[1].startswith("REG_"):
            return parts[1], parts[2] if len(parts) > 2 else ""
    return None


class SavedValue:
    """Sets a registry value for one test and puts the old one back."""

    def __init__(self, key, name, kind, data):
        """kind None removes the value."""
        self.key, self.name = key, name
        self.old = reg_value(key, name)
        if kind is None:
            reg("delete", key, "/v", name, "/f")
        else:
            reg("add", key, "/v", name, "/t", kind, "/d", data, "/f")

    def restore(self):
        if self.old is None:
            reg("delete", self.key, "/v", self.name, "/f")
        else:
            kind, data = self.old
            if kind == "REG_DWORD":
                data = str(int(data, 16))
            reg("add", self.key, "/v", self.name, "/t", kind, "/d", data, "/f")


class PrereqBed(unittest.TestCase):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        winbed.require_testbed()
        cls.home = fresh_dir("prereq")
        shutil.copy(BIN / "prereqprobe.exe", cls.home / "prereqprobe.exe")
        (cls.home / "resource").mkdir()
        (cls.home / "resource" / "cons.nls").write_bytes(catalogue_bytes())
        # The Windows version the probe sees: 6.1, Service Pack 1.
        cls.version = SavedValue(APP_KEY, "Version", "REG_SZ", "win7")

    @classmethod
    def tearDownClass(cls):
        cls.version.restore()
        reg("delete", APP_KEY, "/f")

    def setUp(self):
        self.saved = []
        self.scratch = fresh_dir("prereq-scratch/" + self._testMethodName)
        self.log_name = win_path(self.scratch) + "\\installActions" + TIMESTAMP + ".log"

    def tearDown(self):
        for value in reversed(self.saved):
            value.restore()

    def set_value(self, key, name, kind, data):
        self.saved.append(SavedValue(key, name, kind, data))

    def run_probe(self, ini, flags="", answers=(), env=None):
        param = self.scratch / "velparam.ini"
        param.write_bytes(ini.replace("\n", "\r\n").encode())
        log = self.scratch / ("installActions" + TIMESTAMP + ".log")
        if log.exists():
            log.unlink()
        args = [win_path(param), win_path(self.scratch), TIMESTAMP] + ([flags] if flags else [])
        run = run_windows(self.home / "prereqprobe.exe", args, answers=answers, env=env,
                          work=self.scratch / "run")
        self.assertFalse(run.timed_out, run.console)
        run.log = log.read_bytes().decode() if log.exists() else None
        return run

    def exit_line(self):
        return line("S_EXIT_MSG", self.log_name)

    def assert_run(self, run, exit_code, log, console_only=""):
        """The log holds exactly `log` (stored with CR LF); the console shows
        the same lines, then `console_only`."""
        self.assertEqual(run.exit_code, exit_code, run.console)
        self.assertEqual(run.log, log.replace("\n", "\r\n"))
        # The console wraps at 80 columns and redraws a line that later writes
        # continue, so its text is only required to hold the lines in order.
        console = run.console.replace("\n", "")
        at = 0
        for text in (log + console_only).split("\n"):
            if text.strip():
                found = console.find(text, at)
                self.assertGreaterEqual(found, 0, "%r not shown in order in:\n%s" % (text, console))
                at = found + len(text)

    def certified(self, versions="4.0,6.1", message=None):
        text = "[Certified Versions]\nWindows=%s\n" % versions
        if message:
            text += "CERTIFIED_VERSION_FAILURE_MESSAGE=%s\n" % message
        return text

    CERTIFIED_LINES = (line("S_CHECKING_REQ_PREREQ") + line("S_CHECKING_FOR_OS_VERSION") + "4.0 or 6.1"
                       + line("S_ACTUAL", "6.1") + line("S_SPASSED_ON_NEWLINE"))


class PrereqRun(PrereqBed):

    # -- the certified-version gate ------------------------------------------------------------

    def test_without_certified_versions_nothing_is_checked(self):
        run = self.run_probe("[Velmor]\nBOOTSTRAP=F\n[Windows-6.1-required]\nCPU=999999\n")
        self.assert_run(run, 0, line("S_NO_PREQ_RUN") + "\n")

    def test_uncertified_version_ends_the_run(self):
        ini = self.certified("4.0,5.0", "Use a certified Windows.") + "[Windows-6.1-required]\nCPU=1\n"
        head = (line("S_CHECKING_REQ_PREREQ") + line("S_CHECKING_FOR_OS_VERSION") + "4.0 or 5.0"
                + line("S_ACTUAL", "6.1") + line("S_SFAILED_ON_NEWLINE") + "\n\nUse a certified Windows.")
        run = self.run_probe(ini, answers=[("{S_EXIT_CONTINUE}", "")])
        self.assert_run(run, EXIT_FAILED, head + self.exit_line() + line("S_EXIT_CONTINUE"))

        run = self.run_probe(ini, "s")
        self.assert_run(run, EXIT_FAILED, head + self.exit_line())

        # Ignored: no section is read, and the installation goes on.
        run = self.run_probe(ini, "i")
        self.assert_run(run, 0, head + line("S_IGNORE_REQ_SYS_PREREQ") + "\n")

    def test_version_follows_the_reported_windows_version(self):
        # Without a manifest that names newer systems, Windows 8 and later report 6.2.
        for setting, version in (("winxp", "5.1"), ("win10", "6.2")):
            self.set_value(APP_KEY, "Version", "REG_SZ", setting)
            run = self.run_probe(self.certified("5.1,6.2"))
            self.assert_run(run, 0, line("S_CHECKING_REQ_PREREQ") + line("S_CHECKING_FOR_OS_VERSION")
                            + "5.1 or 6.2" + line("S_ACTUAL", version) + line("S_SPASSED_ON_NEWLINE")
                            + line("S_PRE_REQREQ_PASSED") + "\n")

    # -- failing checks and the decision -------------------------------------------------------

    def cpu_failure(self, mhz=500):
        self.set_value(CPU_KEY, "~MHz", "REG_DWORD", str(mhz))
        return (self.certified() + "[Windows-6.1-required]\nCPU=900\nCPU_FAILURE_MESSAGE=Too slow.\n"
                "SWAP_SPACE=99999999\n")

    def cpu_lines(self, mhz=500):
        return line("S_CHECKING_FOR_CPU", 900) + line("S_ACTUAL_CPU", mhz) + line("S_SFAILED")

    def test_failing_cpu_ends_silent_and_no_console_runs(self):
        ini = self.cpu_failure()
        expected = self.CERTIFIED_LINES + self.cpu_lines() + "\n\nToo slow." + FAILED_REQUIRED + self.exit_line()
        for flags in ("s", "n"):
            run = self.run_probe(ini, flags)
            self.assertEqual(run.exit_code, EXIT_FAILED)
            self.assertEqual(run.log, expected.replace("\n", "\r\n"), flags)

    def test_ignored_failures_are_all_checked(self):
        ini = self.cpu_failure()
        paging = reg_value(MEMORY_KEY, "PagingFiles")
        total = 0 if paging is None else int(paging[1].split()[-1])
        run = self.run_probe(ini, "si")
        self.assert_run(run, 0, self.CERTIFIED_LINES + self.cpu_lines()
                        + line("S_FAIL_CHECKING_FOR_SWAP", total, 99999999) + line("S_SFAILED")
                        + line("S_IGNORE_REQ_SYS_PREREQ") + "\n")

    def test_answers_to_the_question(self):
        ini = self.cpu_failure()
        failed = self.CERTIFIED_LINES + self.cpu_lines() + "\n\nToo slow." + FAILED_REQUIRED
        no_end = line("S_CONTINUE_NO") + self.exit_line()

        # Yes retries the required pass, which fails again; other words ask again.
        run = self.run_probe(ini, answers=[("{S_CONTINUE}", "y"), ("{S_CONTINUE}", "maybe"),
                                           ("{S_CONTINUE}", "N")])
        self.assert_run(run, EXIT_FAILED, failed + line("S_CONTINUE") + line("S_CONTINUE_YES")
                        + line("S_PRE_REQ_RETRY_REQ") + failed + line("S_CONTINUE") + line("S_CONTINUE")
                        + no_end)

        for reply in ("", None):  # an empty line, the end of input
            run = self.run_probe(ini, answers=[("{S_CONTINUE}", reply)])
            self.assert_run(run, EXIT_FAILED, failed + line("S_CONTINUE") + no_end)

    def test_yes_after_a_failed_optional_pass_goes_on(self):
        self.set_value(CPU_KEY, "~MHz", "REG_DWORD", "500")
        ini = self.certified() + "[Windows-6.1-optional]\nCPU=900\n"
        run = self.run_probe(ini, answers=[("{S_CONTINUE}", "Y")])
        self.assert_run(run, 0, self.CERTIFIED_LINES + line("S_PRE_REQREQ_PASSED") + self.cpu_lines()
                        + line("S_FAILED_OPTIONAL") + line("S_CONTINUE") + line("S_CONTINUE_YES"))

    def test_failure_messages_from_either_section(self):
        self.set_value(CPU_KEY, "~MHz", "REG_DWORD", "500")
        ini = (self.certified() + "[Windows-6.1-required]\nSERVICE_PACK=1\n"
               "[Windows-6.1-optional]\nCPU=900\nCPU_FAILURE_MESSAGE=Faster, please.\nSERVICE_PACK=2,3\n"
               "SERVICE_PACK_FAILURE_MESSAGE=%s: service pack\n" % PATCHES)
        service_pack = line("S_CHECKING_FOR_SERVICE_PACK")
        required = service_pack + "1" + line("S_ACTUAL", "Service Pack 1") + line("S_SPASSED")
        optional = (self.cpu_lines() + service_pack + "2 or 3" + line("S_ACTUAL", "Service Pack 1")
                    + line("S_SFAILED"))
        failure_text = "\n\nFaster, please.\n\n%s: service pack" % PATCHES

        run = self.run_probe(ini, "si")
        self.assert_run(run, 0, self.CERTIFIED_LINES + required + line("S_PRE_REQREQ_PASSED") + optional
                        + line("S_IGNORE_PATCH_SYS_PREREQ") + "\n")
        # The optional pass's failure text replaces S_FAILED_OPTIONAL.
        run = self.run_probe(ini, "s")
        self.assert_run(run, EXIT_FAILED, self.CERTIFIED_LINES + required + line("S_PRE_REQREQ_PASSED")
                        + self.cpu_lines() + "\n\nFaster, please." + self.exit_line())

    def test_execute_only_ends_after_both_passes(self):
        ini = self.certified() + "[Windows-6.1-required]\nCPU=1\n[Windows-6.1-optional]\nTEMP_SPACE=1\n"
        mhz = int(reg_value(CPU_KEY, "~MHz")[1], 16)
        run = self.run_probe(ini, "e", answers=[("{S_EXIT_CONTINUE}", "")])
        body = (self.CERTIFIED_LINES + line("S_CHECKING_FOR_CPU", 1) + line("S_ACTUAL_CPU", mhz)
                + line("S_SPASSED") + line("S_PRE_REQREQ_PASSED"))
        self.assertEqual(run.exit_code, EXIT_FAILED, run.console)
        self.assertTrue(run.log.startswith(body.replace("\n", "\r\n")), run.log)
        self.assertIn(line("S_CHECKING_FOR_TEMP_SPACE", 1).replace("\n", "\r\n"), run.log)
        self.assertTrue(run.log.endswith((line("S_SPASSED") + self.exit_line()).replace("\n", "\r\n")))
        # The key prompt comes after the log was closed: on the console only.
        self.assertTrue(run.console.rstrip().endswith("{S_EXIT_CONTINUE}"), run.console)

    def test_lack_of_temporary_space_does_not_stop_the_pass(self):
        self.set_value(MEMORY_KEY, "PagingFiles", "REG_MULTI_SZ", r"C:\pagefile.sys 100 300\0D:\pagefile.sys 200 500")
        ini = self.certified() + "[Windows-6.1-required]\nTEMP_SPACE=999999999\nSWAP_SPACE=700\n"
        run = self.run_probe(ini, "s")
        self.assertEqual(run.exit_code, EXIT_FAILED)
        log = run.log.replace("\r\n", "\n")
        self.assertRegex(log, r"\{S_FAIL_CHECKING_FOR_TEMP_SPACE \d+ 999999999\}\n\{S_SFAILED\}\n"
                         + r"\{S_CHECKING_FOR_SWAP 700\}\n\{S_ACTUAL_SWAP 800\}\n\{S_SPASSED\}\n"
                         + "".join(r"\{S_FAILED_PRE_REQ_%d\}\n" % i for i in range(1, 5)))

    def test_paging_space_and_free_space_probes(self):
        self.set_value(MEMORY_KEY, "PagingFiles", "REG_MULTI_SZ", r"C:\pagefile.sys 100 300\0D:\pagefile.sys 200 500")
        free_mb = shutil.disk_usage(self.scratch).free >> 20
        ini = self.certified() + "[Windows-6.1-required]\nSWAP_SPACE=900\nTEMP_SPACE=2\n"
        run = self.run_probe(ini, "si")
        log = run.log.replace("\r\n", "\n")
        self.assertIn(line("S_FAIL_CHECKING_FOR_SWAP", 800, 900) + line("S_SFAILED"), log)
        reported = int(log.split("{S_ACTUAL_TEMP_SPACE ")[1].split("}")[0])
        self.assertLess(abs(reported - free_mb), 64)

        # A value larger than the 1024-byte buffer counts as no paging space.
        long_list = r"\0".join(r"C:\pagefile%03d.sys 10 100" % i for i in range(60))
        self.set_value(MEMORY_KEY, "PagingFiles", "REG_MULTI_SZ", long_list)
        run = self.run_probe(self.certified() + "[Windows-6.1-required]\nSWAP_SPACE=1\n", "si")
        self.assertIn(line("S_FAIL_CHECKING_FOR_SWAP", 0, 1), run.log.replace("\r\n", "\n"))

    def test_paging_files_the_system_manages(self):
        # Automatic management ("?:") and a size left to the system ("0 0")
        # state no maximum: the paging file the system has counts, with its
        # present size. An entry with sizes still counts its maximum.
        page_file = winbed.unix_path_of_c("pagefile.sys")
        with open(page_file, "wb") as f:
            f.truncate(1536 << 20)
        ini = self.certified() + "[Windows-6.1-required]\nSWAP_SPACE=1500\n"
        try:
            for value, total in ((r"?:\pagefile.sys", 1536), (r"C:\pagefile.sys 0 0", 1536),
                                 (r"C:\pagefile.sys 0 0\0D:\pagefile.sys 200 500", 2036)):
                self.set_value(MEMORY_KEY, "PagingFiles", "REG_MULTI_SZ", value)
                log = self.run_probe(ini, "si").log.replace("\r\n", "\n")
                self.assertIn(line("S_CHECKING_FOR_SWAP", 1500) + line("S_ACTUAL_SWAP", total) + line("S_SPASSED"),
                              log, value)
        finally:
            page_file.unlink()
        # No paging file where the system keeps it: nothing counts.
        self.set_value(MEMORY_KEY, "PagingFiles", "REG_MULTI_SZ", r"?:\pagefile.sys")
        log = self.run_probe(ini, "si").log.replace("\r\n", "\n")
        self.assertIn(line("S_FAIL_CHECKING_FOR_SWAP", 0, 1500) + line("S_SFAILED"), log)

    def test_service_pack_6a_hotfix_on_nt4(self):
        # Without a per-program version Wine reports what the registry says.
        self.saved.append(SavedValue(APP_KEY, "Version", None, None))
        self.set_value(NT_KEY, "CurrentVersion", "REG_SZ", "4.0")
        self.set_value(NT_KEY, "CSDVersion", "REG_SZ", "Service Pack 6")
        ini = self.certified("4.0") + "[Windows-4.0-required]\nSERVICE_PACK=6a\n"
        head = (line("S_CHECKING_REQ_PREREQ") + line("S_CHECKING_FOR_OS_VERSION") + "4.0" + line("S_ACTUAL", "4.0")
                + line("S_SPASSED_ON_NEWLINE") + line("S_CHECKING_FOR_SERVICE_PACK") + "6a")

        # Wine's own set-up registers the hotfix; take it away for the first run.
        self.set_value(HOTFIX_KEY, "Installed", "REG_SZ", "1")
        reg("delete", HOTFIX_KEY, "/f")
        run = self.run_probe(ini, "si")
        self.assert_run(run, 0, head + line("S_ACTUAL", "Service Pack 6") + line("S_SFAILED")
                        + line("S_IGNORE_REQ_SYS_PREREQ") + "\n")
        reg("add", HOTFIX_KEY, "/v", "Installed", "/t", "REG_SZ", "/d", "1", "/f")
        run = self.run_probe(ini, "s")
        self.assert_run(run, 0, head + line("S_ACTUAL", "Service Pack 6a") + line("S_SPASSED")
                        + line("S_PRE_REQREQ_PASSED") + "\n")


class DisplayColours(PrereqBed):
    """The colour check on X screens of other depths."""

    def run_on_screen(self, depth, ini, flags=""):
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x%d" % depth,
                                 "-nolisten", "tcp"], pass_fds=(write_end,), stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        try:
            with os.fdopen(read_end) as display:
                number = display.readline().strip()
            return self.run_probe(ini, flags, env={"DISPLAY": ":" + number})
        finally:
            xvfb.terminate()
            xvfb.wait()

    def test_colour_depths(self):
        for depth, value, actual, verdict in ((8, "256", "256", "S_SPASSED"), (8, "65536", "256", "S_SFAILED"),
                                              (16, "65536", "65536", "S_SPASSED"),
                                              (16, "16777216", "65536", "S_SFAILED"),
                                              (24, "0", "4294967296", None)):
            ini = self.certified() + "[Windows-6.1-required]\nMIN_DISPLAY_COLORS=%s\n" % value
            run = self.run_on_screen(depth, ini, "n")
            expected = line("S_CHECKING_FOR_DISP_COL", value) + line("S_ACTUAL", actual)
            if verdict:
                expected += line(verdict)
            self.assertIn(expected.replace("\n", "\r\n"), run.log, (depth, value))

    def test_silent_runs_pass_the_colour_check_over(self):
        ini = self.certified() + "[Windows-6.1-required]\nMIN_DISPLAY_COLORS=1e30\n"
        run = self.run_on_screen(8, ini, "s")
        self.assert_run(run, 0, self.CERTIFIED_LINES + line("S_PRE_REQREQ_PASSED") + "\n")

if __name__ == "__main__":
    unittest.main()

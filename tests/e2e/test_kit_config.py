"""Parameter file search, its log and console lines, settings read through
Windows' profile reader, and the Java runtime prompt, driven through kitprobe."""

import subprocess
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "programs" / "kitprobe"))
from kitprobe_driver import catalogue_text, install_probe, probe_values, unix_path  # noqa: E402
from winbed import BIN, WINE, WineTestCase, fresh_dir, run_windows, win_path

TIMESTAMP = "2005-10-20_08-52-00AM"


class ParameterFile(WineTestCase):
    def setUp(self):
        self.root = fresh_dir("kit_param")
        self.program_dir = self.root / "kit" / "install"
        self.probe = install_probe(self.program_dir)
        self.temp = self.root / "temp"

    def run_param(self, param_file="-", startup=None, extra=(), cwd=None):
        startup = startup or self.program_dir
        results = self.root / "results.txt"
        args = ['temp="%s"' % win_path(self.temp), 'out="%s"' % win_path(results), "param", TIMESTAMP,
                '"%s"' % param_file, '"%s"' % win_path(startup)] + list(extra)
        run = run_windows(self.probe, args, cwd=cwd)
        return run, probe_values(results.read_text())

    def log_of(self, values):
        return unix_path(values["log"]).read_text(encoding="utf-8")

    def test_file_beside_the_program_is_logged_but_not_shown(self):
        ini = self.program_dir / "velparam.ini"
        ini.write_text("[Velmor]\nbootstrap=yes\nKSI_LOCATION = \"C:\\ksi\"\n"
                       "[Other]\nINSTALL_CLASS=other.Main\n")
        (self.root / "kit" / "velparam.ini").write_text("[Velmor]\nBOOTSTRAP=TRUE\n")
        run, values = self.run_param()
        self.assertEqual(values["result"], "0")
        self.assertEqual(values["param"], win_path(ini))
        self.assertEqual(values["scratch"], win_path(self.temp / ("VelInstall" + TIMESTAMP)))
        self.assertEqual(values["startup"], win_path(self.program_dir))
        self.assertEqual(values["log"], values["scratch"] + "\\installActions" + TIMESTAMP + ".log")
        using = catalogue_text("S_USING_PARAMFILE", win_path(ini))
        self.assertEqual(self.log_of(values), using)
        self.assertNotIn(using[:30], run.console)
        self.assertEqual(values["BOOTSTRAP"], "y")
        self.assertEqual(values["KSI_LOCATION"], "C:\\ksi")
        self.assertEqual(values["installer_lib"], "C:\\ksi\\jlib")
        self.assertEqual(values["INSTALL_CLASS"], "velmor.setmgr.kta.ktac.KtacInstaller")
        self.assertEqual(values["KSI_CORE_LOCATION"], win_path(self.program_dir))
        self.assertEqual(values["NLS_ENABLED"], "TRUE")

    def test_missing_given_file_falls_back_to_the_parent_and_says_so(self):
        ini = self.root / "kit" / "velparam.ini"
        ini.write_text("[Velmor]\nDISTRIBUTION=TRUE\nBOOTSTRAP=FALSE\nKSI_VERSION=2.0\n")
        missing = win_path(self.root / "nowhere.ini")
        run, values = self.run_param(missing)
        self.assertEqual(values["result"], "0")
        used = win_path(ini)
        self.assertEqual(values["param"], used)
        lines = (catalogue_text("S_ERUSR_PARAMFILE_NOT_FOUND", missing) + catalogue_text("S_DEF_PARAMFILE", used))
        self.assertEqual(self.log_of(values), lines)
        self.assertIn(lines.replace("\n", ""), run.console.replace("\n", ""))  # the console wraps long lines
        self.assertEqual(values["distribution"], "1")
        self.assertEqual(values["BOOTSTRAP"], "TRUE")
        self.assertEqual(values["KSI_LOCATION"], "..\\stage\\Components\\velmor.swd.ksi\\2.0\\1\\DataFiles\\")

    def test_startup_location_is_searched_before_the_program_directory(self):
        startup = self.root / "medium" / "disk1"
        startup.mkdir(parents=True)
        (self.root / "medium" / "velparam.ini").write_text("[Velmor]\nJRE_LOCATION=D:\\from-medium\n")
        (self.program_dir / "velparam.ini").write_text("[Velmor]\nJRE_LOCATION=D:\\from-program\n")
        _, values = self.run_param(startup=startup)
        self.assertEqual(values["param"], win_path(self.root / "medium" / "velparam.ini"))
        self.assertEqual(values["JRE_LOCATION"], "D:\\from-medium")
        self.assertEqual(values["startup"], win_path(self.program_dir))  # the program's directory on return

        _, values = self.run_param(startup=startup, extra=['"D:\\given jre"'])
        self.assertEqual(values["JRE_LOCATION"], "D:\\given jre")
        self.assertEqual(values["java_bin"], "D:\\given jre\\bin")

    def test_relative_given_file_is_made_absolute(self):
        (self.root / "mine.ini").write_text("[Velmor]\nCOPY_THREADS=4\n")
        _, values = self.run_param("mine.ini", cwd=self.root)
        self.assertEqual(values["param"], win_path(self.root / "mine.ini"))
        self.assertEqual(values["COPY_THREADS"], "4")

    def test_no_parameter_file_anywhere(self):
        _, values = self.run_param()
        self.assertEqual(values["result"], "-2")


class RuntimePrompt(WineTestCase):
    """The prompt's reading, with typed lines coming through a pipe (a
    pseudo-terminal's Enter reaches Wine's console as a line feed)."""

    def setUp(self):
        self.root = fresh_dir("kit_prompt")
        (self.root / "jre" / "bin").mkdir(parents=True)
        (self.root / "jre" / "bin" / "java.exe").write_bytes(b"")
        (self.root / "javaw-only" / "bin").mkdir(parents=True)
        (self.root / "javaw-only" / "bin" / "javaw.exe").write_bytes(b"")

    def prompt(self, typed):
        done = subprocess.run([WINE, str(BIN / "kitprobe.exe"), "prompt"], input=typed.encode(),
                              capture_output=True, timeout=60)
        return probe_values(done.stdout.decode(errors="replace"))["jre"]

    def test_asks_again_until_a_runtime_is_named(self):
        typed = win_path(self.root / "jre") + "\\"
        lines = ["", win_path(self.root / "javaw-only"), "x" * 1100 + win_path(self.root / "jre"), typed]
        self.assertEqual(self.prompt("\r\n".join(lines) + "\r\n"), "[%s]" % typed)
        self.assertEqual(self.prompt(" %s\r\n%s\r\n" % (typed, typed)), "[%s]" % typed)  # untrimmed: not found

    def test_end_of_input_gives_up(self):
        self.assertEqual(self.prompt(""), "end of input")
        self.assertEqual(self.prompt("\r\nZ:\\nowhere\r\n"), "end of input")


if __name__ == "__main__":
    unittest.main()

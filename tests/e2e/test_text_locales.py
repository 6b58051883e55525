"""Text beyond ASCII as users of a German (ANSI code page 1252) and a Japanese
(932) Windows meet it: message boxes with catalogue texts, console lines with
paths, and the JNI library's files, registry values and environment."""

import os
import shutil
import subprocess
import unittest

import winbed
from kitfixture import Kit
from winbed import BIN, WineTestCase, fresh_dir, run_windows

LANGUAGES = {
    "de_DE.UTF-8": {
        "code_page": 1252,
        "caption": "Velmor \u00dcberpr\u00fcfung",
        "text": "Gr\u00fc\u00dfe an J\u00fcrgen: C:\\Daten\\M\u00fcller ist voll.",
        "directory": "M\u00fcller Gr\u00fc\u00dfe",
        "temp": "temp",
    },
    "ja_JP.UTF-8": {
        "code_page": 932,
        "caption": "\u30d9\u30eb\u30e2\u30a2 \u78ba\u8a8d",
        "text": "\u30a4\u30f3\u30b9\u30c8\u30fc\u30eb\u3092\u7d9a\u3051\u307e\u3059\u304b",
        "directory": "\u65e5\u672c\u8a9e\u306e\u30d5\u30a9\u30eb\u30c0",
        # The second bytes of these two characters in code page 932 are '|' and '\\'.
        "temp": "\u30dd\u8868",
    },
}
PLAIN = {"JRE_LOCATION": "jre", "BOOTSTRAP": "F"}


def linux_locales():
    """The Linux locales of both languages, made once under the test work
    directory: without them Wine writes the console in plain ASCII and keeps
    file names in no known character set."""
    root = winbed.WORK / "locales"
    for name in LANGUAGES:
        if not (root / name / "LC_CTYPE").exists():
            root.mkdir(parents=True, exist_ok=True)
            subprocess.run(["localedef", "-c", "-i", name.split(".")[0], "-f", "UTF-8", str(root / name)],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        if not (root / name / "LC_CTYPE").exists():
            raise RuntimeError("localedef could not make the locale %s (package locales missing?)" % name)
    return root


class TextInEachLanguage(WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.locales = linux_locales()

    def env(self, name):
        return {"LC_ALL": name, "LOCPATH": str(self.locales)}

    def test_message_boxes_show_catalogue_texts_as_written(self):
        for name, language in LANGUAGES.items():
            with self.subTest(name):
                directory = fresh_dir("text-boxes-" + name)
                shutil.copy(BIN / "catalogueprobe.exe", directory / "catalogueprobe.exe")
                (directory / "resource").mkdir()
                records = {"S_KSI": language["caption"], "S_ERR_REG_ACCESS": language["text"]}
                (directory / "resource" / "cons.nls").write_bytes(
                    b"".join(("%s=%s" % kv).encode("utf-8") + b"\0" for kv in records.items()))
                run = run_windows(directory / "catalogueprobe.exe", ["error:S_ERR_REG_ACCESS"], env=self.env(name))
                self.assertEqual(run.exit_code, 0)
                self.assertEqual(run.boxes, [(language["caption"], language["text"])])

    def test_console_lines_and_typed_answers_keep_their_characters(self):
        # The kit, a parameter file that is not there and TEMP all lie under
        # a directory named in the language; -debug shows the command line.
        # The test bed's own files stay at ASCII names: Wine's
        # GetEnvironmentVariableA cuts double-byte values short.
        for name, language in LANGUAGES.items():
            with self.subTest(name):
                base = fresh_dir("text-console-" + name)
                parent = base / language["directory"]
                kit = Kit("text-console", PLAIN, directory=parent / "kit")
                temp = parent / language["temp"]
                temp.mkdir()
                missing = winbed.win_path(parent) + "\\" + language["directory"] + ".ini"
                enters = base / "enters.txt"
                enters.write_bytes(b"\r\n" * 4)
                report = base / "report.txt"
                env = self.env(name)
                env.update({"VEL_STUB_REPORT": winbed.win_path(report), "VEL_STUB_EXIT": "0",
                            "VEL_SET_TEMP": winbed.win_path(temp), "VEL_SET_TMP": winbed.win_path(temp),
                            "VEL_RUN_STDIN": winbed.win_path(enters)})
                command = '"%s" -silent -debug -paramFile %s' % (winbed.win_path(kit.dir / "setup.exe"), missing)
                run = run_windows(BIN / "envrun.exe", raw_command_line=command, env=env, work=base / "runs")
                self.assertEqual(run.exit_code, 0, run.console)
                # The console wraps at 80 columns.
                console = run.console.replace("\n", "")
                self.assertIn("The parameter file %s was not found." % missing, console)
                self.assertIn(winbed.win_path(kit.dir / "velparam.ini") + " instead.", console)
                self.assertIn('-scratchPath "%s\\VelInstall' % winbed.win_path(temp), console)
                self.assertNotIn("\ufffd", console)
                # The installer was started from the same directory, named in the ANSI code page.
                self.assertTrue(report.exists())

                # A Java runtime typed at the prompt is found under its own name.
                (temp / "jre" / "bin").mkdir(parents=True)
                (temp / "jre" / "bin" / "java.exe").write_bytes(b"")
                answer = base / "answer.txt"
                run_windows(BIN / "kitprobe.exe", ["out=" + winbed.win_path(answer), "prompt"], env=self.env(name),
                            answers=[("java.exe", winbed.win_path(temp / "jre"))], work=base / "runs", timeout=60)
                self.assertEqual(answer.read_bytes().decode("cp%d" % language["code_page"]),
                                 "jre=[%s]\r\n" % winbed.win_path(temp / "jre"))

    def test_a_missing_prerequisite_location_is_named_as_written(self):
        name = "de_DE.UTF-8"
        base = fresh_dir("text-prereq-location")
        kit = Kit("text-prereq-location", PLAIN, directory=base / "kit")
        missing = winbed.win_path(base) + "\\" + LANGUAGES[name]["directory"].replace(" ", "")
        run = kit.run("-prereqChecker PREREQ_CONFIG_LOCATION=%s -silent" % missing, env=self.env(name))
        self.assertEqual(run.exit_code, 4294967295, run.console)
        self.assertIn("The prerequisite configuration location %s does not exist." % missing,
                      run.console.replace("\n", ""))

    def test_a_kit_under_a_name_the_code_page_lacks(self):
        # A Cyrillic user name on an English system: GetModuleFileNameA gives
        # "?" for its letters, the short form names the kit in ASCII. The test
        # bed's own files stay at ASCII names.
        base = fresh_dir("text-cyrillic")
        kit = Kit("text-cyrillic", PLAIN, directory=base / "\u0414\u043c\u0438\u0442\u0440\u0438\u0439" / "kit")
        report = base / "report.txt"
        env = {"VEL_STUB_REPORT": winbed.win_path(report), "VEL_STUB_EXIT": "0"}
        run = run_windows(kit.dir / "setup.exe", ["-silent"], env=env, work=base / "runs")
        self.assertEqual(run.exit_code, 0, run.console)
        self.assertEqual(run.boxes, [])
        self.assertTrue(report.exists())

        # Without its message files a box says where they were looked for.
        shutil.rmtree(kit.dir / "resource")
        run = run_windows(kit.dir / "setup.exe", env=env, work=base / "runs")
        self.assertEqual(run.exit_code, 1, run.console)
        self.assertEqual(run.boxes, [("Setup", "Setup could not read its message files (cons.nls).\n"
                                               "It looked for them in %s\\resource" % winbed.win_path(kit.dir))])

    def test_jni_library_keeps_names_registry_text_and_environment(self):
        for name, language in LANGUAGES.items():
            with self.subTest(name):
                env = dict(os.environ)
                env.update(self.env(name))
                env["VEL_EXPECT_CODE_PAGE"] = str(language["code_page"])
                result = subprocess.run([winbed.WINE, str(BIN / "nativesystem_wintest.exe"),
                                         "--gtest_filter=CodePage*"], cwd=BIN, env=env, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
                output = result.stdout.decode("utf-8", errors="replace")
                self.assertEqual(result.returncode, 0, output)
                self.assertIn("[  PASSED  ] 6 tests", output)


if __name__ == "__main__":
    unittest.main()

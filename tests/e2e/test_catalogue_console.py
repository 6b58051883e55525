"""Message catalogue loading and console and message-box output, through a
GUI-subsystem probe program that loads the catalogues beside itself the way
setup does."""

import shutil
import unittest

from winbed import BIN, WineTestCase, fresh_dir, run_windows

PROBE = "catalogueprobe.exe"
# Wine takes the user's locale from the Unix locale settings.
ENGLISH = {"LC_ALL": "C.UTF-8"}
GERMAN = {"LC_ALL": "de_DE.UTF-8"}
TITLE = b"\x1b]0;Velmor Kinsetup\x07"


def records(entries):
    return b"".join(("%s=%s" % kv).encode("utf-8") + b"\0" for kv in entries.items())


def probe_in(name, catalogues):
    """A copy of the probe in a directory of its own, with the given catalogue
    files ({file name: bytes or {key: text}}) in resource\\ beside it."""
    directory = fresh_dir("catalogue/" + name)
    shutil.copy(BIN / PROBE, directory / PROBE)
    if catalogues is not None:
        (directory / "resource").mkdir()
        for file_name, content in catalogues.items():
            data = content if isinstance(content, bytes) else records(content)
            (directory / "resource" / file_name).write_bytes(data)
    return directory / PROBE


class ShippedCatalogue(WineTestCase):
    def test_english_texts_console_geometry_and_streams(self):
        run = run_windows(BIN / PROBE, ["console", "geometry", "write:S_CHECKING_REQ_PREREQ", "write:S_KSI",
                                        "stdout:printed", "stderr:to-stderr"], env=ENGLISH)
        self.assertEqual(run.exit_code, 0)
        self.assertIn(TITLE, run.raw)
        self.assertEqual(run.console,
                         "buffer 80x2000 window 41 rows\nChecking the system requirements...\n"
                         "Velmor Kinsetupprinted\nto-stderr\n")

    def test_error_box_caption_is_the_ksi_text(self):
        run = run_windows(BIN / PROBE, ["error:S_ERR_REG_ACCESS"], env=ENGLISH)
        self.assertEqual(run.exit_code, 0)
        self.assertEqual(run.boxes, [(
            "Velmor Kinsetup",
            "Setup cannot write to the registry under HKEY_LOCAL_MACHINE\\Software.\n"
            "Start setup again as a user with administrative rights.\n")])

    def test_german_locale_takes_the_language_catalogue_first(self):
        run = run_windows(BIN / PROBE, ["console", "write:S_CHECKING_REQ_PREREQ", "write:S_WAITMSG",
                                        "error:S_ERVELPARAMNFD", "write:S_BOOTSTRAPMSG"], env=GERMAN)
        self.assertEqual(run.exit_code, 0)
        text = run.console
        # The terminal of this test bed has no German locale, so Wine writes
        # umlauts without their dots.
        self.assertIn("Die Systemvoraussetzungen werden gepruft", text)
        self.assertIn("Das kann einige Minuten dauern", text)
        # A key the German catalogue lacks comes from cons.nls.
        self.assertIn("Copying the installation files to", text)
        self.assertEqual(len(run.boxes), 1)
        caption, message = run.boxes[0]
        self.assertEqual(caption, "Velmor Kinsetup - Installation")
        self.assertTrue(message.startswith("Die Parameterdatei velparam.ini wurde nicht gefunden."), message)

    def test_silent_mode_writes_errors_to_the_console_and_prompts(self):
        run = run_windows(BIN / PROBE, ["console", "silent", "error:S_ERR_REG_ACCESS", "wait", "write:S_KSI"],
                          env=ENGLISH, answers=[("Press Enter to exit.", "")])
        self.assertEqual(run.exit_code, 0)
        self.assertEqual(run.boxes, [])
        text = run.console
        self.assertIn("Setup cannot write to the registry", text)
        self.assertIn("Press Enter to exit.", text)
        self.assertTrue(text.rstrip().endswith("Velmor Kinsetup"), text)

    def test_enter_prompt_returns_at_end_of_input(self):
        run = run_windows(BIN / PROBE, ["console", "silent", "wait", "write:S_KSI"], env=ENGLISH,
                          answers=[("Press Enter to exit.", None)], timeout=60)
        self.assertFalse(run.timed_out)
        self.assertEqual(run.exit_code, 0)
        self.assertTrue(run.console.rstrip().endswith("Velmor Kinsetup"))


class FixtureCatalogues(WineTestCase):
    def test_precedence_full_locale_then_language_then_general(self):
        probe = probe_in("precedence", {
            "cons_de_DE.nls": {"S_A": "A from de_DE|", "S_A2": "ignored"},
            "cons_de.nls": {"S_A": "A from de|", "S_B": "B from de|"},
            "cons.nls": {"S_A": "A general|", "S_B": "B general|", "S_C": "C general|"},
        })
        run = run_windows(probe, ["console", "write:S_A", "write:S_B", "write:S_C", "write:S_NONE"], env=GERMAN)
        self.assertEqual(run.exit_code, 0)
        # Texts follow each other with nothing between them: no terminator shows.
        self.assertEqual(run.console, "A from de_DE|B from de|C general|S_NONE")

    def test_only_a_language_catalogue_is_enough(self):
        probe = probe_in("language-only", {"cons_de.nls": {"S_A": "nur Deutsch"}})
        run = run_windows(probe, ["console", "write:S_A"], env=GERMAN)
        self.assertEqual(run.exit_code, 0)
        self.assertEqual(run.console, "nur Deutsch")

    def test_missing_catalogue_ends_with_code_1_and_the_fixed_text(self):
        for name, catalogues in (("none", None), ("other-language", {"cons_fr.nls": {"S_A": "fr"}})):
            probe = probe_in("missing-" + name, catalogues)
            run = run_windows(probe, ["console", "write:S_A"], env=ENGLISH)
            self.assertEqual(run.exit_code, 1, name)
            self.assertEqual(run.console, "\nERROR: Could not read any NLS message catalogue!\n", name)

    def test_malformed_records_are_reported_and_skipped(self):
        probe = probe_in("malformed", {"cons.nls": b"S_A=first\0no equals sign\0\0S_A=second\0S_B=b\0S_TAIL=x"})
        run = run_windows(probe, ["console", "write:S_A", "write:S_B", "write:S_TAIL"], env=ENGLISH)
        self.assertEqual(run.exit_code, 0)
        self.assertEqual(run.console,
                         "WARNING: Ignoring malformed message \"no equals sign\" in catalogue!\n"
                         "WARNING: Ignoring malformed message \"\" in catalogue!\n"
                         "firstbS_TAIL")

    def test_utf8_texts_show_as_written_and_overlong_texts_not_at_all(self):
        probe = probe_in("utf8", {"cons.nls": {"S_UTF8": "Grüße, Ελληνικά, 日本語\n", "S_KSI": "Kinsetup"}})
        run = run_windows(probe, ["console", "write:S_UTF8", "write:S_KSI", "long:1500", "write:S_KSI", "long:1023",
                                  "write:S_KSI", "long:1022", "write:S_KSI"], env=ENGLISH)
        self.assertEqual(run.exit_code, 0)
        # Nothing between the first three captions: the 1500 and the 1023
        # letters were not written. (Wine redraws wrapped lines, so the
        # letters of the 1022 cannot be counted on the terminal.)
        text = run.console.replace("\n", "")
        self.assertTrue(text.startswith("Grüße, Ελληνικά, 日本語KinsetupKinsetupKinsetup"), text)
        self.assertTrue(text.endswith("L" * 80 + "Kinsetup"), text[-200:])

if __name__ == "__main__":
    unittest.main()

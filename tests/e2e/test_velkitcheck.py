"""velkitcheck.exe on the sample kit, laid out as the demo lays it out, and
on a starter kit it writes."""

import shutil
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "kit"))
from demo import lay_out_kit  # noqa: E402
from winbed import BIN, DIST, WineTestCase, fresh_dir, run_windows, win_path  # noqa: E402

RELATIVE_RUNTIME = "JRE_LOCATION=jre is relative"


def console_text(run):
    # The console wraps long lines.
    return run.console.replace("\n", "")


class KitChecker(WineTestCase):
    def test_the_sample_kit_has_only_its_relative_runtime(self):
        kit = fresh_dir("velkitcheck") / "sample-kit"
        lay_out_kit(kit)
        run = run_windows(DIST / "velkitcheck.exe", ['"%s"' % win_path(kit)])
        text = console_text(run)
        self.assertIn(RELATIVE_RUNTIME, text)
        self.assertTrue(text.endswith("velkitcheck: %s: 0 error(s), 0 warning(s), 1 note(s)" % win_path(kit)), text)
        self.assertEqual(run.exit_code, 0)

    def test_a_starter_kit_holds_the_launcher_and_needs_only_its_runtime(self):
        kit = fresh_dir("velkitcheck-init") / "new-kit"
        run = run_windows(DIST / "velkitcheck.exe", ["--init", '"%s"' % win_path(kit)])
        self.assertEqual(run.exit_code, 0, run.console)
        self.assertEqual((kit / "setup.exe").read_bytes(), (DIST / "setup.exe").read_bytes())
        self.assertNotIn("setup.exe: the launcher", console_text(run))

        (kit / "jre" / "bin").mkdir()
        for program in ("java.exe", "javaw.exe"):
            shutil.copy2(BIN / program, kit / "jre" / "bin" / program)
        run = run_windows(DIST / "velkitcheck.exe", ['"%s"' % win_path(kit)])
        text = console_text(run)
        self.assertIn(RELATIVE_RUNTIME, text)
        self.assertTrue(text.endswith("velkitcheck: %s: 0 error(s), 0 warning(s), 1 note(s)" % win_path(kit)), text)
        self.assertEqual(run.exit_code, 0)

        again = run_windows(DIST / "velkitcheck.exe", ["--init", '"%s"' % win_path(kit)])
        self.assertEqual(again.exit_code, 1)


if __name__ == "__main__":
    unittest.main()

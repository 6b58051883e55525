"""velkitcheck.exe on the sample kit, laid out as the demo lays it out."""

import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "kit"))
from demo import lay_out_kit  # noqa: E402
from winbed import DIST, WineTestCase, fresh_dir, run_windows, win_path  # noqa: E402


class KitChecker(WineTestCase):
    def test_the_sample_kit_checks_clean_even_when_strict(self):
        kit = fresh_dir("velkitcheck") / "sample-kit"
        lay_out_kit(kit)
        run = run_windows(DIST / "velkitcheck.exe", ["--strict", '"%s"' % win_path(kit)])
        # The console wraps long lines: no finding, only the summary line.
        summary = "velkitcheck: %s: 0 error(s), 0 warning(s)" % win_path(kit)
        self.assertEqual(run.console.replace("\n", "").strip(), summary)
        self.assertEqual(run.exit_code, 0)


if __name__ == "__main__":
    unittest.main()

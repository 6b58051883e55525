"""velnodm10's service start against a service that never leaves its
start-pending state (tests/bench/pendingsvc: it keeps raising its check point
but never runs). The caller must get an answer in bounded time, and the test
service is removed again whatever happened."""

import os
import unittest

import winbed

# How long a caller may reasonably be kept waiting for a start that never ends.
BOUND_SECONDS = 60


class PendingService(winbed.WineTestCase):
    @unittest.skipUnless(os.environ.get("VEL_KNOWN_FAULTS"), "known fault, run with VEL_KNOWN_FAULTS=1")
    def test_start_of_a_service_that_stays_pending_ends_in_bounded_time(self):
        # The start wait follows the growing check point without a bound of its
        # own, so ntStartService never returns for this service.
        run = winbed.run_windows(winbed.BIN / "svcfault.exe",
                                 args=['"%s"' % winbed.win_path(winbed.BIN / "pendingsvc.exe"), str(BOUND_SECONDS)],
                                 timeout=BOUND_SECONDS + 60, work=winbed.WORK / "faults-service")
        self.assertFalse(run.timed_out, run.console)
        self.assertIn("removed", run.console)
        self.assertNotIn("hung", run.console)
        self.assertRegex(run.console, r"returned 0\|")


if __name__ == "__main__":
    unittest.main()

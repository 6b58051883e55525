"""velnodm10's service start against a service that never leaves its
start-pending state (tests/programs/pendingsvc: it keeps raising its check point
but never runs). The start gives up at its wait ceiling with error 1053, and
the test service is removed again whatever happened. The ceiling is minutes in
the library; svcfault runs the same start worker with one of a few seconds, and
the minutes themselves are checked by the unit tests of the wait."""

import re
import unittest

import winbed

CEILING_SECONDS = 5
# The ceiling, one more status read (at most ten seconds later) and slack.
BOUND_SECONDS = CEILING_SECONDS + 25


class PendingService(winbed.WineTestCase):
    def test_start_of_a_service_that_stays_pending_ends_at_the_ceiling(self):
        run = winbed.run_windows(winbed.BIN / "svcfault.exe",
                                 args=['"%s"' % winbed.win_path(winbed.BIN / "pendingsvc.exe"), str(BOUND_SECONDS),
                                       str(CEILING_SECONDS)],
                                 timeout=BOUND_SECONDS + 60, work=winbed.WORK / "faults-service")
        self.assertFalse(run.timed_out, run.console)
        self.assertIn("removed", run.console)
        self.assertNotIn("hung", run.console)
        # 1053: the service did not respond in a timely fashion.
        returned = re.search(r"returned 0\|1053 (\d+)", run.console)
        self.assertIsNotNone(returned, run.console)
        self.assertGreaterEqual(int(returned.group(1)), CEILING_SECONDS * 1000)


if __name__ == "__main__":
    unittest.main()

"""Staging under faults: a volume with too little free space, a file that
cannot be read halfway through the copy, paths at the tree walk's limit, and a
kit tree of 2,000 directories staged whole and removed whole."""

import os
import shutil
import subprocess
import unittest

import winbed
from kitfixture import Kit
from test_faults import ENTER_TEXT, FaultChecks, Tmpfs, bootstrap_settings, run_kit, scratch_left


class StagingFaults(FaultChecks, winbed.WineTestCase):
    # -- staging -----------------------------------------------------------------

    def test_staging_onto_a_volume_with_too_little_space_fails_and_cleans_up(self):
        kit = Kit("faults-space")
        volume = Tmpfs(kit.temp / "small", size="2m")
        self.addCleanup(volume.close)
        self.assertTrue(volume.mounted, "a small tmpfs volume could not be mounted (the tests run as root)")
        kit.write_params(bootstrap_settings(kit, BOOTSTRAP_SIZE="50"))
        temp = winbed.win_path(volume.path)
        run = run_kit(kit, "-silent -waitForCompletion", temp=temp)
        self.assertEnded(run, -1)
        self.assertShown("could not be copied to %s\\VelInstall" % temp, run)
        self.assertShown("at least 50 MB of free space", run)
        self.assertIn(ENTER_TEXT, run.console)
        self.assertIsNone(kit.report())
        self.assertEqual(scratch_left(volume.path), [])

    def test_a_file_that_cannot_be_read_stops_the_copy_and_the_run(self):
        kit = Kit("faults-unreadable")
        kit.write_params(bootstrap_settings(kit, WAIT_FOR_COMPLETION="T"))
        jlib = kit.dir / "ksi" / "jlib"
        for i in range(20):
            (jlib / ("part%02d.jar" % i)).write_bytes(os.urandom(4096))
        locked = jlib / "part10.jar"
        stop = kit.dir.parent / "faults-unreadable-stop"
        stop.unlink(missing_ok=True)
        holder = subprocess.Popen([winbed.WINE, str(winbed.BIN / "holdfile.exe"), winbed.win_path(locked), "300",
                                   winbed.win_path(stop)], stdout=subprocess.PIPE, stdin=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        try:
            self.assertEqual(holder.stdout.readline().strip(), b"held")
            run = run_kit(kit, "-silent")
        finally:
            stop.touch()
            holder.wait(timeout=60)
            holder.stdout.close()
        self.assertEnded(run, -1)
        self.assertShown("The installation files could not be copied to", run)
        self.assertIn(ENTER_TEXT, run.console)
        self.assertIsNone(kit.report())
        self.assertEqual(scratch_left(kit.temp), [])

    def test_two_thousand_directories_are_staged_whole_and_removed_whole(self):
        kit = Kit("faults-big-tree")
        settings = bootstrap_settings(kit)
        ksi = kit.dir / "ksi"
        for group in range(40):
            for leaf in range(50):
                leaf_dir = ksi / ("g%02d" % group) / ("d%02d" % leaf)
                leaf_dir.mkdir(parents=True)
                (leaf_dir / "f.txt").write_bytes(b"%d %d" % (group, leaf))
        source_dirs = sum(1 for p in ksi.rglob("*") if p.is_dir())
        self.assertGreaterEqual(source_dirs, 2000)
        kit.write_params(settings)

        # Without waiting the scratch copy stays for the installer: it must be whole.
        # (Not silent: javaw.exe starts, which writes nothing into setup's console.)
        run = run_kit(kit, "", timeout=600)
        self.assertNoCrash(run)
        self.assertIn(run.exit_code, (0, 259), run.console)
        self.assertEqual(run.boxes, [])
        left = [kit.temp / name for name in scratch_left(kit.temp)]
        self.assertEqual(len(left), 1, run.console)
        staged = left[0] / "ksi"
        self.assertEqual(sum(1 for p in staged.rglob("*") if p.is_dir()), source_dirs)
        self.assertEqual(sum(1 for p in staged.rglob("f.txt")), 2000)
        self.assertIsNotNone(kit.report(wait_seconds=30))
        shutil.rmtree(left[0])

        # Waiting, the whole scratch tree goes again.
        run = run_kit(kit, "-silent -waitForCompletion", timeout=600)
        self.assertEnded(run, 0)
        self.assertIsNotNone(kit.report())
        self.assertEqual(scratch_left(kit.temp), [])

    def test_staged_paths_up_to_the_walk_limit_are_copied_and_longer_ones_refused(self):
        for over in (False, True):
            kit = Kit("faults-walk-limit")
            settings = bootstrap_settings(kit, WAIT_FOR_COMPLETION="T")
            kit.write_params(settings)
            # The longest target: temp\VelInstall<21-character timestamp>\ksi\d\<name>.
            target_root = len(winbed.win_path(kit.temp)) + len("\\VelInstall") + 21 + len("\\ksi\\d\\")
            name_length = 259 - target_root + (2 if over else 0)
            (kit.dir / "ksi" / "d").mkdir()
            (kit.dir / "ksi" / "d" / ("n" * name_length)).write_bytes(b"long")
            run = run_kit(kit, "-silent")
            with self.subTest(over=over):
                if over:
                    self.assertEnded(run, -1)
                    self.assertShown("The installation files could not be copied to", run)
                    self.assertIsNone(kit.report())
                else:
                    self.assertEnded(run, 0)
                    self.assertIsNotNone(kit.report())
                self.assertEqual(scratch_left(kit.temp), [])


if __name__ == "__main__":
    unittest.main()

"""Staging under faults: a volume with too little free space, a file that
cannot be read halfway through the copy, paths at the tree walk's limit, a
directory too deep to be listed, a name the code page lacks, and a kit tree of
2,000 directories staged whole and removed whole."""

import os
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

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

    def test_a_directory_too_deep_to_be_listed_fails_the_staging(self):
        # Its listing pattern dir\*.* does not fit MAX_PATH. The scratch
        # directory lies higher than the kit, so that the copy's target fits.
        root = Path(tempfile.mkdtemp(prefix="vs", dir="/tmp"))
        self.addCleanup(shutil.rmtree, root, ignore_errors=True)
        kit = Kit("faults-deep", directory=root / ("k" * 60))
        kit.write_params(bootstrap_settings(kit, WAIT_FOR_COMPLETION="T"))
        deep = kit.dir / "ksi"
        while len(winbed.win_path(deep)) < 200:
            deep = deep / ("d" * 50)
        deep = deep / ("e" * (255 - len(winbed.win_path(deep))))
        self.assertEqual(len(winbed.win_path(deep)), 256)
        deep.mkdir(parents=True)
        (deep / "f").write_bytes(b"deep")
        temp = root / "t"
        temp.mkdir()
        run = run_kit(kit, "-silent", temp=winbed.win_path(temp))
        self.assertEnded(run, -1)
        self.assertShown("The installation files could not be copied to", run)
        self.assertIsNone(kit.report())
        self.assertEqual(scratch_left(temp), [])

    def test_a_name_the_code_page_lacks_is_staged_and_removed_inside_the_trees(self):
        # U+FF3C has no form in code page 1252: an ANSI listing names the
        # directory "..\..\<keep>", beside the kit and beside the scratch directory.
        kit = Kit("faults-lookalike")
        keep = "faults-lookalike-keep"
        name = "..\uff3c..\uff3c" + keep
        (kit.dir / "ksi" / name).mkdir(parents=True)
        (kit.dir / "ksi" / name / "inside.txt").write_text("the kit's own")
        beside_kit = kit.dir.parent / keep
        shutil.rmtree(beside_kit, ignore_errors=True)
        beside_kit.mkdir()
        (beside_kit / "secret.txt").write_text("not the kit's")
        self.addCleanup(shutil.rmtree, beside_kit, ignore_errors=True)
        beside_scratch = kit.temp / keep
        beside_scratch.mkdir()
        (beside_scratch / "victim.txt").write_text("the user's")

        # Without waiting the staged copy stays for the installer.
        kit.write_params(bootstrap_settings(kit))
        run = run_kit(kit, "")
        self.assertNoCrash(run)
        self.assertIn(run.exit_code, (0, 259), run.console)
        self.assertIsNotNone(kit.report(wait_seconds=30))
        left = [kit.temp / found for found in scratch_left(kit.temp)]
        self.assertEqual(len(left), 1, run.console)
        self.assertEqual(sorted(p.name for p in beside_scratch.iterdir()), ["victim.txt"])
        self.assertEqual((left[0] / "ksi" / name / "inside.txt").read_text(), "the kit's own")
        shutil.rmtree(left[0])

        # Waiting, the removal takes the scratch tree and nothing beside it.
        kit.write_params(bootstrap_settings(kit, WAIT_FOR_COMPLETION="T"))
        run = run_kit(kit, "-silent")
        self.assertEnded(run, 0)
        self.assertIsNotNone(kit.report())
        self.assertEqual(scratch_left(kit.temp), [])
        self.assertEqual((beside_scratch / "victim.txt").read_text(), "the user's")
        self.assertEqual(sorted(p.name for p in beside_kit.iterdir()), ["secret.txt"])


if __name__ == "__main__":
    unittest.main()

"""Distribution-mode staging: the kit's archives expanded into the scratch
directory by the test unzip program, and the removal of a scratch tree, both
driven through kitprobe."""

import os
import shutil
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "programs" / "kitprobe"))
from kitprobe_driver import catalogue_text, probe_values  # noqa: E402
from winbed import BIN, WineTestCase, fresh_dir, run_windows, win_path

STAGED, FAILED = "10", "30"


def make_jar(path, entries):
    """entries: name -> bytes (deflated), or None for a directory entry."""
    path.parent.mkdir(parents=True, exist_ok=True)
    with zipfile.ZipFile(path, "w") as jar:
        for name, content in entries.items():
            if content is None:
                jar.writestr(name, b"")
            else:
                jar.writestr(name, content, compress_type=zipfile.ZIP_DEFLATED)


class DistributionStaging(WineTestCase):
    def setUp(self):
        # The unzip command line has room for 259 characters: a short root
        # keeps these cases apart from the depth of the checkout.
        self.root = Path(tempfile.mkdtemp(prefix="vs", dir="/tmp"))
        self.addCleanup(shutil.rmtree, self.root, ignore_errors=True)
        self.unzip = self.root / "bin"
        self.unzip.mkdir()
        shutil.copy(BIN / "unzip.exe", self.unzip / "unzip.exe")
        self.disk = self.root / "Disk 1"  # a medium's label with a blank
        make_jar(self.disk / "jre" / "jre.jar", {"jre/1.3.1/bin/java.exe": b"MZ" * 300,
                                                  "jre/1.3.1/lib/rt.jar": b"rt" * 2000})
        (self.disk / "jre" / "Expanded" / "extra").mkdir(parents=True)
        (self.disk / "jre" / "Expanded" / "extra" / "readme.txt").write_text("expanded")
        make_jar(self.disk / "ksi" / "ksi.jar", {"ksi/": None, "ksi/jlib/installer.jar": b"installer"})
        make_jar(self.disk / "core" / "core.jar", {"ksi/jlib/core.jar": b"core"})
        with zipfile.ZipFile(self.disk / "core" / "native.jar", "w") as jar:
            jar.writestr("ksi/lib/win32/native.dll", b"native", compress_type=zipfile.ZIP_STORED)
        (self.root / "kit" / "images").mkdir(parents=True)
        (self.root / "kit" / "images" / "logo.gif").write_bytes(b"GIF89a")
        (self.root / "kit" / "prereq").mkdir()
        (self.root / "kit" / "prereq" / "refhost.xml").write_text("<x/>")
        self.scratch = self.root / "scratch"
        self.scratch.mkdir()
        self.results = self.root / "results.txt"

    def stage(self, installer, core, runtime, version="", copy_runtime=True, cwd=None):
        values = [self.scratch, installer, core, runtime, version, self.root / "kit" / "images",
                  self.root / "kit" / "prereq", self.unzip, "1024", "1", "1" if copy_runtime else "0"]
        args = ['out="%s"' % win_path(self.results), "stage"]
        for value in values:
            text = win_path(value) if isinstance(value, Path) else value
            # Backslashes before a closing quotation mark are doubled, as Windows' argument rules want.
            args.append('"%s"' % (text + "\\" if text.endswith("\\") else text))
        run = run_windows(BIN / "kitprobe.exe", args, cwd=cwd)
        return run, probe_values(self.results.read_text())

    def test_archives_under_a_directory_with_a_blank(self):
        _, values = self.stage(self.disk / "ksi", self.disk / "core", self.disk / "jre")
        self.assertEqual(values["result"], STAGED)
        scratch = win_path(self.scratch)
        self.assertEqual(values["runtime"], scratch + "\\jre\\1.3.1")
        self.assertEqual(values["installer"], scratch + "\\ksi")
        self.assertEqual(values["core"], scratch + "\\ksi")
        self.assertEqual(values["images"], scratch + "\\images")
        self.assertEqual(values["prereq"], scratch + "\\prereq")
        self.assertEqual((self.scratch / "jre/1.3.1/lib/rt.jar").read_bytes(), b"rt" * 2000)
        self.assertEqual((self.scratch / "ksi/jlib/installer.jar").read_bytes(), b"installer")
        self.assertEqual((self.scratch / "ksi/jlib/core.jar").read_bytes(), b"core")
        self.assertEqual((self.scratch / "ksi/lib/win32/native.dll").read_bytes(), b"native")
        self.assertTrue((self.scratch / "images/logo.gif").exists())
        self.assertTrue((self.scratch / "prereq/refhost.xml").exists())

    def test_relative_medium_layout_and_versioned_runtime(self):
        data = self.root / "stage" / "Components" / "velmor.swd.ksi" / "1.7.0.0.0" / "1" / "DataFiles"
        make_jar(data / "ksi.jar", {"ksi/jlib/installer.jar": b"installer"})
        install = self.root / "install"
        install.mkdir()
        relative = "..\\stage\\Components\\velmor.swd.ksi\\1.7.0.0.0\\1\\DataFiles\\"
        _, values = self.stage(relative, self.disk / "core", self.disk / "jre", version="1.3.1_02", cwd=install)
        self.assertEqual(values["result"], STAGED)
        self.assertEqual((self.scratch / "ksi/jlib/installer.jar").read_bytes(), b"installer")
        self.assertEqual((self.scratch / "jre/1.3.1_02/extra/readme.txt").read_text(), "expanded")

    def test_runtime_used_where_it_is(self):
        _, values = self.stage(self.disk / "ksi", self.disk / "core", self.disk / "jre", copy_runtime=False)
        self.assertEqual(values["result"], STAGED)
        self.assertEqual(values["runtime"], win_path(self.disk / "jre"))
        self.assertFalse((self.scratch / "jre").exists())

    def test_failures(self):
        make_jar(self.root / "nojre" / "other.jar", {"other/file.txt": b"x"})
        run, values = self.stage(self.disk / "ksi", self.disk / "core", self.root / "nojre")
        self.assertEqual(values["result"], FAILED)
        self.assertIn(catalogue_text("S_ERJRE_MISSING").strip(), run.console)

        (self.root / "damaged").mkdir()
        (self.root / "damaged" / "broken.jar").write_bytes(b"PK\x03\x04 not really an archive")
        _, values = self.stage(self.root / "damaged", self.disk / "core", self.disk / "jre")
        self.assertEqual(values["result"], FAILED)
        self.assertEqual(values["installer"], win_path(self.root / "damaged"))


class TreeRemoval(WineTestCase):
    def test_links_read_only_files_and_overlong_entries(self):
        root = fresh_dir("kit_remove")
        tree = root / "tree"
        (tree / "a" / "b" / "c").mkdir(parents=True)
        (tree / "a" / "b" / "c" / "deep.txt").write_text("deep")
        (tree / "a" / "side.txt").write_text("side")
        (tree / "empty").mkdir()
        locked = tree / "a" / "b" / "locked.txt"
        locked.write_text("read-only")
        locked.chmod(0o444)
        outside = root / "outside"
        outside.mkdir()
        (outside / "kept.txt").write_text("not ours")
        os.symlink(outside, tree / "a" / "link")

        # A file whose Windows path is too long is left alone, its neighbours are not.
        deep = tree / "long"
        while len(win_path(deep)) < 240:
            deep = deep / "dddddddd"
        deep.mkdir(parents=True)
        name = "x" * (260 - len(win_path(deep)))
        (deep / name).write_text("too long")
        (deep / "fits.txt").write_text("fits")

        run = run_windows(BIN / "kitprobe.exe", ["remove", '"%s"' % win_path(tree)])
        self.assertEqual(run.exit_code, 0, run.console)
        self.assertEqual((outside / "kept.txt").read_text(), "not ours")
        # Windows unlinks a linked directory; Wine's RemoveDirectoryA cannot, so
        # the link and its parent stay here, the link's target untouched.
        self.assertEqual(sorted(p.name for p in tree.iterdir()), ["a", "long"])
        self.assertEqual([p.name for p in (tree / "a").iterdir()], ["link"])
        self.assertEqual([p.name for p in deep.iterdir()], [name])


if __name__ == "__main__":
    unittest.main()

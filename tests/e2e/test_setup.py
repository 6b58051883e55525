"""setup.exe end to end on kits that run in place: the installer's command line
as the Java runtime receives it, the choice of java.exe or javaw.exe, the
guards and the exit codes."""

import unittest

import winbed
from kitfixture import Kit, unix_of
from setup_texts import flat, text

FAILED = 4294967295           # -1 as the process exit code
NO_PARAMETER_FILE = 4294967294  # -2
CAPTION = text("S_KSI")


def classpath(scratch, core, archives, thin="thindrv12.jar"):
    entries = [scratch] + [core + "\\" + jar for jar in (
        "VelInstaller.jar", "quickpath.jar", "docreader2.jar", "nodm.jar", "common.jar", "VelInstallerNet.jar")]
    entries += [archives + "\\" + jar for jar in (
        "KitGraphics.jar", "KitGuide.jar", "velmor_ice.jar", "assist4.jar", "assist4-nls.jar", "gwk3.jar",
        "gwk3-swingaccess.jar", "gwk3-nls.jar", "swingaccess.jar", thin)]
    entries += [archives + "\\" + jar for jar in ("syscheck.jar", "jgwk4.jar", "jgwk4-nls.jar")]
    return '"' + ";".join(entries) + '"'


def argument_after(report, name):
    return report.arguments[report.arguments.index(name) + 1]


class PlainKit(winbed.WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.kit = Kit("plain")
        cls.k = cls.kit.win
        cls.base = {"JRE_LOCATION": cls.k + "\\jre"}
        cls.kit.write_params(cls.base)

    def setUp(self):
        self.kit.write_params(self.base)

    def with_params(self, **settings):
        self.kit.write_params(dict(self.base, **settings))

    def test_plain_run_hands_over_the_exact_command_line_and_returns_the_exit_code(self):
        run = self.kit.run("", exit_code=5)
        self.assertEqual(run.exit_code, 5, run.console)
        self.assertEqual(run.boxes, [])
        self.assertIn(text("S_STARTINSTALLERMSG", "Kinsetup"), run.console)
        report = self.kit.report()
        k = self.k
        scratch = argument_after(report, "-scratchPath")
        timestamp = argument_after(report, "-timestamp")
        self.assertTrue(scratch.endswith("\\VelInstall" + timestamp), scratch)
        self.assertRegex(timestamp, r"^\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d[AP]M$")
        items = ['"%s\\jre\\bin\\javaw.exe" ' % k,
                 '-Dvelmor.installer.library_loc="%s\\lib\\win32"' % k,
                 # The program's directory joined with KSI_CORE_LOCATION,
                 # whose default is that directory again.
                 '-Dvelmor.installer.ksi_loc="%s\\%s"' % (k, k),
                 "-Dvelmor.installer.bootstrap=FALSE",
                 '-Dvelmor.installer.startup_location="%s"' % k,
                 '-Dvelmor.installer.jre_loc="..\\..\\jre"',
                 '-Dvelmor.installer.exec_location="%s\\setup.exe" ' % k,
                 '-Dvelmor.installer.nlsEnabled="TRUE" ',
                 '-Dvelmor.installer.prereqConfigLoc="" ',
                 "-cp", classpath(scratch, k + "\\jlib", k + "\\jlib"),
                 "velmor.setmgr.kta.ktac.KtacInstaller",
                 "-scratchPath", '"%s" ' % scratch, "-sourceType", "network", "-timestamp", timestamp, ""]
        self.assertEqual(report.command_line, "".join(item + " " for item in items))
        # What the Java runtime receives, split by the C runtime's rules.
        self.assertEqual(report.argv, [
            "%s\\jre\\bin\\javaw.exe" % k, "-Dvelmor.installer.library_loc=%s\\lib\\win32" % k,
            "-Dvelmor.installer.ksi_loc=%s\\%s" % (k, k), "-Dvelmor.installer.bootstrap=FALSE",
            "-Dvelmor.installer.startup_location=%s" % k, "-Dvelmor.installer.jre_loc=..\\..\\jre",
            "-Dvelmor.installer.exec_location=%s\\setup.exe" % k, "-Dvelmor.installer.nlsEnabled=TRUE",
            "-Dvelmor.installer.prereqConfigLoc=", "-cp", classpath(scratch, k + "\\jlib", k + "\\jlib")[1:-1],
            "velmor.setmgr.kta.ktac.KtacInstaller", "-scratchPath", scratch, "-sourceType", "network",
            "-timestamp", timestamp])
        # A waited run removes its scratch directory.
        self.assertFalse(unix_of(scratch).exists())
        self.assertEqual(self.kit.new_scratch_directories(), [])

    def test_silent_run_with_jvm_and_kit_options(self):
        self.with_params(JRE_MEMORY_OPTIONS="-mx150m -Dfile.encoding=UTF-8", COPY_THREADS="4",
                         ADDTO_CLASSPATH="a.jar;b.jar", SOURCE="..\\stage\\products.xml", JRE_OSDPARAM="-Xss2m -Xrs")
        run = self.kit.run("-silent -J-Dtrace=on")
        self.assertEqual(run.exit_code, 0, run.console)
        report = self.kit.report()
        line = report.command_line
        scratch = argument_after(report, "-scratchPath")
        self.assertTrue(line.startswith('"%s\\jre\\bin\\java.exe"  -Xss2m -Xrs -Dvelmor.installer.library_loc=' % self.k))
        self.assertIn('-Dvelmor.installer.jre_loc="..\\..\\jre" -Dvelmor.installer.copythreads=4  '
                      '-Dvelmor.installer.exec_location=', line)
        self.assertIn('-Dvelmor.installer.prereqConfigLoc=""  -Dtrace=on -mx150m -Dfile.encoding=UTF-8 -cp "', line)
        self.assertIn(";%s\\jlib\\thindrv12.jar;%s\\a.jar;%s\\b.jar;%s\\jlib\\syscheck.jar;"
                      % (self.k, scratch, scratch, self.k), line)
        self.assertIn(' -sourceLoc "%s\\..\\stage\\products.xml"  -sourceType network ' % self.k, line)
        # The installer gets the command line without the -J part.
        self.assertTrue(line.endswith(" -silent  "), line[-40:])
        self.assertEqual(report.properties["file.encoding"], "UTF-8")
        self.assertEqual(report.properties["trace"], "on")

    def test_values_ending_in_a_backslash_reach_java_intact(self):
        # A quoted memory option stays one argument; a location ends at the
        # next blank; a trailing backslash does not swallow a closing mark.
        self.with_params(SOURCE="C:\\stage\\", JRE_MEMORY_OPTIONS='"-Djava.io.tmpdir=C:\\My Temp\\" -mx64m')
        pre = winbed.win_path(winbed.fresh_dir("plain-pre"))
        tail = "-prereqChecker PREREQ_CONFIG_LOCATION=%s\\ -silent" % pre
        run = self.kit.run(tail)
        self.assertEqual(run.exit_code, 0, run.console)
        report = self.kit.report()
        argv = report.argv
        self.assertEqual(argv[8], "-Dvelmor.installer.prereqConfigLoc=%s\\" % pre)
        scratch = argument_after(report, "-scratchPath")
        self.assertEqual(argv[9:13], ["-Djava.io.tmpdir=C:\\My Temp\\", "-mx64m", "-cp",
                                      classpath(scratch, self.k + "\\jlib", self.k + "\\jlib")[1:-1]])
        self.assertEqual(argv[13:], ["velmor.setmgr.ktp.ktpc.ktpcc.KtpccPrereqApp", "-scratchPath", scratch,
                                     "-sourceLoc", "C:\\stage\\", "-sourceType", "network", "-timestamp",
                                     argument_after(report, "-timestamp"),
                                     "-prereqChecker", "PREREQ_CONFIG_LOCATION=%s\\" % pre, "-silent"])
        # The command line itself: doubled backslashes only before a closing mark.
        line = report.command_line
        self.assertIn(' "-Djava.io.tmpdir=C:\\My Temp\\\\" -mx64m -cp ', line)
        self.assertIn(' -sourceLoc "C:\\stage\\\\"  -sourceType ', line)
        self.assertTrue(line.endswith(" " + tail + " "))

    def test_a_whole_value_in_quotes_stays_one_java_option(self):
        # The profile functions drop the marks around a whole value; the option keeps its blank.
        self.with_params(JRE_MEMORY_OPTIONS='"-Djava.io.tmpdir=C:\\My Temp"', JRE_OSDPARAM='"-Dosd.dir=C:\\A B"')
        run = self.kit.run("-silent")
        self.assertEqual(run.exit_code, 0, run.console)
        report = self.kit.report()
        self.assertEqual(report.properties["java.io.tmpdir"], "C:\\My Temp")
        self.assertEqual(report.properties["osd.dir"], "C:\\A B")
        self.assertEqual(report.main_class, "velmor.setmgr.kta.ktac.KtacInstaller")

    def test_mx_option_replaces_the_kit_memory_options(self):
        self.with_params(JRE_MEMORY_OPTIONS="-mx150m -ms50m", SOURCE="http://host/stage/products.xml")
        run = self.kit.run("-silent -noconsole -J-mx512m")
        self.assertEqual(run.exit_code, 0)
        line = self.kit.report().command_line
        self.assertTrue(line.startswith('"%s\\jre\\bin\\javaw.exe" ' % self.k))
        self.assertIn('-Dvelmor.installer.prereqConfigLoc=""  -mx512m -cp "', line)
        self.assertNotIn("-ms50m", line)
        self.assertIn(' -sourceLoc "http://host/stage/products.xml"  -sourceType', line)
        self.assertTrue(line.endswith(" -silent -noconsole  "))

    def test_quoted_parameter_file_with_blanks_equals_word_and_absolute_source(self):
        other = winbed.fresh_dir("plain-my kit")
        params = self.kit.write_params(dict(self.base, JRE_MEMORY_OPTIONS="-Dfile.encoding=UTF-8 -Xrs",
                                            SOURCE="C:\\stage\\products.xml", INSTALL_CLASS="my.Installer"),
                                       path=other / "velparam.ini")
        self.kit.write_params(dict(self.base, INSTALL_CLASS="wrong.Installer"))
        tail = '-paramFile "%s" -silent' % winbed.win_path(params)
        run = self.kit.run(tail)
        self.assertEqual(run.exit_code, 0, run.console)
        line = self.kit.report().command_line
        self.assertIn('""  -Dfile.encoding=UTF-8 -Xrs -cp "', line)
        self.assertIn('" my.Installer -scratchPath ', line)
        self.assertIn(' -sourceLoc "C:\\stage\\products.xml"  -sourceType', line)
        self.assertTrue(line.endswith(" " + tail + " "))

    def test_one_click_doubles_the_command_unless_silent(self):
        self.with_params(INSTALL_CLASS="my.Installer", INSTALL_ONECLICK_CLASS="my.OneClick")
        self.kit.run("-oneclick")
        report = self.kit.report()
        self.assertEqual(report.main_class, "my.OneClick")
        line = report.command_line
        head = line[:line.index(" my.OneClick ")]
        self.assertIn(" my.OneClick " + head + " velmor.setmgr.kta.ktac.KtacInstaller -scratchPath ", line)

        self.kit.run("-oneclick -silent")
        report = self.kit.report()
        self.assertEqual(report.main_class, "velmor.setmgr.kta.ktac.KtacInstaller")
        self.assertEqual(report.command_line.count("-Dvelmor.installer.library_loc="), 1)

    def test_debug_echoes_the_command_line(self):
        run = self.kit.run("-debug")
        self.assertEqual(run.exit_code, 0)
        self.assertEqual(run.boxes, [])
        line = self.kit.report().command_line
        self.assertTrue(line.startswith('"%s\\jre\\bin\\java.exe" ' % self.k))
        console = flat(run.console)
        self.assertIn(text("S_JVMLOADMSG", '"%s\\jre\\bin\\java.exe" ' % self.k), console)
        self.assertIn(text("S_LDLIBPATH_VAR"), console)
        self.assertIn("-Dvelmor.installer.bootstrap=FALSE", console)

    def test_missing_java_program(self):
        self.with_params(JRE_LOCATION="Z:\\nowhere\\jre")
        run = self.kit.run("-silent", answers=[(text("S_ENTER_ENTER"), "")])
        self.assertEqual(run.exit_code, FAILED)
        self.assertIn(flat(text("S_ERJRENFD", "Z:\\nowhere\\jre\\bin\\java.exe", "1.3.1")), flat(run.console))
        self.assertIsNone(self.kit.report())
        self.assertEqual(self.kit.new_scratch_directories(), [])

    def test_distribution_guard_shows_a_message_box(self):
        self.with_params(DISTRIBUTION="TRUE")
        run = self.kit.run("-removeHome -J-Xrs")
        self.assertEqual(run.exit_code, FAILED)
        self.assertEqual(run.boxes, [(CAPTION, text("S_ERRORINVOKINGFROMCD", "-REMOVEHOME -J-XRS"))])
        self.assertIsNone(self.kit.report())

    def test_prerequisite_checker_guards(self):
        run = self.kit.run("-prereqChecker -silent")
        self.assertEqual(run.exit_code, FAILED)
        self.assertIn(flat(text("S_ERR_PREREQ_CONFIG_LOC")), flat(run.console))
        self.assertNotIn(text("S_CHECKING_REQ_PREREQ"), run.console)

        run = self.kit.run("-prereqChecker -silent PREREQ_CONFIG_LOCATION=Z:\\no\\prereq")
        self.assertEqual(run.exit_code, FAILED)
        self.assertIn(flat(text("S_ERR_INVALID_PREREQ_CONFIG_LOC", "Z:\\no\\prereq")), flat(run.console))
        self.assertIsNone(self.kit.report())


class KitWithoutParameterFile(winbed.WineTestCase):
    def test_prerequisite_run_then_exit_minus_two(self):
        kit = Kit("noparams")
        run = kit.run("-silent", answers=[(text("S_ENTER_ENTER"), "")])
        self.assertEqual(run.exit_code, NO_PARAMETER_FILE, run.console)
        console = flat(run.console)
        self.assertIn(flat(text("S_STARTINSTALLERMSG", "Kinsetup")), console)
        self.assertIn(flat(text("S_NO_PREQ_RUN")), console)
        self.assertIn(flat(text("S_ERVELPARAMNFD")), console)
        self.assertLess(console.index(flat(text("S_NO_PREQ_RUN"))), console.index(flat(text("S_ERVELPARAMNFD"))))
        self.assertIsNone(kit.report())


if __name__ == "__main__":
    unittest.main()

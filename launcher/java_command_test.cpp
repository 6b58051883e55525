#include "launcher/java_command.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ansi_text.h"

using namespace launcher;

namespace {

using Items = std::vector<std::string>;

// The parts of a run the command reads, owned here.
struct TestRun {
    kit::KitSettings settings;
    kit::DerivedDirectories directories;
    OptionState options;
    ModeChoice mode;
    RunPlaces places;
    bool bootstrap = false;
    bool external_jre = false;
    JavaCommandInput input() const { return {settings, directories, options, mode, places, bootstrap, external_jre}; }
};

TestRun plain_run() {
    TestRun in;
    in.directories.java_bin = "D:\\kit\\jre\\bin";
    in.directories.native_lib = "D:\\kit\\lib\\win32";
    in.directories.core_lib = "D:\\kit\\jlib";
    in.directories.installer_lib = "A";
    in.settings.ksi_core_location = "core";
    in.places.program_directory = "D:\\kit";
    in.settings.jre_location = "D:\\kit\\jre";
    in.places.scratch_directory = "S";
    in.places.startup_location = "D:\\kit";
    in.places.launcher_path = "D:\\kit\\setup.exe";
    in.places.run_timestamp = "2004-03-09_02-15-07PM";
    in.places.command_line = "";
    in.settings.copy_threads = "0";
    in.settings.nls_enabled = "TRUE";
    in.settings.thin_jdbc_filename = "thindrv12.jar";
    in.mode.main_class = "velmor.setmgr.kta.ktac.KtacInstaller";
    return in;
}

const std::string kClasspath =
    "\"S;D:\\kit\\jlib\\VelInstaller.jar;D:\\kit\\jlib\\quickpath.jar;D:\\kit\\jlib\\docreader2.jar;"
    "D:\\kit\\jlib\\nodm.jar;D:\\kit\\jlib\\common.jar;D:\\kit\\jlib\\VelInstallerNet.jar;"
    "A\\KitGraphics.jar;A\\KitGuide.jar;A\\velmor_ice.jar;A\\assist4.jar;A\\assist4-nls.jar;A\\gwk3.jar;"
    "A\\gwk3-swingaccess.jar;A\\gwk3-nls.jar;A\\swingaccess.jar;A\\thindrv12.jar;A\\syscheck.jar;"
    "A\\jgwk4.jar;A\\jgwk4-nls.jar\"";

Items regular_head() {
    return {"\"D:\\kit\\jre\\bin\\javaw.exe\" ",
            "-Dvelmor.installer.library_loc=\"D:\\kit\\lib\\win32\"",
            "-Dvelmor.installer.ksi_loc=\"D:\\kit\\core\"",
            "-Dvelmor.installer.bootstrap=FALSE",
            "-Dvelmor.installer.startup_location=\"D:\\kit\"",
            "-Dvelmor.installer.jre_loc=\"..\\..\\jre\"",
            "-Dvelmor.installer.exec_location=\"D:\\kit\\setup.exe\" ",
            "-Dvelmor.installer.nlsEnabled=\"TRUE\" ",
            "-Dvelmor.installer.prereqConfigLoc=\"\" ",
            "-cp",
            kClasspath};
}

Items tail(const std::string& command_line) {
    return {"-scratchPath", "\"S\" ", "-sourceType", "network", "-timestamp", "2004-03-09_02-15-07PM", command_line};
}

Items concat(std::initializer_list<Items> parts) {
    Items out;
    for (const Items& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

}  // namespace

TEST(JavaCommand, PlainRunGivesTheExactItems) {
    JavaCommand command = assemble_java_command(plain_run().input());
    EXPECT_EQ(command.program_path, "D:\\kit\\jre\\bin\\javaw.exe");
    EXPECT_EQ(command.items, concat({regular_head(), {"velmor.setmgr.kta.ktac.KtacInstaller"}, tail("")}));
}

TEST(JavaCommand, OptionalItemsStandInTheirPlaces) {
    TestRun in = plain_run();
    in.settings.jre_osdparam = "-Xss2m -Xrs";
    in.bootstrap = true;
    in.settings.distribution = true;
    in.external_jre = true;
    in.settings.copy_threads = "4";
    in.settings.prereq_config_location = "C:\\pre";
    in.options.jvm_options = "-mx512m -Dy=2";
    in.options.has_mx = true;
    in.settings.jre_memory_options = "-ms50m";
    in.options.memory = true;
    in.places.command_line = "-silent -memory ";
    Items items = assemble_java_command(in.input()).items;
    Items expected = {"\"D:\\kit\\jre\\bin\\java.exe\" ",
                      "-Xss2m -Xrs",
                      "-Dvelmor.installer.library_loc=\"D:\\kit\\lib\\win32\"",
                      "-Dvelmor.installer.ksi_loc=\"S\\ksi\"",
                      "-Dvelmor.installer.bootstrap=TRUE",
                      "-Dvelmor.installer.startup_location=\"D:\\kit\"",
                      "-Dvelmor.installer.jre_loc=\"D:\\kit\\jre\"",
                      "-Dvelmor.installer.extjre=\"true\" ",
                      "-Dvelmor.installer.copythreads=4 ",
                      "-Dvelmor.installer.exec_location=\"D:\\kit\\setup.exe\" ",
                      "-Dvelmor.installer.nlsEnabled=\"TRUE\" ",
                      "-Dvelmor.installer.prereqConfigLoc=\"C:\\pre\" ",
                      "-mx512m -Dy=2",
                      "-verbose:gc",
                      "-cp",
                      kClasspath,
                      "velmor.setmgr.kta.ktac.KtacInstaller"};
    EXPECT_EQ(items, concat({expected, tail("-silent -memory ")}));
}

TEST(JavaCommand, MemoryOptionsAreOneItemPerWord) {
    TestRun in = plain_run();
    in.settings.jre_memory_options = "-mx150m -ms50m";
    in.options.jvm_options = "-Xrs";
    Items items = assemble_java_command(in.input()).items;
    ASSERT_EQ(items.size(), 22u);
    EXPECT_EQ(items[9], "-Xrs");
    EXPECT_EQ(items[10], "-mx150m");
    EXPECT_EQ(items[11], "-ms50m");
    EXPECT_EQ(items[12], "-cp");

    // A word with an equals sign is one option of the Java runtime.
    EXPECT_EQ(memory_option_words("-Dfile.encoding=UTF-8  -mx150m\t-Dx=1"),
              (Items{"-Dfile.encoding=UTF-8", "-mx150m", "-Dx=1"}));
    EXPECT_EQ(memory_option_words("-mx150m -Xrs"), (Items{"-mx150m", "-Xrs"}));
    // Quotation marks keep a word with blanks together and stay in it; one
    // that never closes ends the words.
    EXPECT_EQ(memory_option_words("\" -Xa b \" -Xc \"unclosed"), (Items{"\" -Xa b \"", "-Xc"}));
    EXPECT_EQ(memory_option_words("\"-Djava.io.tmpdir=C:\\My Temp\"\t-Dy=\"a b\"c"),
              (Items{"\"-Djava.io.tmpdir=C:\\My Temp\"", "-Dy=\"a b\"c"}));
    // Backslashes before a mark are doubled so that they do not escape it.
    EXPECT_EQ(memory_option_words("\"-Dx=C:\\My Temp\\\" -mx1m"), (Items{"\"-Dx=C:\\My Temp\\\\\"", "-mx1m"}));
    EXPECT_EQ(memory_option_words("   "), Items{});
}

// The command line split by the C runtime's rules, as the Java launcher does.
Items crt_split(std::string_view line) {
    Items args;
    std::size_t at = 0;
    while (true) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
        if (at == line.size()) return args;
        std::string arg;
        bool in_quotes = false;
        while (at < line.size() && (in_quotes || (line[at] != ' ' && line[at] != '\t'))) {
            std::size_t backslashes = 0;
            while (at < line.size() && line[at] == '\\') ++backslashes, ++at;
            if (at < line.size() && line[at] == '"') {
                arg.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    arg += '"';
                } else {
                    in_quotes = !in_quotes;
                }
                ++at;
            } else {
                arg.append(backslashes, '\\');
                if (at < line.size() && backslashes == 0) arg += line[at++];
            }
        }
        args.push_back(arg);
    }
}

TEST(JavaCommand, JavaReceivesValuesEndingInABackslashIntact) {
    TestRun in = plain_run();
    in.settings.distribution = true;
    in.settings.jre_location = "C:\\jre\\";
    in.settings.prereq_config_location = "C:\\pre\\";
    in.places.scratch_directory = "S\\\\";
    in.settings.source = "C:\\stage\\";
    in.settings.jre_memory_options = "\"-Djava.io.tmpdir=C:\\My Temp\\\" -mx1m";
    in.places.command_line = "-silent ";
    std::string line;
    for (const std::string& item : assemble_java_command(in.input()).items) line += item + " ";
    const Items args = crt_split(line);

    ASSERT_EQ(args.size(), 23u) << line;
    EXPECT_EQ(args[0], "D:\\kit\\jre\\bin\\javaw.exe");
    EXPECT_EQ(args[5], "-Dvelmor.installer.jre_loc=C:\\jre\\");
    EXPECT_EQ(args[8], "-Dvelmor.installer.prereqConfigLoc=C:\\pre\\");
    EXPECT_EQ(args[9], "-Djava.io.tmpdir=C:\\My Temp\\");
    EXPECT_EQ(args[10], "-mx1m");
    EXPECT_EQ(args[11], "-cp");
    EXPECT_EQ(args[12].substr(0, 4), "S\\\\;");
    EXPECT_EQ(args[13], "velmor.setmgr.kta.ktac.KtacInstaller");
    EXPECT_EQ(Items(args.begin() + 14, args.end()),
              (Items{"-scratchPath", "S\\\\", "-sourceLoc", "C:\\stage\\", "-sourceType", "network", "-timestamp",
                     "2004-03-09_02-15-07PM", "-silent"}));
}

// In code page 932 "\x95\x5c" is one character: its second byte is no
// backslash to double, and the Java launcher reads the value as written.
TEST(JavaCommand, DoubleByteCharactersEndingInABackslashByteAreNotDoubled) {
    vel::set_ansi_lead_byte_range(0x81, 0x9f);
    vel::set_ansi_lead_byte_range(0xe0, 0xfc);
    TestRun in = plain_run();
    in.settings.prereq_config_location = "C:\\\x95\x5c";
    in.settings.jre_memory_options = "\"-Dx=\x95\x5c\"";
    std::string line;
    for (const std::string& item : assemble_java_command(in.input()).items) line += item;
    vel::clear_ansi_lead_bytes();
    EXPECT_THAT(line, testing::HasSubstr("-Dvelmor.installer.prereqConfigLoc=\"C:\\\x95\x5c\" "));
    EXPECT_THAT(line, testing::HasSubstr("\"-Dx=\x95\x5c\""));
}

TEST(JavaCommand, ProgramAndModeChoice) {
    EXPECT_EQ(java_program_name(false, false, false, false), "javaw.exe");
    EXPECT_EQ(java_program_name(false, false, true, false), "java.exe");
    EXPECT_EQ(java_program_name(false, false, true, true), "javaw.exe");
    EXPECT_EQ(java_program_name(true, false, false, true), "java.exe");
    EXPECT_EQ(java_program_name(false, true, true, true), "java.exe");

    const std::string install = "my.Install", oneclick = "my.OneClick";
    OptionState flags;
    EXPECT_EQ(choose_mode(flags, install, oneclick).main_class, install);
    flags.oneclick = true;
    ModeChoice choice = choose_mode(flags, install, oneclick);
    EXPECT_EQ(choice.main_class, oneclick);
    EXPECT_TRUE(choice.doubled);
    flags.silent = true;
    choice = choose_mode(flags, install, oneclick);
    flags.silent = false;
    EXPECT_EQ(choice.main_class, "velmor.setmgr.kta.ktac.KtacInstaller");
    EXPECT_FALSE(choice.doubled);
    flags.addnode = true;
    choice = choose_mode(flags, install, oneclick);
    EXPECT_EQ(choice.main_class, install);
    EXPECT_TRUE(choice.forces_no_bootstrap && choice.distribution_guard);
    flags.attachhome = true;
    choice = choose_mode(flags, install, oneclick);
    EXPECT_EQ(choice.main_class, "velmor.setmgr.kta.ktac.KtacAttachHome");
    EXPECT_FALSE(choice.forces_no_bootstrap || choice.distribution_guard);
    flags.removehome = true;
    flags.prereqchecker = true;
    choice = choose_mode(flags, install, oneclick);
    EXPECT_EQ(choice.main_class, "velmor.setmgr.ktp.ktpc.ktpcc.KtpccPrereqApp");
    EXPECT_FALSE(choice.forces_no_bootstrap || choice.distribution_guard);
    flags.preclonesetup = true;
    choice = choose_mode(flags, install, oneclick);
    EXPECT_EQ(choice.main_class, "velmor.setmgr.kta.ktac.KtacPreCloneSetup");
    EXPECT_TRUE(choice.distribution_guard);
    EXPECT_FALSE(choice.forces_no_bootstrap);
}

TEST(JavaCommand, OneClickCarriesTheRegularCommand) {
    TestRun in = plain_run();
    in.mode.main_class = "velmor.setmgr.kto.ktoc.KtocOneClickInstaller";
    in.mode.doubled = true;
    in.places.command_line = "-oneclick ";
    Items items = assemble_java_command(in.input()).items;
    EXPECT_EQ(items, concat({regular_head(), {"velmor.setmgr.kto.ktoc.KtocOneClickInstaller"}, regular_head(),
                             {"velmor.setmgr.kta.ktac.KtacInstaller"}, tail("-oneclick ")}));
}

TEST(JavaCommand, ListGrowsBeyondFortyEightItems) {
    TestRun in = plain_run();
    in.mode.doubled = true;
    in.settings.jre_osdparam = "-Xrs";
    in.external_jre = true;
    in.settings.copy_threads = "2";
    in.options.jvm_options = "-Xa";
    in.options.memory = true;
    in.settings.jre_memory_options = "-ms1m -ms2m -ms3m -ms4m";
    in.settings.source = "http://host/p.xml";
    in.places.scratch_directory = std::string(5000, 's');
    Items items = assemble_java_command(in.input()).items;
    EXPECT_EQ(items.size(), 51u);
    EXPECT_EQ(items[43], "\"" + in.places.scratch_directory + "\" ");
    EXPECT_EQ(items[45], "\"http://host/p.xml\" ");
    EXPECT_EQ(items.back(), "");
}

TEST(JavaCommand, ExtraClasspath) {
    EXPECT_EQ(expand_extra_classpath("S", "a.jar;b.jar"), "S\\a.jar;S\\b.jar;");
    EXPECT_EQ(expand_extra_classpath("S", ";;a.jar;"), "S\\a.jar;");
    EXPECT_EQ(expand_extra_classpath("S", ""), "");
    TestRun in = plain_run();
    in.settings.addto_classpath = "a.jar;b.jar";
    EXPECT_THAT(build_classpath(in.input()), testing::HasSubstr(";A\\thindrv12.jar;S\\a.jar;S\\b.jar;A\\syscheck.jar;"));
}

TEST(JavaCommand, SourceLocation) {
    auto source_items = [](const std::string& source, const std::string& startup) {
        Items items;
        add_source_location(source, items, startup);
        return items;
    };
    EXPECT_EQ(source_items("", "D:\\kit"), Items{});
    EXPECT_EQ(source_items("..\\stage\\products.xml", "D:\\kit\\install"),
              (Items{"-sourceLoc", "\"D:\\kit\\install\\..\\stage\\products.xml\" "}));
    EXPECT_EQ(source_items("p.xml", "D:\\"), (Items{"-sourceLoc", "\"D:\\p.xml\" "}));
    EXPECT_EQ(source_items("HTTP://host/p.xml", "D:\\kit"), (Items{"-sourceLoc", "\"HTTP://host/p.xml\" "}));
    EXPECT_EQ(source_items("http://", "D:\\kit"), (Items{"-sourceLoc", "\"D:\\kit\\http://\" "}));
    EXPECT_EQ(source_items("C:\\stage\\products.xml", "D:\\kit"), (Items{"-sourceLoc", "\"C:\\stage\\products.xml\" "}));
    EXPECT_EQ(source_items("\\\\server\\share\\p.xml", "D:\\kit"),
              (Items{"-sourceLoc", "\"\\\\server\\share\\p.xml\" "}));
    EXPECT_EQ(source_items("\\stage\\p.xml", "D:\\kit"), (Items{"-sourceLoc", "\"D:\\kit\\\\stage\\p.xml\" "}));
    EXPECT_FALSE(is_http_location("http:/x"));
    EXPECT_TRUE(is_http_location("hTtP://x"));
}

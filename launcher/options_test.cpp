#include "launcher/options.h"

#include <gtest/gtest.h>

#include "launcher/process_flags.h"

namespace options {
namespace {

// Stands in for kit::absolute_path: relative paths resolve against C:\cwd.
void fake_absolute(std::string& out, const std::string& path) {
    const bool absolute = path.size() >= 2 && path[1] == ':';
    out = absolute ? path : "C:\\cwd\\" + path;
}

class Options : public ::testing::Test {
protected:
    void SetUp() override {
        launcher::silent_mode = launcher::debug_mode = launcher::memory_mode = false;
        launcher::jre_location_given = false;
    }
    // Runs early options and the scan over a command line like WinMain passes it.
    void run(const std::string& line) {
        command_line = line;
        read_early_options("C:\\kit\\setup.exe", command_line, param_file, jre_location);
        scan_options(command_line, state, prereq, fake_absolute);
    }
    std::string command_line, param_file, jre_location, prereq;
    OptionState state;
};

TEST(OptionHelpers, JoinTrimUpper) {
    const std::string parts[] = {"C:\\kit\\setup.exe", "-silent"};
    EXPECT_EQ(join_arguments(parts), "C:\\kit\\setup.exe -silent ");
    EXPECT_EQ(join_arguments({}), "");
    std::string t = " \t\v\f value with  blanks \r\n";
    trim_value(t);
    EXPECT_EQ(t, "value with  blanks");
    t = " \t\n";
    trim_value(t);
    EXPECT_EQ(t, "");
    EXPECT_EQ(upper_copy("-silent C:\\Kit\xc3\xa4"), "-SILENT C:\\KIT\xc3\xa4");
}

TEST(OptionHelpers, ExtractEndsAtBlankMinus) {
    std::string out = "  kept ";
    extract_option_value("-paramFile", "setup -silent ", out);
    EXPECT_EQ(out, "kept");
    extract_option_value("-paramFile", "setup -paramFile C:\\kit\\my-params\\velparam.ini -silent ", out);
    EXPECT_EQ(out, "C:\\kit\\my-params\\velparam.ini");
    extract_option_value("-paramFile", "setup -paramFile ", out);
    EXPECT_EQ(out, "");
    out = "unchanged";
    extract_option_value("-paramFile", "", out);
    EXPECT_EQ(out, "unchanged");
}

TEST(OptionHelpers, QuotedValueIsTakenWholeWithoutItsMarks) {
    std::string out;
    extract_option_value("-paramFile", "setup -paramFile \"C:\\My Kit\\velparam.ini\" -silent ", out);
    EXPECT_EQ(out, "C:\\My Kit\\velparam.ini");
    extract_option_value("-jreLoc", "setup -jreLoc \"D:\\a -b\\jre\" ", out);
    EXPECT_EQ(out, "D:\\a -b\\jre");
    // Without a closing mark the old rules hold, mark included.
    extract_option_value("-jreLoc", "setup -jreLoc \"D:\\jre -silent ", out);
    EXPECT_EQ(out, "\"D:\\jre");
}

TEST(OptionHelpers, OverlongValueIsRefusedNotCut) {
    std::string out = "previous";
    extract_option_value("-paramFile", "setup -paramFile C:\\" + std::string(kMaxValueLength, 'a') + " ", out);
    EXPECT_EQ(out, "previous");
    const std::string longest = "C:\\" + std::string(kMaxValueLength - 3, 'a');
    extract_option_value("-paramFile", "setup -paramFile " + longest + " ", out);
    EXPECT_EQ(out, longest);
    std::string location = "previous";
    parse_location_assignment(location, "PREREQ_CONFIG_LOCATION=C:\\" + std::string(kMaxValueLength, 'p'), 0, fake_absolute);
    EXPECT_EQ(location, "previous");
}

TEST_F(Options, FlagsMatchAnywhereIgnoringCase) {
    for (const char* line : {"-silent", "-Silent", "-SILENT", "-silentmode"}) {
        SetUp();
        run(line);
        EXPECT_TRUE(launcher::silent_mode) << line;
    }
    SetUp();
    run("-paramFile C:\\my-debug\\velparam.ini -memory -noconsole -waitForCompletion -ignoreSysPrereqs");
    EXPECT_TRUE(launcher::debug_mode);
    EXPECT_TRUE(launcher::memory_mode);
    EXPECT_FALSE(launcher::silent_mode);
    EXPECT_TRUE(state.no_console && state.wait_requested && state.ignore_sysprereqs);
    EXPECT_FALSE(state.execute_sysprereqs || state.help || state.oneclick);
    EXPECT_EQ(state.tool_name, "Kinsetup");
}

TEST_F(Options, ModesSetTheirFlags) {
    run("-help");
    EXPECT_TRUE(state.help && launcher::silent_mode);
    SetUp();
    state = {};
    run("-attachHome -prereqChecker -oneclick -executeSysPrereqs");
    EXPECT_TRUE(state.attachhome && launcher::silent_mode && state.prereqchecker && state.oneclick);
    EXPECT_TRUE(state.execute_sysprereqs);
    EXPECT_EQ(state.tool_name, "Prerequisite Checker");
    state = {};
    run("-preCloneSetup -updateNodeList -removeHome -addNode");
    EXPECT_TRUE(state.preclonesetup && state.updatenodelist && state.removehome && state.addnode);
}

TEST_F(Options, ParamFileAndJreLocation) {
    run("-paramfile x.ini -silent");
    EXPECT_EQ(param_file, "");
    run("-paramFile \"C:\\My Kit\\velparam.ini\" -silent");
    EXPECT_EQ(param_file, "C:\\My Kit\\velparam.ini");
    // The installer still receives the command line as typed.
    EXPECT_EQ(command_line, "-paramFile \"C:\\My Kit\\velparam.ini\" -silent");
    EXPECT_FALSE(launcher::jre_location_given);
    run("-silent -jreLoc");
    EXPECT_TRUE(launcher::jre_location_given);
    EXPECT_EQ(jre_location, "");
}

TEST_F(Options, JvmOptionsAreCutFromThePassThrough) {
    run("-silent -J-mx512m");
    EXPECT_EQ(state.jvm_options, "-mx512m");
    EXPECT_TRUE(state.has_mx);
    EXPECT_EQ(command_line, "-silent ");
    state = {};
    run("-J-Xmx512m");
    EXPECT_FALSE(state.has_mx);
    EXPECT_EQ(command_line, "");
    state = {};
    SetUp();
    run("-J-mx512m -silent");
    EXPECT_TRUE(launcher::silent_mode);
    EXPECT_EQ(state.jvm_options, "-mx512m -silent");
    EXPECT_EQ(command_line, "");
}

TEST_F(Options, CapitalJreLocIsJvmOptionsAndEarlyOptionsSeeBeyondJ) {
    run("-JRELOC C:\\jre");
    EXPECT_FALSE(launcher::jre_location_given);
    EXPECT_EQ(state.jvm_options, "RELOC C:\\jre");
    EXPECT_EQ(command_line, "");
    state = {};
    run("-silent -J-mx64m -paramFile C:\\p.ini -jreLoc C:\\jre");
    EXPECT_EQ(param_file, "C:\\p.ini");
    EXPECT_EQ(jre_location, "C:\\jre");
    EXPECT_EQ(command_line, "-silent ");
}

TEST_F(Options, LocationAssignments) {
    run("PREREQ_CONFIG_LOCATION=C:\\pre");
    EXPECT_EQ(prereq, "C:\\pre");
    prereq.clear();
    run("-prereqChecker from_location=D:\\stage\\products.xml");
    EXPECT_EQ(prereq, "D:\\stage\\prereq");
    prereq.clear();
    run("X=1 PREREQ_CONFIG_LOCATION=C:\\pre");
    EXPECT_EQ(prereq, "C:\\pre");
    prereq.clear();
    // A value ends at the next blank: later options are not part of it, and
    // the command line handed on stays as typed.
    std::string typed = "-prereqChecker PREREQ_CONFIG_LOCATION=C:\\pre -silent";
    run(typed);
    EXPECT_EQ(prereq, "C:\\pre");
    EXPECT_EQ(command_line, typed);
    prereq.clear();
    // Both given: only the first rule applies.
    run("PREREQ_CONFIG_LOCATION=C:\\pre FROM_LOCATION=D:\\s\\p.xml");
    EXPECT_EQ(prereq, "C:\\pre");
    prereq.clear();
    run("FROM_LOCATION=\"D:\\my stage\\p.xml\" -silent");
    EXPECT_EQ(prereq, "D:\\my stage\\prereq");
    prereq.clear();
    run("PREREQ_CONFIG_LOCATION=\"C:\\my pre\"");
    EXPECT_EQ(prereq, "C:\\my pre");
    prereq.clear();
    run("prereq_config_location=C:\\\"my\"\" pre\"\\x\ty");
    EXPECT_EQ(prereq, "C:\\my pre\\x");
    prereq.clear();
    run("FROM_LOCATION=products.xml");
    EXPECT_EQ(prereq, "C:\\cwd\\products.xml\\prereq");
}

TEST(LocationAssignment, KeyThenEqualsThenValue) {
    std::string out = "old";
    parse_location_assignment(out, "PREREQ_CONFIG_LOCATION", 0, fake_absolute);
    EXPECT_EQ(out, "old");
    parse_location_assignment(out, "PREREQ_CONFIG_LOCATION= -silent", 0, fake_absolute);
    EXPECT_EQ(out, "old");
    parse_location_assignment(out, "A=B PREREQ_CONFIG_LOCATION===C:\\x==y z", 0, fake_absolute);
    EXPECT_EQ(out, "C:\\x==y");
}

}  // namespace
}  // namespace options

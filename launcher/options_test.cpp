#include "launcher/options.h"

#include <gtest/gtest.h>

namespace launcher {
namespace {

// Runs early options and the scan over a command line like WinMain passes it.
struct Options : ::testing::Test {
    void run(const std::string& line) {
        command_line = line;
        early = read_early_options("C:\\kit\\setup.exe", command_line);
        state = scan_and_cut_options(command_line);
    }
    std::string command_line;
    EarlyOptions early;
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
    EXPECT_EQ(location_assignment("PREREQ_CONFIG_LOCATION=C:\\" + std::string(kMaxValueLength, 'p'),
                                  LocationKey::PrereqConfig),
              "");
}

TEST_F(Options, FlagsMatchAnywhereIgnoringCase) {
    for (const char* line : {"-silent", "-Silent", "-SILENT", "-silentmode"}) {
        run(line);
        EXPECT_TRUE(state.silent) << line;
    }
    run("-paramFile C:\\my-debug\\velparam.ini -memory -noconsole -waitForCompletion -ignoreSysPrereqs");
    EXPECT_TRUE(state.debug);
    EXPECT_TRUE(state.memory);
    EXPECT_FALSE(state.silent);
    EXPECT_TRUE(state.no_console && state.wait_requested && state.ignore_sysprereqs);
    EXPECT_FALSE(state.execute_sysprereqs || state.help || state.oneclick);
    EXPECT_EQ(state.tool_name, "Kinsetup");
}

TEST_F(Options, ModesSetTheirFlags) {
    run("-help");
    EXPECT_TRUE(state.help && state.silent);
    run("-attachHome -prereqChecker -oneclick -executeSysPrereqs");
    EXPECT_TRUE(state.attachhome && state.silent && state.prereqchecker && state.oneclick);
    EXPECT_TRUE(state.execute_sysprereqs);
    EXPECT_EQ(state.tool_name, "Prerequisite Checker");
    run("-preCloneSetup -updateNodeList -removeHome -addNode");
    EXPECT_TRUE(state.preclonesetup && state.updatenodelist && state.removehome && state.addnode);
}

TEST_F(Options, ParamFileAndJreLocation) {
    run("-paramfile x.ini -silent");
    EXPECT_EQ(early.param_file, "");
    run("-paramFile \"C:\\My Kit\\velparam.ini\" -silent");
    EXPECT_EQ(early.param_file, "C:\\My Kit\\velparam.ini");
    // The installer still receives the command line as typed.
    EXPECT_EQ(command_line, "-paramFile \"C:\\My Kit\\velparam.ini\" -silent");
    EXPECT_FALSE(early.jre_location_given);
    run("-silent -jreLoc");
    EXPECT_TRUE(early.jre_location_given);
    EXPECT_EQ(early.jre_location, "");
}

TEST_F(Options, JvmOptionsAreCutFromThePassThrough) {
    run("-silent -J-mx512m");
    EXPECT_EQ(state.jvm_options, "-mx512m");
    EXPECT_TRUE(state.has_mx);
    EXPECT_EQ(command_line, "-silent ");
    run("-J-Xmx512m");
    EXPECT_FALSE(state.has_mx);
    EXPECT_EQ(command_line, "");
    run("-J-mx512m -silent");
    EXPECT_TRUE(state.silent);
    EXPECT_EQ(state.jvm_options, "-mx512m -silent");
    EXPECT_EQ(command_line, "");
}

TEST_F(Options, CapitalJreLocIsJvmOptionsAndEarlyOptionsSeeBeyondJ) {
    run("-JRELOC C:\\jre");
    EXPECT_FALSE(early.jre_location_given);
    EXPECT_EQ(state.jvm_options, "RELOC C:\\jre");
    EXPECT_EQ(command_line, "");
    run("-silent -J-mx64m -paramFile C:\\p.ini -jreLoc C:\\jre");
    EXPECT_EQ(early.param_file, "C:\\p.ini");
    EXPECT_EQ(early.jre_location, "C:\\jre");
    EXPECT_EQ(command_line, "-silent ");
}

TEST_F(Options, LocationAssignments) {
    run("PREREQ_CONFIG_LOCATION=C:\\pre");
    EXPECT_EQ(state.prereq_config_location, "C:\\pre");
    run("-prereqChecker from_location=D:\\stage\\products.xml");
    EXPECT_EQ(state.prereq_config_location, "D:\\stage\\prereq");
    run("X=1 PREREQ_CONFIG_LOCATION=C:\\pre");
    EXPECT_EQ(state.prereq_config_location, "C:\\pre");
    // A value ends at the next blank: later options are not part of it, and
    // the command line handed on stays as typed.
    std::string typed = "-prereqChecker PREREQ_CONFIG_LOCATION=C:\\pre -silent";
    run(typed);
    EXPECT_EQ(state.prereq_config_location, "C:\\pre");
    EXPECT_EQ(command_line, typed);
    // Both given: only the first rule applies.
    run("PREREQ_CONFIG_LOCATION=C:\\pre FROM_LOCATION=D:\\s\\p.xml");
    EXPECT_EQ(state.prereq_config_location, "C:\\pre");
    run("FROM_LOCATION=\"D:\\my stage\\p.xml\" -silent");
    EXPECT_EQ(state.prereq_config_location, "D:\\my stage\\prereq");
    run("PREREQ_CONFIG_LOCATION=\"C:\\my pre\"");
    EXPECT_EQ(state.prereq_config_location, "C:\\my pre");
    run("prereq_config_location=C:\\\"my\"\" pre\"\\x\ty");
    EXPECT_EQ(state.prereq_config_location, "C:\\my pre\\x");
    run("FROM_LOCATION=products.xml");
    // Made absolute later, by the main flow.
    EXPECT_EQ(state.prereq_config_location, "products.xml\\prereq");
}

TEST(LocationAssignment, KeyThenEqualsThenValue) {
    EXPECT_EQ(location_assignment("PREREQ_CONFIG_LOCATION", LocationKey::PrereqConfig), "");
    EXPECT_EQ(location_assignment("PREREQ_CONFIG_LOCATION= -silent", LocationKey::PrereqConfig), "");
    EXPECT_EQ(location_assignment("A=B PREREQ_CONFIG_LOCATION===C:\\x==y z", LocationKey::PrereqConfig),
              "C:\\x==y");
}

}  // namespace
}  // namespace launcher

#include "kitcheck/kit_checker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace kitcheck {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

std::vector<std::string> lines_of(const std::vector<Finding>& findings) {
    std::vector<std::string> lines;
    for (const Finding& finding : findings) lines.push_back(format_finding(finding, "", '\\'));
    return lines;
}

// The sample kit laid out as ./run demo lays it out: the sample directory,
// the built catalogues in resource\, and stand-ins for setup.exe and the
// Java runtime.
TEST(KitCheck, SampleKitLaidOutAsTheDemoLaysItOutIsClean) {
    const fs::path kit = fs::temp_directory_path() / ("kitcheck-sample-" + std::to_string(::getpid()));
    fs::remove_all(kit);
    fs::copy(VEL_SAMPLE_KIT, kit, fs::copy_options::recursive);
    fs::copy(VEL_BUILT_RESOURCES, kit / "resource", fs::copy_options::recursive);
    fs::create_directories(kit / "jre" / "bin");
    for (const char* program : {"setup.exe", "jre/bin/java.exe", "jre/bin/javaw.exe"}) {
        ASSERT_TRUE(std::ofstream(kit / program)) << program;
    }

    const std::vector<Finding> findings = check_kit(directory_kit(kit.string()));
    fs::remove_all(kit);
    EXPECT_EQ(lines_of(findings), std::vector<std::string>{});
    EXPECT_EQ(exit_code(findings, true), 0);
}

std::string general_catalogue() {
    std::string bytes;
    for (std::string_view key : launcher_message_keys()) {
        bytes += key;
        bytes += key == "S_ACTUAL" ? "=Actual: %s" : key == "S_ERGOSLST" ? "=%s failed: %d" : "=text";
        bytes += '\0';
    }
    return bytes;
}

struct BrokenKit {
    const char* mistake;
    std::string velmor;     // lines added to [Velmor]
    std::string certified;  // the Windows list
    std::string prereq;     // lines after the required section's entries
    Files added;            // files added or replaced
    std::vector<std::string> removed;
    std::vector<std::string> expected;
};

// [Velmor] holds kVelmor and the entries a kit adds (from line 4 on); with
// kVelmor alone the certified list is line 5, [Windows-6.1-required] line 6
// and the added prerequisite lines start on line 9.
const std::string kVelmor = "JRE_LOCATION=jre\nBOOTSTRAP=FALSE\n";

std::string parameter_file(const BrokenKit& kit) {
    return "[Velmor]\n" + kit.velmor + "[Certified Versions]\nWindows=" +
           kit.certified + "\n[Windows-6.1-required]\nCPU=300\nCPU_FAILURE_MESSAGE=Needs a faster processor.\n" +
           kit.prereq;
}

TEST(KitCheck, EachBrokenKitGivesExactlyItsFindings) {
    using namespace std::string_literals;
    const std::vector<BrokenKit> kits = {
        {"nothing wrong", kVelmor, "5.1,6.1", "", {}, {}, {}},
        {"misspelled key", kVelmor + "BOOTSTRAPP=T\n", "5.1,6.1", "", {}, {},
         {"velparam.ini:4: warning: unknown key BOOTSTRAPP: setup.exe does not read it (did you mean BOOTSTRAP?)"}},
        {"key given twice", kVelmor + "JRE_LOCATION=other\n", "5.1,6.1", "", {}, {},
         {"velparam.ini:4: warning: JRE_LOCATION given again: setup.exe reads only line 2"}},
        {"flag it does not understand", kVelmor + "WAIT_FOR_COMPLETION=yes\n", "5.1,6.1", "", {}, {},
         {"velparam.ini:4: error: WAIT_FOR_COMPLETION=yes: setup.exe reads only the first letter, y, and takes "
          "anything but T as FALSE (write TRUE or FALSE)"}},
        {"staging size out of range", kVelmor + "BOOTSTRAP_SIZE=3000\n", "5.1,6.1", "", {}, {},
         {"velparam.ini:4: error: BOOTSTRAP_SIZE=3000 is out of range: setup.exe takes 0 to 2047 (megabytes)"}},
        {"copy threads not a number", kVelmor + "COPY_THREADS=four\n", "5.1,6.1", "", {}, {},
         {"velparam.ini:4: error: COPY_THREADS=four is not a number"}},
        {"value too long", kVelmor + "KSI_VERSION=" + std::string(32, '1') + "\n", "5.1,6.1", "", {}, {},
         {"velparam.ini:4: error: KSI_VERSION has 32 characters, more than the 31 setup.exe takes: it uses the "
          "default instead"}},
        {"location of a form no path has", kVelmor + "SOURCE=stage\\products?.xml\n", "5.1,6.1", "", {}, {},
         {"velparam.ini:4: error: SOURCE=stage\\products?.xml holds the character ?, which no Windows path takes"}},
        {"runtime without javaw.exe", kVelmor, "5.1,6.1", "", {}, {"jre\\bin\\javaw.exe"},
         {"velparam.ini:2: error: JRE_LOCATION\\bin\\javaw.exe (jre\\bin\\javaw.exe) is missing"}},
        {"installer archives missing", kVelmor + "KSI_LOCATION=ksi\n", "5.1,6.1", "", {}, {},
         {"velparam.ini:4: error: KSI_LOCATION\\jlib (ksi\\jlib) is missing"}},
        {"runtime left to the user", "BOOTSTRAP=TRUE\n", "5.1,6.1", "", {}, {},
         {"velparam.ini: warning: JRE_LOCATION is not set: setup.exe asks for the Java runtime or takes it from "
          "-jreLoc"}},
        {"distribution without unzip.exe", kVelmor + "DISTRIBUTION=TRUE\nKSI_VERSION=2.0\n", "5.1,6.1", "",
         {{"..\\stage\\Components\\velmor.swd.ksi\\2.0\\1\\DataFiles\\ksi.jar", ""},
          {"..\\stage\\Components\\velmor.swd.ksi.core\\2.0\\1\\DataFiles\\core.jar", ""},
          {"jre\\runtime.jar", ""}},
         {},
         {"velparam.ini:4: error: unzip.exe is missing beside setup.exe: distribution mode expands the archives "
          "with it"}},
        {"distribution without archives", kVelmor + "DISTRIBUTION=TRUE\n", "5.1,6.1", "", {{"unzip.exe", ""}}, {},
         {"velparam.ini: error: KSI_LOCATION (..\\stage\\Components\\velmor.swd.ksi\\1.7.0.0.0\\1\\DataFiles) holds "
          "no .jar archives to expand",
          "velparam.ini: error: KSI_CORE_LOCATION (..\\stage\\Components\\velmor.swd.ksi.core\\1.7.0.0.0\\1\\"
          "DataFiles) holds no .jar archives to expand",
          "velparam.ini:2: error: JRE_LOCATION (jre) holds no .jar archives to expand"}},
        {"malformed catalogue", kVelmor, "5.1,6.1", "",
         {{"resource\\cons_de.nls", "S_ACTUAL=Ist: %s\0no equals\0S_KSI=caf\xe9\0S_WAITMSG=tail"s}},
         {},
         {"resource\\cons_de.nls:2: error: record without \"=\" (no equals): setup.exe skips it with a warning",
          "resource\\cons_de.nls:3: error: S_KSI: the text is not valid UTF-8",
          "resource\\cons_de.nls: error: the last 14 bytes have no closing NUL: setup.exe drops them"}},
        {"over-long catalogue record", kVelmor, "5.1,6.1", "",
         {{"resource\\cons_de.nls", "S_KSI=" + std::string(1100, 'x') + "\0"s}},
         {},
         {"resource\\cons_de.nls:1: error: record of 1106 bytes: setup.exe reads at most 1022 and takes the rest "
          "as further records"}},
        {"general catalogue without a key the launcher shows", kVelmor, "5.1,6.1", "",
         {{"resource\\cons.nls", general_catalogue().substr(general_catalogue().find('\0') + 1)}},
         {},
         {"resource\\cons.nls: error: no text for " + std::string(launcher_message_keys().front()) +
          ": setup.exe would show the bare key"}},
        {"translation with other conversions", kVelmor, "5.1,6.1", "",
         {{"resource\\cons_de.nls", "S_ERGOSLST=%d: %s gescheitert\0"s}},
         {},
         {"resource\\cons_de.nls:1: error: S_ERGOSLST takes %d %s where cons.nls takes %s %d"}},
        {"translation with a key the general catalogue lacks", kVelmor, "5.1,6.1", "",
         {{"resource\\cons_de.nls", "S_KSII=Velmor\0"s}},
         {},
         {"resource\\cons_de.nls:1: warning: S_KSII is not in cons.nls: in other locales setup.exe would show the "
          "bare key"}},
        {"catalogue setup.exe never loads", kVelmor, "5.1,6.1", "", {{"resource\\cons-de.nls", "S_KSI=x\0"s}}, {},
         {"resource\\cons-de.nls: warning: setup.exe never loads this file: it loads cons_<ll>_<CC>.nls, "
          "cons_<ll>.nls and cons.nls"}},
        {"certified list with a blank", kVelmor, "5.1, 6.1", "", {}, {},
         {"velparam.ini:5: error: Windows=5.1, 6.1: \" 6.1\" never matches: setup.exe compares major.minor "
          "exactly, such as 6.1",
          "velparam.ini:6: warning: [Windows-6.1-required] belongs to no version listed in [Certified Versions]: "
          "setup.exe never reads it"}},
        {"section of an unlisted version", kVelmor, "5.1,6.1", "[Windows-6.2-optional]\nCPU=300\n", {}, {},
         {"velparam.ini:9: warning: [Windows-6.2-optional] belongs to no version listed in [Certified Versions]: "
          "setup.exe never reads it"}},
        {"indented header", kVelmor, "5.1,6.1", " [Windows-5.1-required]\nCPU=300\n", {}, {},
         {"velparam.ini:9: warning: [Windows-5.1-required] is indented: the prerequisite reader only matches a "
          "header that starts in the first column"}},
        {"header in other letter case", kVelmor, "5.1,6.1", "[windows-5.1-optional]\n", {}, {},
         {"velparam.ini:9: warning: [windows-5.1-optional]: section names are case-sensitive; setup.exe looks for "
          "[Windows-<version>-required] and [Windows-<version>-optional]"}},
        {"unknown check key", kVelmor, "5.1,6.1", "CPUS=300\n", {}, {},
         {"velparam.ini:9: warning: unknown key CPUS in [Windows-6.1-required]: setup.exe passes it over (did you "
          "mean CPU?)"}},
        {"check value of the wrong form", kVelmor, "5.1,6.1", "SWAP_SPACE=lots\nSERVICE_PACK=Service Pack 6\n", {}, {},
         {"velparam.ini:9: error: SWAP_SPACE=lots: setup.exe reads no number above 0 here, so the check always fails",
          "velparam.ini:10: error: SERVICE_PACK=Service Pack 6: \"Service Pack 6\" holds a blank, but setup.exe "
          "compares the level alone (such as 6a)"}},
        {"failure message without its check", kVelmor, "5.1,6.1", "SERVICE_PACK_FAILURE_MESSAGE=Install SP 2.\n",
         {}, {},
         {"velparam.ini:9: warning: SERVICE_PACK_FAILURE_MESSAGE without a SERVICE_PACK check for Windows 6.1: "
          "setup.exe never shows it"}},
        {"value read differently from how it looks", kVelmor, "5.1,6.1", "TEMP_SPACE = 10\nSERVICE_PACK=a=b\n", {}, {},
         {"velparam.ini:9: warning: TEMP_SPACE: the prerequisite reader takes the value \"\", not \"10\" (a blank "
          "before \"=\" leaves no value; a value holding \"=\" needs quotes)",
          "velparam.ini:10: warning: SERVICE_PACK: the prerequisite reader takes the value \"a\", not \"a=b\" (a "
          "blank before \"=\" leaves no value; a value holding \"=\" needs quotes)"}},
        {"line without a key ends the section", kVelmor, "5.1,6.1", "=x\nTEMP_SPACE=10\n", {}, {},
         {"velparam.ini:9: warning: a line without a key ends [Windows-6.1-required]: setup.exe reads no entry below "
          "it"}},
    };

    for (const BrokenKit& kit : kits) {
        SCOPED_TRACE(kit.mistake);
        Files files = {{"setup.exe", ""},
                       {"velparam.ini", parameter_file(kit)},
                       {"resource\\cons.nls", general_catalogue()},
                       {"resource\\cons_de.nls", "S_ACTUAL=Ist: %s\0"s},
                       {"jre\\bin\\java.exe", ""},
                       {"jre\\bin\\javaw.exe", ""},
                       {"jlib\\installer.jar", ""},
                       {"lib\\win32\\core.dll", ""}};
        for (const auto& [path, bytes] : kit.added) files[path] = bytes;
        for (const std::string& path : kit.removed) files.erase(path);
        const std::vector<Finding> findings = check_kit(memory_kit({files.begin(), files.end()}));
        EXPECT_EQ(lines_of(findings), kit.expected);
        const bool errors = std::any_of(kit.expected.begin(), kit.expected.end(), [](const std::string& line) {
            return line.find(": error: ") != std::string::npos;
        });
        EXPECT_EQ(exit_code(findings, false), errors ? 1 : 0);
        EXPECT_EQ(exit_code(findings, true), kit.expected.empty() ? 0 : 1);
    }
}

}  // namespace
}  // namespace kitcheck

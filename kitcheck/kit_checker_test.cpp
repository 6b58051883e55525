#include "kitcheck/kit_checker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace kitcheck {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

const std::string kRelativeRuntime =
    "velparam.ini:5: note: JRE_LOCATION=jre is relative: setup.exe takes it from its own directory, wherever it "
    "is started from";

std::vector<std::string> lines_of(const std::vector<Finding>& findings) {
    std::vector<std::string> lines;
    for (const Finding& finding : findings) lines.push_back(format_finding(finding, "", '\\'));
    return lines;
}

// The sample kit laid out as ./run demo lays it out: the sample directory,
// the built catalogues in resource\, and stand-ins for setup.exe and the
// Java runtime. Its one finding: a note on its relative runtime.
TEST(KitCheck, SampleKitLaidOutAsTheDemoLaysItOutHasOnlyItsRelativeRuntime) {
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
    EXPECT_EQ(lines_of(findings), std::vector<std::string>{kRelativeRuntime});
    EXPECT_EQ(exit_code(findings, false), 0);
}

// A new kit checks clean but for the runtime it leaves to the author, both
// as written to a directory and as made.
TEST(KitCheck, StarterKitNeedsOnlyItsRuntime) {
    const std::vector<std::string> expected = {
        "velparam.ini:9: note: JRE_LOCATION=jre is relative: setup.exe takes it from its own directory, wherever "
        "it is started from",
        "velparam.ini:9: error: JRE_LOCATION\\bin\\java.exe (jre\\bin\\java.exe) is missing",
        "velparam.ini:9: error: JRE_LOCATION\\bin\\javaw.exe (jre\\bin\\javaw.exe) is missing"};
    std::vector<std::pair<std::string, std::string>> files;
    for (const StarterFile& file : starter_kit()) files.emplace_back(file.path, file.bytes);
    EXPECT_EQ(lines_of(check_kit(memory_kit(files))), expected);

    const fs::path kit = fs::temp_directory_path() / ("kitcheck-starter-" + std::to_string(::getpid()));
    fs::remove_all(kit);
    ASSERT_TRUE(is_new_directory(kit.string()));
    for (const StarterFile& file : starter_kit()) ASSERT_TRUE(write_kit_file(kit.string(), file.path, file.bytes));
    EXPECT_FALSE(is_new_directory(kit.string()));
    const std::vector<Finding> findings = check_kit(directory_kit(kit.string()));
    fs::remove_all(kit);
    EXPECT_EQ(lines_of(findings), expected);
}

std::string general_catalogue() {
    std::string bytes;
    for (std::string_view key : launcher_message_keys()) {
        bytes += key;
        bytes += key == "S_ACTUAL"     ? "=Actual: %s"
                 : key == "S_ERGOSLST" ? "=%s failed: %d"
                 : key == "S_WAITMSG"  ? "=Please wait...\n"
                                       : "=text";
        bytes += '\0';
    }
    return bytes;
}

enum class Saved { Ansi, Utf8Mark, Utf16Little, Utf16Big };

// ASCII text in the encoding an editor saved it in.
std::string saved_as(Saved saved, const std::string& text) {
    if (saved == Saved::Ansi) return text;
    if (saved == Saved::Utf8Mark) return "\xEF\xBB\xBF" + text;
    const bool little = saved == Saved::Utf16Little;
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (char c : text) {
        bytes += little ? c : '\0';
        bytes += little ? '\0' : c;
    }
    return bytes;
}

// A program or library whose PE header names `machine`.
std::string pe_image(unsigned machine) {
    std::string bytes = "MZ" + std::string(0x3A, '\0') + "\x40" + std::string(3, '\0');
    bytes += std::string("PE\0\0", 4);
    bytes += static_cast<char>(machine & 0xFF);
    bytes += static_cast<char>(machine >> 8);
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
    Saved saved = Saved::Ansi;  // how velparam.ini was saved
};

// [Velmor] holds kVelmor and the entries a kit adds (from line 4 on); with
// kVelmor alone the certified list is line 5, [Windows-6.1-required] line 6
// and the added prerequisite lines start on line 9.
const std::string kVelmor = "JRE_LOCATION=C:\\jre\nBOOTSTRAP=FALSE\n";

std::string parameter_file(const BrokenKit& kit) {
    return "[Velmor]\n" + kit.velmor + "[Certified Versions]\nWindows=" +
           kit.certified + "\n[Windows-6.1-required]\nCPU=300\nCPU_FAILURE_MESSAGE=Needs a faster processor.\n" +
           kit.prereq;
}

TEST(KitCheck, EachBrokenKitGivesExactlyItsFindings) {
    using namespace std::string_literals;
    const std::vector<BrokenKit> kits = {
        {"nothing wrong", kVelmor, "5.1,6.1", "", {}, {}, {}},
        {"misspelled key, and a key that belongs elsewhere", kVelmor + "BOOTSTRAPP=T\nCPU=300\n", "5.1,6.1", "", {}, {},
         {"velparam.ini:4: warning: unknown key BOOTSTRAPP: setup.exe does not read it (did you mean BOOTSTRAP?)",
          "velparam.ini:5: warning: unknown key CPU: setup.exe does not read it"}},
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
        {"runtime without javaw.exe", kVelmor, "5.1,6.1", "", {}, {"C:\\jre\\bin\\javaw.exe"},
         {"velparam.ini:2: error: JRE_LOCATION\\bin\\javaw.exe (C:\\jre\\bin\\javaw.exe) is missing"}},
        {"relative runtime", "JRE_LOCATION=jre\nBOOTSTRAP=FALSE\n", "5.1,6.1", "",
         {{"jre\\bin\\java.exe", ""}, {"jre\\bin\\javaw.exe", ""}}, {},
         {kRelativeRuntime.substr(0, 13) + "2" + kRelativeRuntime.substr(14)}},
        {"64-bit runtime with 32-bit libraries", kVelmor, "5.1,6.1", "",
         {{"C:\\jre\\bin\\java.exe", pe_image(0x8664)},
          {"lib\\win32\\core.dll", pe_image(0x14C)},
          {"lib\\win32\\util.dll", pe_image(0x14C)}},
         {},
         {"velparam.ini:2: error: JRE_LOCATION\\bin\\java.exe (C:\\jre\\bin\\java.exe) is a 64-bit program, but "
          "lib\\win32 holds 32-bit libraries (core.dll and 1 more): its Java virtual machine cannot load them; use a "
          "32-bit Java runtime"}},
        {"parameter file with a UTF-8 byte-order mark", kVelmor, "5.1,6.1", "", {}, {},
         {"velparam.ini:1: error: the file starts with a UTF-8 byte-order mark, which Windows does not recognise: it "
          "takes the first line for an unknown line, so section [Velmor] is not read and its keys take their "
          "defaults (save the file as ANSI or as UTF-16)"},
         Saved::Utf8Mark},
        {"parameter file in UTF-16", kVelmor, "5.1,6.1", "", {}, {},
         {"velparam.ini: note: saved as UTF-16 (little-endian): setup.exe reads it as it reads an ANSI file; a "
          "character the ANSI code page lacks reads as ?"},
         Saved::Utf16Little},
        {"parameter file in big-endian UTF-16", kVelmor, "5.1,6.1", "CPUS=300\n", {}, {},
         {"velparam.ini: note: saved as UTF-16 (big-endian): setup.exe reads it as it reads an ANSI file; a "
          "character the ANSI code page lacks reads as ?",
          "velparam.ini:9: error: unknown key CPUS in [Windows-6.1-required]: setup.exe passes it over, so no check "
          "runs for it (did you mean CPU?)"},
         Saved::Utf16Big},
        {"class path archives outside the scratch directory", kVelmor + "ADDTO_CLASSPATH=extra.jar\n", "5.1,6.1", "",
         {}, {},
         {"velparam.ini:4: warning: ADDTO_CLASSPATH archive extra.jar: setup.exe looks for it in the scratch "
          "directory, %TEMP%\\VelInstall<timestamp>\\extra.jar, but a run without staging (BOOTSTRAP=FALSE) puts "
          "nothing there"}},
        {"staged class path archives", "JRE_LOCATION=C:\\jre\nBOOTSTRAP=TRUE\nKSI_LOCATION=inst\nKSI_CORE_LOCATION=inst\n"
         "ADDTO_CLASSPATH=ksi\\jlib\\extra.jar;extra.jar;gone.jar\n", "5.1,6.1", "",
         {{"inst\\jlib\\extra.jar", std::string(3000, 'x')}, {"inst\\lib\\win32\\core.dll", ""}}, {},
         {"velparam.ini:6: note: ADDTO_CLASSPATH archive ksi\\jlib\\extra.jar: setup.exe looks for it in the scratch "
          "directory, %TEMP%\\VelInstall<timestamp>\\ksi\\jlib\\extra.jar, where staging puts it",
          "velparam.ini:6: warning: ADDTO_CLASSPATH archive extra.jar: setup.exe looks for it in the scratch "
          "directory, %TEMP%\\VelInstall<timestamp>\\extra.jar, but staging does not put it there: it fills jre\\, "
          "ksi\\ (KSI_LOCATION and KSI_CORE_LOCATION), images\\ and prereq\\ (did you mean ksi\\jlib\\extra.jar?)",
          "velparam.ini:6: warning: ADDTO_CLASSPATH archive gone.jar: setup.exe looks for it in the scratch "
          "directory, %TEMP%\\VelInstall<timestamp>\\gone.jar, but staging does not put it there: it fills jre\\, "
          "ksi\\ (KSI_LOCATION and KSI_CORE_LOCATION), images\\ and prereq\\",
          "velparam.ini: note: staging copies 3 KB (jre\\ 0 KB, ksi\\ 3 KB); BOOTSTRAP_SIZE=45"}},
        {"staging size too small", "JRE_LOCATION=C:\\jre\nBOOTSTRAP=TRUE\nKSI_LOCATION=inst\nKSI_CORE_LOCATION=inst\n"
         "BOOTSTRAP_SIZE=2\n", "5.1,6.1", "",
         {{"inst\\jlib\\big.jar", std::string(3 << 20, 'x')}, {"inst\\lib\\win32\\core.dll", ""}}, {},
         {"velparam.ini:6: warning: staging copies 3 MB (jre\\ 0 KB, ksi\\ 3 MB), more than BOOTSTRAP_SIZE=2: setup.exe "
          "checks for only 2 MB free, and a copy that fills the disk fails half-way"}},
        {"installer archives missing", kVelmor + "KSI_LOCATION=ksi\n", "5.1,6.1", "", {}, {},
         {"velparam.ini:4: error: KSI_LOCATION\\jlib (ksi\\jlib) is missing"}},
        {"runtime left to the user", "BOOTSTRAP=TRUE\nKSI_LOCATION=inst\nKSI_CORE_LOCATION=inst\n", "5.1,6.1", "",
         {{"inst\\jlib\\installer.jar", ""}, {"inst\\lib\\win32\\core.dll", ""}}, {},
         {"velparam.ini: note: staging copies 0 KB (ksi\\ 0 KB); BOOTSTRAP_SIZE=45",
          "velparam.ini: warning: JRE_LOCATION is not set: setup.exe asks for the Java runtime or takes it from "
          "-jreLoc"}},
        {"distribution without unzip.exe", kVelmor + "DISTRIBUTION=TRUE\nKSI_VERSION=2.0\n", "5.1,6.1", "",
         {{"..\\stage\\Components\\velmor.swd.ksi\\2.0\\1\\DataFiles\\ksi.jar", ""},
          {"..\\stage\\Components\\velmor.swd.ksi.core\\2.0\\1\\DataFiles\\core.jar", ""},
          {"C:\\jre\\runtime.jar", ""}},
         {},
         {"velparam.ini:4: error: unzip.exe is missing beside setup.exe: distribution mode expands the archives "
          "with it"}},
        {"distribution without archives", kVelmor + "DISTRIBUTION=TRUE\n", "5.1,6.1", "", {{"unzip.exe", ""}}, {},
         {"velparam.ini: error: KSI_LOCATION (..\\stage\\Components\\velmor.swd.ksi\\1.7.0.0.0\\1\\DataFiles) holds "
          "no .jar archives to expand",
          "velparam.ini: error: KSI_CORE_LOCATION (..\\stage\\Components\\velmor.swd.ksi.core\\1.7.0.0.0\\1\\"
          "DataFiles) holds no .jar archives to expand",
          "velparam.ini:2: error: JRE_LOCATION (C:\\jre) holds no .jar archives to expand"}},
        {"malformed catalogue", kVelmor, "5.1,6.1", "",
         {{"resource\\cons_de.nls", "S_ACTUAL=Ist: %s\0no equals\0S_KSI=caf\xe9\0S_WAITMSG=tail"s}},
         {},
         {"resource\\cons_de.nls:2: error: record without \"=\" (no equals): setup.exe skips it with a warning",
          "resource\\cons_de.nls:3: error: S_KSI: the text is not valid UTF-8",
          "resource\\cons_de.nls: error: the last 14 bytes have no closing NUL: setup.exe drops them"}},
        {"catalogue saved as text", kVelmor, "5.1,6.1", "",
         {{"resource\\cons_de.nls", "S_KSI=Velmor\r\nS_ACTUAL=Ist: %s\r\n"}}, {},
         {"resource\\cons_de.nls: error: the last 32 bytes have no closing NUL: setup.exe drops them; records end with "
          "a NUL byte, not a line break (make the file from its text form with velkitcheck --make-catalogue)"}},
        {"translation without the line end of its English text", kVelmor, "5.1,6.1", "",
         {{"resource\\cons_de.nls", "S_WAITMSG=Bitte warten\0"s}}, {},
         {"resource\\cons_de.nls:1: warning: S_WAITMSG does not end with the line feed its text in cons.nls ends "
          "with: setup.exe adds none, so the next line it writes runs on in this one"}},
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
        {"header in other letter case", kVelmor, "5.1,6.1", "[windows-5.1-optional]\n[WINDOWS-7.0-required]\n", {}, {},
         {"velparam.ini:9: error: [windows-5.1-optional] differs from [Windows-5.1-optional] only by letter case: "
          "setup.exe compares section names exactly, so it never reads this section and its checks do not run",
          "velparam.ini:10: warning: [WINDOWS-7.0-required]: section names are case-sensitive; setup.exe looks for "
          "[Windows-<version>-required] and [Windows-<version>-optional]"}},
        {"unknown check keys", kVelmor, "5.1,6.1", "CPUS=300\nswap_space=100\nRAM=4096\n", {}, {},
         {"velparam.ini:9: error: unknown key CPUS in [Windows-6.1-required]: setup.exe passes it over, so no check "
          "runs for it (did you mean CPU?)",
          "velparam.ini:10: error: unknown key swap_space in [Windows-6.1-required]: setup.exe passes it over, so no "
          "check runs for it (key names are case-sensitive here: write SWAP_SPACE)",
          "velparam.ini:11: error: unknown key RAM in [Windows-6.1-required]: setup.exe passes it over, so no check "
          "runs for it"}},
        {"failure message of a check that has none", kVelmor, "5.1,6.1",
         "SWAP_SPACE=100\nSWAP_SPACE_FAILURE_MESSAGE=More paging space is needed.\n", {}, {},
         {"velparam.ini:10: error: SWAP_SPACE_FAILURE_MESSAGE in [Windows-6.1-required]: SWAP_SPACE has no failure "
          "message, setup.exe never shows this text (only SERVICE_PACK, MIN_DISPLAY_COLORS and CPU have one)"}},
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
                       {"velparam.ini", saved_as(kit.saved, parameter_file(kit))},
                       {"resource\\cons.nls", general_catalogue()},
                       {"resource\\cons_de.nls", "S_ACTUAL=Ist: %s\0"s},
                       {"C:\\jre\\bin\\java.exe", ""},
                       {"C:\\jre\\bin\\javaw.exe", ""},
                       {"jlib\\installer.jar", ""},
                       {"lib\\win32\\core.dll", ""}};
        for (const auto& [path, bytes] : kit.added) files[path] = bytes;
        for (const std::string& path : kit.removed) files.erase(path);
        const std::vector<Finding> findings = check_kit(memory_kit({files.begin(), files.end()}));
        EXPECT_EQ(lines_of(findings), kit.expected);
        const auto any = [&kit](const char* severity) {
            return std::any_of(kit.expected.begin(), kit.expected.end(), [severity](const std::string& line) {
                return line.find(severity) != std::string::npos;
            });
        };
        EXPECT_EQ(exit_code(findings, false), any(": error: ") ? 1 : 0);
        EXPECT_EQ(exit_code(findings, true), any(": error: ") || any(": warning: ") ? 1 : 0);
    }
}

}  // namespace
}  // namespace kitcheck

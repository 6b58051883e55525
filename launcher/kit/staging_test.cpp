#include "launcher/kit/staging.h"

#include <gtest/gtest.h>

#include "launcher/kit/jre_prompt.h"

namespace kit {
namespace {

TEST(Staging, BootstrapSizeReadsLikeADecimalNumber) {
    EXPECT_EQ(parse_bootstrap_size("45"), 45);
    EXPECT_EQ(parse_bootstrap_size("  +12MB"), 12);
    EXPECT_EQ(parse_bootstrap_size("-3"), -3);
    EXPECT_EQ(parse_bootstrap_size("MB"), 0);
    EXPECT_EQ(parse_bootstrap_size("- 5"), 0);
    EXPECT_EQ(parse_bootstrap_size(""), 0);
    EXPECT_GT(parse_bootstrap_size("99999999999999999999999999"), kMaxBootstrapMegabytes);
    EXPECT_LT(parse_bootstrap_size("-99999999999999999999999999"), 0);
}

TEST(Staging, UnzipCommandLineQuotesEveryPath) {
    EXPECT_EQ(unzip_command_line("C:\\kit", "C:\\Disk 1\\jre", "C:\\T\\VelInstall1", true),
              "\"C:\\kit\\unzip\" -qqq \"C:\\Disk 1\\jre/*.jar\" -d \"C:\\T\\VelInstall1\" ");
    EXPECT_EQ(unzip_command_line("C:\\Program Files\\kit", "..\\stage\\DataFiles\\", "C:\\T", false),
              "\"C:\\Program Files\\kit\\unzip\" \"..\\stage\\DataFiles\\/*.jar\" -d \"C:\\T\" ");
}

TEST(Staging, UnzipCommandLineTooLongIsRefused) {
    const std::string fixed = "\"\\unzip\" -qqq \"/*.jar\" -d \"\" ";
    const std::string dir(kMaxCommandLineLength - fixed.size(), 'a');
    ASSERT_TRUE(unzip_command_line("", dir, "", true));
    EXPECT_EQ(unzip_command_line("", dir, "", true)->size(), kMaxCommandLineLength);
    EXPECT_FALSE(unzip_command_line("", dir + "a", "", true));
}

TEST(Staging, RemoveTreeNeverTakesAWholeDrive) {
    for (const char* refused : {"", "   ", "C:", "c:\\", "C:/", "C:\\\\ ", "\\", "/", "\\\\?\\C:\\",
                                "\\\\.\\D:", "\\\\server", "\\\\server\\share", "\\\\server\\share\\\\", "//server/share/",
                                "\\\\?\\UNC\\server\\share", "\\\\?\\unc\\server\\share\\",
                                "\\\\?\\Volume{0b6a6a3e-0000-0000-0000-100000000000}\\"}) {
        EXPECT_FALSE(is_removable_tree(refused)) << refused;
    }
    for (const char* removable : {"C:\\T\\VelInstall1", "C:\\x\\", "\\\\server\\share\\dir", "scratch", "\\\\?\\C:\\T",
                                "\\\\?\\UNC\\server\\share\\dir", "\\\\?\\Volume{0b6a6a3e-0000-0000-0000-100000000000}\\T"}) {
        EXPECT_TRUE(is_removable_tree(removable)) << removable;
    }
}

TEST(Staging, TitleCountsWholeMegabytesOfTheTotals) {
    CopyProgress progress;
    progress.total_files = 4000;
    progress.total_bytes = 200ULL * 1024 * 1024 + 5;
    EXPECT_EQ(staging_title("Velmor Kinsetup", progress), "Velmor Kinsetup - 0 of 4000 files, 0 of 200 MB");
    progress.files = 1234;
    progress.bytes = 56ULL * 1024 * 1024 - 1;
    EXPECT_EQ(staging_title("T", progress), "T - 1234 of 4000 files, 55 of 200 MB");
    progress.total_bytes = 5ULL << 40;  // beyond 32 bits
    EXPECT_EQ(staging_title("T", progress), "T - 1234 of 4000 files, 55 of 5242880 MB");
}

TEST(JrePrompt, CandidateKeepsTheTypedText) {
    EXPECT_EQ(java_launcher_candidate("C:\\jre1.3.1"), "C:\\jre1.3.1\\bin\\java.exe");
    EXPECT_EQ(java_launcher_candidate("C:\\jre1.3.1\\"), "C:\\jre1.3.1\\bin\\java.exe");
    EXPECT_EQ(java_launcher_candidate(" \"C:\\j\" "), " \"C:\\j\" \\bin\\java.exe");
}

}  // namespace
}  // namespace kit

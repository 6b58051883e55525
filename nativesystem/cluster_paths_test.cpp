#include "nativesystem/cluster_paths.h"

#include <gtest/gtest.h>

#include <climits>

namespace nativesystem {
namespace {

using Levels = std::vector<std::string>;

TEST(DirectoryLevels, RootEndsAtFirstColonElseFirstDollar) {
    EXPECT_EQ(directory_levels("C:\\a\\b").levels, (Levels{"C:\\a", "C:\\a\\b"}));
    EXPECT_EQ(directory_levels("\\\\node\\C$\\a\\b").levels, (Levels{"\\\\node\\C$\\a", "\\\\node\\C$\\a\\b"}));
    // A ':' anywhere wins over an earlier '$'.
    EXPECT_EQ(directory_levels("\\\\node\\C$\\x:y\\z").levels,
              (Levels{"\\\\node\\C$\\x:\\y", "\\\\node\\C$\\x:\\y\\z"}));
    // Only the first '$' ends a share root.
    EXPECT_EQ(directory_levels("\\\\n\\D$\\a$b").levels, (Levels{"\\\\n\\D$\\a$b"}));
}

TEST(DirectoryLevels, EmptyPiecesAreSkipped) {
    EXPECT_EQ(directory_levels("C:\\\\a\\\\\\b\\").levels, (Levels{"C:\\a", "C:\\a\\b"}));
    EXPECT_EQ(directory_levels("C:a").levels, (Levels{"C:\\a"}));
    EXPECT_EQ(directory_levels("\\\\n\\C$a").levels, (Levels{"\\\\n\\C$\\a"}));
}

TEST(DirectoryLevels, BackslashAsSecondByteOfACharacterDoesNotSeparate) {
    const LeadByteTest lead = [](char c) { return c == '\x95'; };
    // 0x95 0x5C is one character in code page 932.
    EXPECT_EQ(directory_levels("C:\\\x95\\\\b\\\x95\\", lead).levels,
              (Levels{"C:\\\x95\\", "C:\\\x95\\\\b", "C:\\\x95\\\\b\\\x95\\"}));
    EXPECT_EQ(directory_levels("C:\\\x95\\b").levels, (Levels{"C:\\\x95", "C:\\\x95\\b"}));
}

TEST(DirectoryLevels, BareRootHasNothingToCreate) {
    for (const char* path : {"C:", "C:\\", "C:\\\\", "\\\\node\\C$"}) {
        const DirectoryLevels result = directory_levels(path);
        EXPECT_EQ(result.error, 0u) << path;
        EXPECT_TRUE(result.levels.empty()) << path;
    }
}

TEST(DirectoryLevels, PathWithoutRootIsRefused) {
    for (const char* path : {"x\\y", "", "\\\\node\\share\\a", "relative"}) {
        const DirectoryLevels result = directory_levels(path);
        EXPECT_EQ(result.error, kErrorBadPathname) << path;
        EXPECT_TRUE(result.levels.empty()) << path;
    }
}

TEST(DirectoryLevels, LevelsLongerThanTheirPlaceAreRefusedNotCut) {
    const std::string fits = "C:\\" + std::string(kMaxBuiltPathLength - 3, 'a');
    ASSERT_EQ(fits.size(), kMaxBuiltPathLength);
    EXPECT_EQ(directory_levels(fits).levels, (Levels{fits}));

    // Collapsed separators count as built, not as given.
    EXPECT_EQ(directory_levels("C:\\\\\\" + fits.substr(3)).levels, (Levels{fits}));

    const DirectoryLevels too_long = directory_levels("C:\\x\\" + std::string(kMaxBuiltPathLength, 'b'));
    EXPECT_EQ(too_long.error, kErrorFilenameExcedRange);
    EXPECT_TRUE(too_long.levels.empty());
}

TEST(BuiltPaths, StayWithinTheirPlaces) {
    EXPECT_EQ(tree_entry_path(L"C:\\t", L"*"), L"C:\\t\\*");
    const std::wstring dir(kMaxBuiltPathLength - 2, L'd');
    EXPECT_EQ(tree_entry_path(dir, L"*")->size(), kMaxBuiltPathLength);
    EXPECT_FALSE(tree_entry_path(dir, L"ab"));

    EXPECT_EQ(volume_root_path("C:"), "\\\\.\\C:\\");
    EXPECT_TRUE(volume_root_path(std::string(kMaxVolumeRootLength - 5, 'v')));
    EXPECT_FALSE(volume_root_path(std::string(kMaxVolumeRootLength - 4, 'v')));

    EXPECT_EQ(unc_server_name("node1"), "\\\\node1");
    EXPECT_TRUE(unc_server_name(std::string(kMaxBuiltPathLength - 2, 'n')));
    EXPECT_FALSE(unc_server_name(std::string(kMaxBuiltPathLength - 1, 'n')));
}

TEST(FreeSpace, WholeKilobytesTruncated) {
    EXPECT_EQ(free_kilobytes(1536), 1);
    EXPECT_EQ(free_kilobytes(1023), 0);
    EXPECT_EQ(free_kilobytes(5ull << 40), 5ll << 30);
    EXPECT_EQ(free_space_result(free_kilobytes(1536)), "1|1");
    EXPECT_EQ(free_space_result(LLONG_MAX / 1024), "1|9007199254740991");
}

TEST(ResultTexts, EnvironmentForms) {
    EXPECT_EQ(environment_result(nullptr), L"0|Failure");
    EXPECT_EQ(environment_result(L""), L"1|@Success");
    // Values are passed through unescaped.
    EXPECT_EQ(environment_result(L"a|b@c"), L"1|a|b@c@Success");
}

}  // namespace
}  // namespace nativesystem

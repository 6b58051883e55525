#include <gtest/gtest.h>

#include "launcher/catalogue/catalogue.h"
#include "launcher/kit/kit_wintest_support.h"
#include "launcher/kit/paths.h"
#include "launcher/base/process_flags.h"

namespace kit {
namespace {

using namespace wintest;

// Every kit test runs as in silent mode, where errors go to the console
// rather than into message boxes that would wait for a click.
class KitEnvironment : public testing::Environment {
    void SetUp() override {
        base::silent_mode = true;
        catalogue::load_message_catalogue();
    }
    void TearDown() override { catalogue::free_message_catalogue(); }
};
const auto* const kit_environment = testing::AddGlobalTestEnvironment(new KitEnvironment);

std::string temp_with(std::optional<std::string> temp, std::optional<std::string> tmp) {
    EnvironmentOverride temp_override("TEMP", std::move(temp));
    EnvironmentOverride tmp_override("TMP", std::move(tmp));
    return temp_directory();
}

TEST(KitPaths, TemporaryDirectoryRules) {
    EXPECT_EQ(temp_with("tmp", "C:\\Tmp"), "C:\\TEMP");
    EXPECT_EQ(temp_with(std::nullopt, "D:\\Scratch\\"), "D:\\Scratch");
}

TEST(KitPaths, MakeDirectoriesCreatesEveryMissingParent) {
    const std::string root = fresh_root("mkdirs");
    const std::string deepest = root + "\\a\\b\\c";
    EXPECT_TRUE(make_directories(deepest));
    EXPECT_TRUE(is_directory(root + "\\a\\b"));
    EXPECT_TRUE(is_directory(deepest));
    EXPECT_TRUE(make_directories(deepest));  // existing: only tested
    write_file(root + "\\file", "x");
    EXPECT_FALSE(make_directories(root + "\\file\\sub"));
    EXPECT_FALSE(make_directories("Q:\\no such drive\\x"));
    remove_tree(root);
}

TEST(KitPaths, ProgramDirectoryAndAbsolutePaths) {
    char module[MAX_PATH];
    const std::string program(module, GetModuleFileNameA(nullptr, module, sizeof module));
    const std::optional<std::string> found = program_directory();
    ASSERT_TRUE(found);
    const std::string& directory = *found;
    EXPECT_EQ(directory + "\\kit_wintest.exe", program);
    EXPECT_TRUE(path_exists(program));
    EXPECT_FALSE(path_exists(directory + "\\no such file"));

    char current[MAX_PATH];
    const std::string cwd(current, GetCurrentDirectoryA(sizeof current, current));
    EXPECT_EQ(absolute_path("sub\\file.ini"), cwd + "\\sub\\file.ini");
    const std::string too_long(kPathBufferSize, 'a');
    EXPECT_EQ(absolute_path(too_long), too_long);  // not resolvable within its place: unchanged
}

}  // namespace
}  // namespace kit

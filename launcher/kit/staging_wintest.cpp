#include <gtest/gtest.h>

#include "launcher/kit/kit_wintest_support.h"
#include "launcher/kit/paths.h"
#include "launcher/kit/staging.h"

namespace kit {
namespace {

using namespace wintest;

void make_file(const std::string& path, const std::string& content = "data") {
    SCOPED_TRACE("make_file " + path);
    ASSERT_TRUE(make_directories(path.substr(0, path.rfind('\\'))));
    write_file(path, content);
}

std::string this_program_directory() {
    const std::optional<std::string> directory = program_directory();
    EXPECT_TRUE(directory);
    return directory.value_or("");
}

TEST(KitScratch, SecondRunInTheSameSecondGetsASuffix) {
    const std::string root = fresh_root("scratch");
    EnvironmentOverride temp("TEMP", root + "\\temp\\");
    const std::string timestamp = "2005-10-20_08-52-00AM";
    const std::optional<std::string> first = create_scratch_directory(timestamp);
    const std::optional<std::string> second = create_scratch_directory(timestamp);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(*first, root + "\\temp\\VelInstall2005-10-20_08-52-00AM");
    EXPECT_EQ(*second, *first + "_1");
    EXPECT_TRUE(is_directory(*second));
    remove_tree(root);
}

TEST(KitScratch, UnusableTemporaryDirectoryFails) {
    EnvironmentOverride temp("TEMP", std::string("Q:\\no such drive"));
    EXPECT_FALSE(create_scratch_directory("2005-10-20_08-52-00AM"));
}

class KitStaging : public testing::Test {
protected:
    void SetUp() override {
        root = fresh_root("stage");
        kit = root + "\\kit";
        scratch = root + "\\scratch";
        ASSERT_EQ(_mkdir(scratch.c_str()), 0) << scratch << ": errno " << errno;
        make_file(kit + "\\jre\\bin\\java.exe");
        make_file(kit + "\\ksi\\jlib\\installer.jar");
        make_file(kit + "\\core\\jlib\\core.jar");
        make_file(kit + "\\core\\lib\\win32\\native.dll");
        make_file(kit + "\\images\\logo.gif");
        make_file(kit + "\\prereq\\refhost.xml");
        installer = kit + "\\ksi";
        core = kit + "\\core";
        runtime = kit + "\\jre";
        images = kit + "\\images";
        prereq = kit + "\\prereq";
    }
    void TearDown() override { remove_tree(root); }
    int stage(unsigned long long required_kb, bool copy_runtime) {
        return stage_bootstrap(scratch, installer, core, runtime, "", images, prereq, this_program_directory(),
                               required_kb, false, copy_runtime);
    }
    std::string root, kit, scratch, installer, core, runtime, images, prereq;
};

TEST_F(KitStaging, CopyModeLayout) {
    ASSERT_TRUE(SetFileAttributesA((kit + "\\ksi\\jlib\\installer.jar").c_str(), FILE_ATTRIBUTE_READONLY))
        << GetLastError();
    ASSERT_EQ(stage(45 * 1024, true), kStaged);
    EXPECT_EQ(installer, scratch + "\\ksi");
    EXPECT_EQ(core, scratch + "\\ksi");
    EXPECT_EQ(runtime, scratch + "\\jre");
    EXPECT_EQ(images, scratch + "\\images");
    EXPECT_EQ(prereq, scratch + "\\prereq");
    for (const char* staged : {"\\jre\\bin\\java.exe", "\\ksi\\jlib\\installer.jar", "\\ksi\\jlib\\core.jar",
                               "\\ksi\\lib\\win32\\native.dll", "\\images\\logo.gif", "\\prereq\\refhost.xml"}) {
        EXPECT_TRUE(exists(scratch + staged)) << staged;
    }
    const DWORD attributes = GetFileAttributesA((scratch + "\\ksi\\jlib\\installer.jar").c_str());
    EXPECT_EQ(attributes & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_TRUE(SetFileAttributesA((kit + "\\ksi\\jlib\\installer.jar").c_str(), FILE_ATTRIBUTE_NORMAL))
        << GetLastError();

    remove_tree(scratch);
    EXPECT_FALSE(exists(scratch));
}

TEST_F(KitStaging, RuntimeGivenOnTheCommandLineStaysWhereItIs) {
    ASSERT_EQ(stage(0, false), kStaged);
    EXPECT_EQ(runtime, kit + "\\jre");
    EXPECT_FALSE(exists(scratch + "\\jre"));
}

TEST_F(KitStaging, MissingPiecesAndTooLittleSpace) {
    EXPECT_EQ(stage(~0ULL, true), kStagingFailed);
    EXPECT_FALSE(exists(scratch + "\\ksi"));
    EXPECT_EQ(installer, kit + "\\ksi");

    images = kit + "\\no images";
    ASSERT_EQ(stage(0, true), kStaged);  // a missing images directory is no failure
    EXPECT_EQ(images, scratch + "\\images");
}

TEST(KitTrees, MissingRootCopiesNothing) {
    const std::string root = fresh_root("missing");
    EXPECT_EQ(copy_tree(root + "\\absent", root + "\\copy"), 0);
    EXPECT_FALSE(exists(root + "\\copy"));
    remove_tree(root);
}

TEST(KitTrees, RemoveTreeOfNestedDirectories) {
    const std::string root = fresh_root("nested");
    make_file(root + "\\t\\a\\b\\c\\deep.txt");
    make_file(root + "\\t\\a\\side.txt");
    make_file(root + "\\t\\x\\y\\z.txt");
    ASSERT_EQ(_mkdir((root + "\\t\\empty").c_str()), 0) << "errno " << errno;
    remove_tree(root + "\\t");
    EXPECT_FALSE(exists(root + "\\t"));
    EXPECT_TRUE(is_directory(root));
    remove_tree(root);
}

TEST(KitTrees, TreesOfMoreThan256DirectoriesAreCopiedWhole) {
    const std::string root = fresh_root("wide");
    const std::string source = root + "\\s";
    constexpr int kBranches = 20, kLeaves = 15;  // 1 + 20 + 300 directories
    for (int b = 0; b < kBranches; ++b) {
        for (int l = 0; l < kLeaves; ++l) {
            make_file(source + "\\b" + std::to_string(b) + "\\l" + std::to_string(l) + "\\f.txt",
                      std::to_string(b * 100 + l));
        }
    }
    ASSERT_EQ(copy_tree(source, root + "\\t"), 0);
    int copied = 0;
    for (int b = 0; b < kBranches; ++b) {
        for (int l = 0; l < kLeaves; ++l) {
            const std::string file = root + "\\t\\b" + std::to_string(b) + "\\l" + std::to_string(l) + "\\f.txt";
            copied += read_file(file) == std::to_string(b * 100 + l);
        }
    }
    EXPECT_EQ(copied, kBranches * kLeaves);
    remove_tree(root + "\\t");
    remove_tree(source);
    EXPECT_FALSE(exists(root + "\\t"));
    EXPECT_FALSE(exists(source));
    remove_tree(root);
}

TEST(KitTrees, OverlongPathsAreRefusedNotCut) {
    const std::string root = fresh_root("long");
    std::string deep = root;
    while (deep.size() < kMaxTreeEntryLength - 10) deep += "\\dddddddd";
    make_file(deep + "\\f.txt");  // the directory fits its place, the file's path does not
    ASSERT_TRUE(exists(deep + "\\f.txt"));
    EXPECT_EQ(copy_tree(deep, root + "\\copy"), -1);
    EXPECT_FALSE(exists(root + "\\copy\\f.txt"));
    EXPECT_EQ(std::remove((deep + "\\f.txt").c_str()), 0);  // beyond remove_tree, as the copy found
    remove_tree(root);
    EXPECT_FALSE(exists(root));
}

TEST(KitTrees, ADirectoryThatCannotBeListedFailsTheCopyAndIsCountedByTheRemoval) {
    const std::string root = fresh_root("unlisted");
    std::string deep = root + "\\s";
    while (deep.size() < 200) deep += "\\dddddddddddddddddddd";
    deep += "\\" + std::string(kMaxTreeEntryLength - 4 - deep.size(), 'e');  // dir\*.* is one too long
    make_file(deep + "\\f");
    ASSERT_TRUE(exists(deep + "\\f"));
    EXPECT_EQ(copy_tree(root + "\\s", root + "\\c"), -1);
    EXPECT_EQ(remove_tree(root + "\\s"), 1u);
    EXPECT_TRUE(exists(deep + "\\f"));
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

TEST(KitProcesses, RunAndWaitReturnsTheExitCodeOrTheWindowsError) {
    const auto quoted = [](std::string_view program) {
        std::string line = "\"";
        line += this_program_directory();
        line += program;
        line += '"';
        return line;
    };
    EXPECT_EQ(run_and_wait(quoted("\\unzip")), 10u);  // no archive named: the unzip program's usage error
    EXPECT_EQ(run_and_wait(quoted("\\no such program")), static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
}  // namespace kit

// The cluster file operations through their exports, on Wine's drive.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "common/unique_resource.h"
#include "tests/jnihost/jnihost.h"

namespace {

using jnihost::system_text;

std::string failure(DWORD code) { return "0|" + system_text(code); }

bool is_directory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Longest path the library builds itself (260-byte places).
constexpr std::size_t kMaxPathLength = 259;

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void write_file(const std::string& path, const std::string& content, bool read_only = false) {
    SCOPED_TRACE("write_file " + path);
    std::ofstream out(path, std::ios::binary);
    out << content;
    out.close();
    ASSERT_TRUE(out);
    if (read_only) {
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY)) << GetLastError();
    }
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Removes what a test left, read-only entries included.
void clear_tree(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    WIN32_FIND_DATAA entry;
    vel::unique_find listing(FindFirstFileA((path + "\\*").c_str(), &entry));
    if (listing) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = path + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                clear_tree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(listing.get(), &entry));
    }
    listing.reset();
    RemoveDirectoryA(path.c_str());
}

// Each test works in a fresh drive-rooted directory of its own.
class ClusterFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_NE(GetTempPathA(sizeof temp, temp), 0u);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = std::string(temp) + "velcluster_" + std::to_string(GetCurrentProcessId()) + "_" + info->name();
        clear_tree(root_);
        ASSERT_TRUE(CreateDirectoryA(root_.c_str(), nullptr)) << GetLastError();
        ASSERT_THAT(root_, testing::HasSubstr(":"));
    }
    void TearDown() override { clear_tree(root_); }

    std::string at(const std::string& relative) const { return root_ + "\\" + relative; }

    template <typename Fn, typename... Args>
    std::string result(Fn fn, Args... args) {
        return vm_.text(vm_.call(fn, args...)).value_or("<null>");
    }

    jnihost::Library& lib_ = jnihost::library();
    jnihost::Vm vm_;
    std::string root_;
};

TEST_F(ClusterFiles, CopyReplacesAnExistingTargetAndReportsExactly) {
    auto copy = JNIHOST_EXPORT(lib_, copyFileCluster);
    write_file(at("a.txt"), "first");
    EXPECT_EQ(result(copy, vm_.str(at("a.txt")), vm_.str(at("b.txt"))), "1| ");
    EXPECT_EQ(read_file(at("b.txt")), "first");

    write_file(at("a.txt"), "second, longer");
    EXPECT_EQ(result(copy, vm_.str(at("a.txt")), vm_.str(at("b.txt"))), "1| ");
    EXPECT_EQ(read_file(at("b.txt")), "second, longer");

    const std::string missing = result(copy, vm_.str(at("none.txt")), vm_.str(at("c.txt")));
    EXPECT_EQ(missing, failure(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(missing.substr(missing.size() - 2), "\r\n");
    EXPECT_FALSE(exists(at("c.txt")));
}

TEST_F(ClusterFiles, MoveAndRemoveFile) {
    auto move = JNIHOST_EXPORT(lib_, moveFileCluster);
    auto remove = JNIHOST_EXPORT(lib_, removeFileCluster);
    write_file(at("a.txt"), "data");
    EXPECT_EQ(result(move, vm_.str(at("a.txt")), vm_.str(at("moved.txt"))), "1| ");
    EXPECT_FALSE(exists(at("a.txt")));
    EXPECT_EQ(read_file(at("moved.txt")), "data");
    EXPECT_EQ(result(move, vm_.str(at("a.txt")), vm_.str(at("again.txt"))), failure(ERROR_FILE_NOT_FOUND));

    EXPECT_EQ(result(remove, vm_.str(at("moved.txt"))), "1| ");
    EXPECT_FALSE(exists(at("moved.txt")));
    EXPECT_EQ(result(remove, vm_.str(at("moved.txt"))), failure(ERROR_FILE_NOT_FOUND));

    // Only the recursive removal clears the read-only attribute.
    write_file(at("ro.txt"), "keep", true);
    EXPECT_EQ(result(remove, vm_.str(at("ro.txt"))), failure(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(exists(at("ro.txt")));
}

TEST_F(ClusterFiles, RemoveDirOnlyWhenEmpty) {
    auto remove_dir = JNIHOST_EXPORT(lib_, removeDirCluster);
    ASSERT_TRUE(CreateDirectoryA(at("d").c_str(), nullptr)) << GetLastError();
    write_file(at("d\\f.txt"), "x");
    EXPECT_EQ(result(remove_dir, vm_.str(at("d"))), failure(ERROR_DIR_NOT_EMPTY));
    DeleteFileA(at("d\\f.txt").c_str());
    EXPECT_EQ(result(remove_dir, vm_.str(at("d"))), "1| ");
    EXPECT_FALSE(exists(at("d")));
}

TEST_F(ClusterFiles, CreateDirMakesEveryMissingLevelAndAcceptsExistingOnes) {
    auto create = JNIHOST_EXPORT(lib_, createDirCluster);
    ASSERT_TRUE(CreateDirectoryA(at("x").c_str(), nullptr)) << GetLastError();
    EXPECT_EQ(result(create, vm_.str(at("x\\y\\z"))), "1| ");
    EXPECT_TRUE(is_directory(at("x\\y\\z")));
    EXPECT_EQ(result(create, vm_.str(at("x\\y\\z"))), "1| ");

    // Doubled and trailing separators are only separators.
    EXPECT_EQ(result(create, vm_.str(root_ + "\\\\p\\\\q\\")), "1| ");
    EXPECT_TRUE(is_directory(at("p\\q")));

    // A file in the way stops the walk; the levels before it stay.
    write_file(at("f"), "x");
    EXPECT_EQ(result(create, vm_.str(at("f\\g\\h"))), failure(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(exists(at("f\\g")));
}

TEST_F(ClusterFiles, CreateDirRefusesPathsItCannotPlace) {
    auto create = JNIHOST_EXPORT(lib_, createDirCluster);
    char current[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryA(sizeof current, current), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(root_.c_str())) << GetLastError();
    EXPECT_EQ(result(create, vm_.str("x\\y")), failure(ERROR_BAD_PATHNAME));
    EXPECT_FALSE(exists(at("x")));
    EXPECT_TRUE(SetCurrentDirectoryA(current)) << GetLastError();

    // Longer than a level's place: refused whole, never cut to another path.
    const std::string deep = at("long\\" + std::string(260, 'l'));
    EXPECT_EQ(result(create, vm_.str(deep)), failure(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_FALSE(exists(at("long")));
}

TEST_F(ClusterFiles, RecursiveRemovalClearsReadOnlyEntriesAtEveryLevel) {
    auto remove_tree = JNIHOST_EXPORT(lib_, removeDirRecurseCluster);
    const std::string tree = at("tree");
    for (const char* level : {"", "\\a", "\\a\\b", "\\a\\b\\c", "\\empty"}) {
        ASSERT_TRUE(CreateDirectoryA((tree + level).c_str(), nullptr)) << GetLastError();
    }
    write_file(tree + "\\top.txt", "1", true);
    write_file(tree + "\\a\\mid.txt", "2");
    write_file(tree + "\\a\\b\\c\\deep.txt", "3", true);
    write_file(tree + "\\a\\b\\c\\deep2.txt", "4", true);
    ASSERT_TRUE(SetFileAttributesA((tree + "\\a\\b").c_str(), FILE_ATTRIBUTE_READONLY)) << GetLastError();

    EXPECT_EQ(result(remove_tree, vm_.str(tree)), "1| ");
    EXPECT_FALSE(exists(tree));
    EXPECT_TRUE(is_directory(root_));
}

TEST_F(ClusterFiles, RecursiveRemovalOfNothingAndOfDotNames) {
    auto remove_tree = JNIHOST_EXPORT(lib_, removeDirRecurseCluster);
    EXPECT_EQ(result(remove_tree, vm_.str(at("missing"))), "1| ");
    EXPECT_EQ(result(remove_tree, vm_.str(at("missing\\deeper"))), "1| ");
    ASSERT_TRUE(CreateDirectoryA(at("empty").c_str(), nullptr)) << GetLastError();
    EXPECT_EQ(result(remove_tree, vm_.str(at("empty"))), "1| ");
    EXPECT_FALSE(exists(at("empty")));

    char current[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryA(sizeof current, current), 0u);
    ASSERT_TRUE(CreateDirectoryA(at("cwd").c_str(), nullptr)) << GetLastError();
    write_file(at("cwd\\keep.txt"), "x");
    ASSERT_TRUE(SetCurrentDirectoryA(at("cwd").c_str())) << GetLastError();
    EXPECT_EQ(result(remove_tree, vm_.str(".")), failure(ERROR_BAD_PATHNAME));
    EXPECT_EQ(result(remove_tree, vm_.str("..")), failure(ERROR_BAD_PATHNAME));
    EXPECT_TRUE(SetCurrentDirectoryA(current)) << GetLastError();
    EXPECT_TRUE(exists(at("cwd\\keep.txt")));
}

TEST_F(ClusterFiles, RecursiveRemovalStopsAtAFileItCannotDelete) {
    auto remove_tree = JNIHOST_EXPORT(lib_, removeDirRecurseCluster);
    const std::string tree = at("tree");
    ASSERT_TRUE(CreateDirectoryA(tree.c_str(), nullptr)) << GetLastError();
    ASSERT_TRUE(CreateDirectoryA((tree + "\\sub").c_str(), nullptr)) << GetLastError();
    write_file(tree + "\\sub\\held.txt", "x");
    write_file(tree + "\\loose.txt", "y");
    {
        // A file held open without delete sharing cannot go: its directory
        // stays, and the final removal reports the tree as not empty.
        vel::unique_file held(CreateFileA((tree + "\\sub\\held.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_EQ(result(remove_tree, vm_.str(tree)), failure(ERROR_DIR_NOT_EMPTY));
        EXPECT_FALSE(exists(tree + "\\loose.txt"));
        EXPECT_TRUE(exists(tree + "\\sub\\held.txt"));

        // Held directly in the tree: the removal stops at once with its error.
        vel::unique_file held_top(CreateFileA((tree + "\\held_top.txt").c_str(), GENERIC_WRITE,
                                              FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(held_top);
        held.reset();
        EXPECT_EQ(result(remove_tree, vm_.str(tree)), failure(ERROR_SHARING_VIOLATION));
    }
    EXPECT_EQ(result(remove_tree, vm_.str(tree)), "1| ");
    EXPECT_FALSE(exists(tree));
}

TEST_F(ClusterFiles, RecursiveRemovalSkipsASubDirectoryTooLongToPlace) {
    auto remove_tree = JNIHOST_EXPORT(lib_, removeDirRecurseCluster);
    const std::string tree = at("tree");
    ASSERT_TRUE(CreateDirectoryA(tree.c_str(), nullptr)) << GetLastError();
    ASSERT_LT(tree.size(), 200u);
    // Only the wide functions with the \\?\ prefix reach such a path.
    const std::string long_name(kMaxPathLength + 1 - tree.size(), 'a');
    const std::wstring long_dir = L"\\\\?\\" + std::wstring(tree.begin(), tree.end()) + L"\\" +
                                  std::wstring(long_name.begin(), long_name.end());
    ASSERT_TRUE(CreateDirectoryW(long_dir.c_str(), nullptr)) << GetLastError();
    ASSERT_TRUE(CreateDirectoryA((tree + "\\short").c_str(), nullptr)) << GetLastError();
    write_file(tree + "\\short\\inner.txt", "1");
    write_file(tree + "\\loose.txt", "2");

    EXPECT_EQ(result(remove_tree, vm_.str(tree)), failure(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_FALSE(exists(tree + "\\short"));
    EXPECT_FALSE(exists(tree + "\\loose.txt"));
    EXPECT_NE(GetFileAttributesW(long_dir.c_str()), INVALID_FILE_ATTRIBUTES);
    RemoveDirectoryW(long_dir.c_str());
}

TEST_F(ClusterFiles, FreeSpaceIsTheTotalFreeBytesInKilobytes) {
    auto free_space = JNIHOST_EXPORT(lib_, getFreeSpace);
    ULARGE_INTEGER available;
    ULARGE_INTEGER total;
    ULARGE_INTEGER before;
    ULARGE_INTEGER after;
    ASSERT_TRUE(GetDiskFreeSpaceExA(root_.c_str(), &available, &total, &before));
    const std::string text = result(free_space, vm_.str(root_));
    ASSERT_TRUE(GetDiskFreeSpaceExA(root_.c_str(), &available, &total, &after));

    ASSERT_EQ(text.substr(0, 2), "1|");
    const long long kilobytes = std::stoll(text.substr(2));
    EXPECT_EQ(text, "1|" + std::to_string(kilobytes));
    // Other programs share the disk: allow for what they wrote meanwhile.
    const long long slack = 64 * 1024;
    const long long low = static_cast<long long>(std::min(before.QuadPart, after.QuadPart) / 1024);
    const long long high = static_cast<long long>(std::max(before.QuadPart, after.QuadPart) / 1024);
    EXPECT_GE(kilobytes, low - slack);
    EXPECT_LE(kilobytes, high + slack);

    EXPECT_EQ(result(free_space, vm_.str(at("missing\\dir"))), failure(ERROR_PATH_NOT_FOUND));
}

TEST_F(ClusterFiles, DirExistsAnswersAndReportsWhetherItCould) {
    auto dir_exists = JNIHOST_EXPORT(lib_, dirExists);
    write_file(at("file.txt"), "x");
    const struct {
        std::string path;
        bool answer;
        std::vector<std::string> calls;
    } cases[] = {
        {root_, true, {"setStatus(true)"}},
        {at("missing"), false, {"setStatus(true)"}},
        {at("file.txt"), false, {"setStatus(false)", "setOSString(" + system_text(ERROR_DIRECTORY) + ")"}},
        // A query that fails for another reason than absence has no answer.
        {at("bad<name"), false, {"setStatus(false)", "setOSString(" + system_text(ERROR_INVALID_NAME) + ")"}},
    };
    for (const auto& c : cases) {
        jobject status = vm_.status();
        EXPECT_EQ(vm_.call(dir_exists, vm_.str(c.path), status), c.answer ? JNI_TRUE : JNI_FALSE) << c.path;
        EXPECT_EQ(vm_.calls(status), c.calls) << c.path;
    }

    jobject status = vm_.status();
    EXPECT_EQ(vm_.call(dir_exists, nullptr, status), JNI_FALSE);
    EXPECT_EQ(vm_.calls(status), (std::vector<std::string>{"setStatus(false)", "setOSString()"}));
}

TEST_F(ClusterFiles, DirExistsTracesWhenAsked) {
    auto dir_exists = JNIHOST_EXPORT(lib_, dirExists);
    jobject quiet = vm_.status(false);
    jobject loud = vm_.status(true);
    jnihost::StdoutCapture capture;
    vm_.call(dir_exists, vm_.str(root_), quiet);
    vm_.call(dir_exists, vm_.str(root_), loud);
    vm_.call(dir_exists, vm_.str(at("missing")), loud);
    vm_.call(dir_exists, nullptr, loud);
    const DWORD attributes = GetFileAttributesA(root_.c_str());
    EXPECT_EQ(capture.finish(), "Calling GetFileAttributes\n"
                                " dirExists: directory detected dir name=" + root_ +
                                    ", retCode = " + std::to_string(attributes) +
                                    "\n"
                                    "DirExist native code completed successfully\n\n"
                                    "Calling GetFileAttributes\n"
                                    " dirExists: " + at("missing") +
                                    " is not a directory Windows retcode =-1\n"
                                    "DirExist native code completed successfully\n\n"
                                    "sDestDir = null\n\n");
}

TEST_F(ClusterFiles, EnvironmentValueWhenSetFailureWhenNot) {
    auto environment = JNIHOST_EXPORT(lib_, getEnvironment);
    ASSERT_EQ(_putenv("VEL_CLUSTER_TEST_VALUE=a|b@c"), 0);
    EXPECT_EQ(result(environment, vm_.str("VEL_CLUSTER_TEST_VALUE")), "1|a|b@c@Success");
    ASSERT_EQ(_putenv("VEL_CLUSTER_TEST_VALUE="), 0);
    EXPECT_EQ(result(environment, vm_.str("VEL_CLUSTER_TEST_VALUE")), "0|Failure");
    EXPECT_EQ(result(environment, nullptr), "0|Failure");
}

TEST_F(ClusterFiles, OrdinaryDriveIsNotTheClusterFileSystem) {
    auto cfs = JNIHOST_EXPORT(lib_, isCFS);
    EXPECT_EQ(vm_.call(cfs, vm_.str("C:")), JNI_FALSE);
    EXPECT_EQ(vm_.call(cfs, vm_.str(std::string(300, 'C'))), JNI_FALSE);
    EXPECT_EQ(vm_.call(cfs, nullptr), JNI_FALSE);
}

TEST_F(ClusterFiles, ArgumentTextsThatCannotBeObtainedGiveAnEmptyFailure) {
    write_file(at("a.txt"), "x");
    jstring unreadable = vm_.str(at("a.txt"));
    vm_.fail_utf_chars(unreadable);
    EXPECT_EQ(result(JNIHOST_EXPORT(lib_, copyFileCluster), vm_.str(at("a.txt")), unreadable), "0|");
    EXPECT_EQ(result(JNIHOST_EXPORT(lib_, moveFileCluster), nullptr, vm_.str(at("b.txt"))), "0|");
    EXPECT_EQ(result(JNIHOST_EXPORT(lib_, removeFileCluster), nullptr), "0|");
    EXPECT_EQ(result(JNIHOST_EXPORT(lib_, removeDirCluster), nullptr), "0|");
    EXPECT_EQ(result(JNIHOST_EXPORT(lib_, createDirCluster), nullptr), "0|");
    EXPECT_EQ(result(JNIHOST_EXPORT(lib_, removeDirRecurseCluster), nullptr), "0|");
    EXPECT_EQ(result(JNIHOST_EXPORT(lib_, getFreeSpace), nullptr), "0|");
    EXPECT_TRUE(exists(at("a.txt")));
    EXPECT_FALSE(exists(at("b.txt")));
}

}  // namespace

// Fixtures shared by the kit's Wine tests: a private directory per test,
// environment overrides restored afterwards, and small file helpers.
#pragma once

#include <direct.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "common/unique_resource.h"
#include "launcher/kit/staging.h"

namespace kit::wintest {

inline bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline bool is_directory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

inline void write_file(const std::string& path, const std::string& content) {
    SCOPED_TRACE("write_file " + path);
    vel::unique_stdio file(std::fopen(path.c_str(), "wb"));
    ASSERT_TRUE(file) << "errno " << errno;
    ASSERT_EQ(std::fwrite(content.data(), 1, content.size(), file.get()), content.size());
}

inline std::string read_file(const std::string& path) {
    std::string content;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return content;
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) content.append(chunk, got);
    std::fclose(file);
    return content;
}

// An empty directory of its own under the system's temporary directory.
inline std::string fresh_root(const std::string& name) {
    char temp[MAX_PATH];
    const DWORD length = GetTempPathA(sizeof temp, temp);
    std::string root = std::string(temp, length) + "kitwt_" + name;
    for (int attempt = 0; attempt < 3 && exists(root); ++attempt) {
        remove_tree(root);
        // What remove_tree refuses, such as an overlong path an earlier run left.
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    EXPECT_EQ(_mkdir(root.c_str()), 0) << root << ": errno " << errno;
    return root;
}

class EnvironmentOverride {
public:
    EnvironmentOverride(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        set(value);
    }
    ~EnvironmentOverride() { set(old_); }
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

private:
    // An empty value removes the variable.
    void set(const std::optional<std::string>& value) { _putenv_s(name_, value ? value->c_str() : ""); }
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace kit::wintest

// isNodeAccessible against the netapi32.dll stand-in beside this program.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/jnihost/jnihost.h"

namespace {

constexpr DWORD kProbeError = ERROR_BAD_NETPATH;

using jnihost::system_text;

std::string module_directory(HMODULE module) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, path, sizeof path);
    std::string text(path, length < sizeof path ? length : 0);
    return text.substr(0, text.find_last_of('\\'));
}

class NodeAccess : public ::testing::Test {
protected:
    void SetUp() override {
        jnihost::library();
        const HMODULE netapi = GetModuleHandleA("netapi32.dll");
        ASSERT_NE(netapi, nullptr);
        // Wine's own NetShareCheck ends the process: never reach it. Wine names
        // its built-in DLL after a file of the same name it finds first, so
        // the stand-in shows by exporting nothing else.
        ASSERT_EQ(module_directory(netapi), module_directory(nullptr));
        ASSERT_EQ(GetProcAddress(netapi, "NetApiBufferFree"), nullptr)
            << "netapi32.dll is Wine's own; is the native override in effect?";

        char temp[MAX_PATH];
        ASSERT_NE(GetTempPathA(sizeof temp, temp), 0u);
        log_ = std::string(temp) + "vel_sharecheck_" + std::to_string(GetCurrentProcessId()) + ".log";
        DeleteFileA(log_.c_str());
        ASSERT_TRUE(SetEnvironmentVariableA("VEL_SHARECHECK_LOG", log_.c_str())) << GetLastError();
        ASSERT_TRUE(SetEnvironmentVariableA("VEL_SHARECHECK_ERROR", std::to_string(kProbeError).c_str()))
            << GetLastError();
        SetEnvironmentVariableA("VEL_SHARECHECK_ACCEPT", nullptr);
    }
    void TearDown() override { DeleteFileA(log_.c_str()); }

    std::vector<std::string> probes() const {
        std::ifstream in(log_);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    std::string accessible(jstring node) {
        auto probe = JNIHOST_EXPORT(jnihost::library(), isNodeAccessible);
        return vm_.text(vm_.call(probe, node)).value_or("<null>");
    }

    jnihost::Vm vm_;
    std::string log_;
};

TEST_F(NodeAccess, NoShareUnderEitherNameProbesFourTimesInOrder) {
    EXPECT_EQ(accessible(vm_.str("node7")), "0|" + system_text(kProbeError));
    EXPECT_EQ(probes(), (std::vector<std::string>{"node7|C", "node7|C$", "\\\\node7|C", "\\\\node7|C$"}));
}

TEST_F(NodeAccess, StopsAtTheFirstProbeThatSucceeds) {
    ASSERT_TRUE(SetEnvironmentVariableA("VEL_SHARECHECK_ACCEPT", "node7|C")) << GetLastError();
    EXPECT_EQ(accessible(vm_.str("node7")), "1| ");
    EXPECT_EQ(probes(), (std::vector<std::string>{"node7|C"}));

    DeleteFileA(log_.c_str());
    ASSERT_TRUE(SetEnvironmentVariableA("VEL_SHARECHECK_ACCEPT", "node7|C$")) << GetLastError();
    EXPECT_EQ(accessible(vm_.str("node7")), "1| ");
    EXPECT_EQ(probes(), (std::vector<std::string>{"node7|C", "node7|C$"}));

    DeleteFileA(log_.c_str());
    ASSERT_TRUE(SetEnvironmentVariableA("VEL_SHARECHECK_ACCEPT", "\\\\node7|C$")) << GetLastError();
    EXPECT_EQ(accessible(vm_.str("node7")), "1| ");
    EXPECT_EQ(probes(), (std::vector<std::string>{"node7|C", "node7|C$", "\\\\node7|C", "\\\\node7|C$"}));
}

TEST_F(NodeAccess, NodeNameTooLongForItsPlaceIsRefusedBeforeAnyProbe) {
    const std::string longest(257, 'n');
    ASSERT_TRUE(SetEnvironmentVariableA("VEL_SHARECHECK_ACCEPT", ("\\\\" + longest + "|C$").c_str())) << GetLastError();
    EXPECT_EQ(accessible(vm_.str(longest)), "1| ");
    EXPECT_EQ(probes().size(), 4u);

    DeleteFileA(log_.c_str());
    EXPECT_EQ(accessible(vm_.str(longest + "n")), "0|" + system_text(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_TRUE(probes().empty());
}

TEST_F(NodeAccess, NetworkStatusesTakeTheirTextsFromNetmsg) {
    // Wine has no netmsg.dll: the stand-in beside this program takes its place.
    char system[MAX_PATH];
    const UINT length = GetSystemDirectoryA(system, sizeof system);
    ASSERT_GT(length, 0u);
    const std::string installed = std::string(system, length) + "\\netmsg.dll";
    ASSERT_TRUE(CopyFileA((module_directory(nullptr) + "\\netmsg.dll").c_str(), installed.c_str(), FALSE))
        << GetLastError();
    const struct {
        const char* status;
        std::string result;
    } cases[] = {{"2311", "0|The device is not shared.\r\n"}, {"2312", "0|Unknown error 2312"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(SetEnvironmentVariableA("VEL_SHARECHECK_ERROR", c.status)) << GetLastError();
        EXPECT_EQ(accessible(vm_.str("node7")), c.result) << c.status;
    }
    DeleteFileA(installed.c_str());
}

TEST_F(NodeAccess, MissingNodeTextFailsWithoutProbing) {
    EXPECT_EQ(accessible(nullptr), "0|");
    jstring node = vm_.str("node7");
    vm_.fail_utf_chars(node);
    EXPECT_EQ(accessible(node), "0|");
    EXPECT_TRUE(probes().empty());
}

}  // namespace

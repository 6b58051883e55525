#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "nativesystem/services/daemon_win.h"
#include "nativesystem/services/services_wintest_support.h"
#include "tests/jnihost/jnihost.h"

namespace {

using namespace services_wintest;
namespace fs = std::filesystem;

const std::string kDaemon = "VelmorPXDService";

class Daemon : public ::testing::Test {
protected:
    void SetUp() override {
        remove_service(kDaemon);
        std::string temp(MAX_PATH, '\0');
        temp.resize(GetTempPathA(static_cast<DWORD>(temp.size()), temp.data()));
        home_ = temp + "velpxd" + std::to_string(GetCurrentProcessId());
        fs::remove_all(home_);
        make_home(home_, true);
    }

    void TearDown() override {
        remove_service(kDaemon);
        EXPECT_FALSE(service_exists(kDaemon));
        std::error_code ignored;
        fs::remove_all(home_, ignored);
    }

    static void make_home(const std::string& home, bool with_nodm) {
        SCOPED_TRACE("make_home " + home);
        fs::create_directories(home + "\\bin");
        if (with_nodm) fs::create_directories(home + "\\nodm");
        ASSERT_TRUE(CopyFileA(testservice_path().c_str(), (home + "\\bin\\pxd.exe").c_str(), FALSE)) << GetLastError();
    }

    std::string start_daemon(const std::string& home, const std::string& node = "localnode") {
        auto fn = JNIHOST_EXPORT(lib_, ntStartDaemon);
        return *vm_.text(vm_.call(fn, vm_.str("unused"), vm_.str(node), vm_.str("unused"), vm_.str(home)));
    }

    std::string log_path(const std::string& home) const { return home + "\\nodm\\log\\pxdservice.log"; }

    // The log's messages in order, the date, time and thread prefix of each of
    // its `lines` lines checked and taken away.
    std::string log_messages(const std::string& home, std::size_t lines) const {
        SCOPED_TRACE("log_messages " + home);
        std::ifstream file(log_path(home));
        std::stringstream text;
        text << file.rdbuf();
        std::string prefix = R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d : \()" + std::to_string(GetCurrentThreadId()) + R"(\) : )";
        std::string all = text.str();
        std::string stripped = std::regex_replace(all, std::regex(prefix), "");
        std::size_t prefix_size = std::string("12/07/26 13:05:09 : () : ").size() +
                                  std::to_string(GetCurrentThreadId()).size();
        EXPECT_EQ(all.size() - stripped.size(), lines * prefix_size);
        return stripped;
    }

    jnihost::Vm vm_;
    jnihost::Library& lib_ = jnihost::library();
    std::string home_;
};

TEST_F(Daemon, InstalledStartedRefusedWhileRunningAndStartedAgainAfterAStop) {
    std::string executable = home_ + "\\bin\\pxd.exe";
    EXPECT_EQ(start_daemon(home_), "1| ");
    EXPECT_EQ(service_status(kDaemon)->dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    auto config = service_config(kDaemon);
    ASSERT_TRUE(config);
    EXPECT_EQ(config->service_type, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(config->start_type, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(config->error_control, static_cast<DWORD>(SERVICE_ERROR_IGNORE));
    EXPECT_EQ(config->binary_path, executable);
    EXPECT_EQ(first_dependency(kDaemon), "VelmorCMService4q");

    std::string installed = "Executable path name is " + executable + "\n\n" + "Out of create service call\n" +
                            "VelmorPXDService installed\n Executable location " + executable + " \n\n";
    EXPECT_EQ(log_messages(home_, 3), installed);

    EXPECT_EQ(start_daemon(home_), "0| ");
    std::string refused = "Executable path name is " + executable + "\n\n" + "Out of create service call\n" +
                          "\n Velmor PXDService already exists on this node\n" +
                          "\n Could not start the VelmorPXDservice \n";
    EXPECT_EQ(log_messages(home_, 7), installed + refused);

    auto stop = JNIHOST_EXPORT(lib_, ntStopService);
    ASSERT_EQ(*vm_.text(vm_.call(stop, vm_.str(kDaemon), vm_.str("localnode"))), "1| ");
    ASSERT_TRUE(wait_for_state(kDaemon, SERVICE_STOPPED, std::chrono::seconds(5)));

    EXPECT_EQ(start_daemon(home_), "1| ");
    EXPECT_EQ(service_status(kDaemon)->dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    std::string restarted = "Executable path name is " + executable + "\n\n" + "Out of create service call\n" +
                            "\n Velmor PXDService already exists on this node\n";
    EXPECT_EQ(log_messages(home_, 10), installed + refused + restarted);
}

TEST_F(Daemon, HomeWithABlankIsRegisteredQuoted) {
    const std::string home = home_ + "\\with blank";
    make_home(home, true);
    EXPECT_EQ(start_daemon(home), "1| ");
    auto config = service_config(kDaemon);
    ASSERT_TRUE(config);
    EXPECT_EQ(config->binary_path, "\"" + home + "\\bin\\pxd.exe\"");
    EXPECT_EQ(service_status(kDaemon)->dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(Daemon, MissingNodmDropsTheLogButNotTheService) {
    std::string bare = home_ + "\\bare";
    make_home(bare, false);
    EXPECT_EQ(start_daemon(bare), "1| ");
    EXPECT_EQ(service_status(kDaemon)->dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_FALSE(fs::exists(bare + "\\nodm"));

    // The newest home is the one the log follows.
    EXPECT_EQ(start_daemon(home_), "0| ");
    EXPECT_TRUE(fs::exists(log_path(home_)));
}

TEST_F(Daemon, DaemonThatStopsWhileStarting) {
    ASSERT_TRUE(std::ofstream(home_ + "\\bin\\pxd.exe.mode") << "failstart" << std::flush);
    EXPECT_EQ(start_daemon(home_), "0| ");
    EXPECT_EQ(service_status(kDaemon)->dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
}

TEST_F(Daemon, MissingHomeDoesNothing) {
    auto fn = JNIHOST_EXPORT(lib_, ntStartDaemon);
    EXPECT_EQ(*vm_.text(vm_.call(fn, nullptr, vm_.str("localnode"), nullptr, nullptr)), "0| ");
    EXPECT_FALSE(service_exists(kDaemon));
}

// Two processes of two threads each append to one log at once: every line
// arrives, whole. The writer process is this test again, told its part by
// its environment.
TEST(DaemonLogWriters, ConcurrentWritersLoseNoLine) {
    constexpr int kLines = 2000;
    constexpr int kThreads = 2;
    const std::string padding(150, 'x');
    const auto write_lines = [&](const std::string& home, const std::string& writer) {
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < kLines; ++i) {
                    nativesystem::services::append_daemon_log(
                        home, writer + std::to_string(t) + " line " + std::to_string(i) + " " + padding);
                }
            });
        }
        for (std::thread& thread : threads) thread.join();
    };
    if (const char* home = std::getenv("VEL_DAEMON_LOG_HOME")) {
        write_lines(home, "B");
        return;
    }

    std::string home(MAX_PATH, '\0');
    home.resize(GetTempPathA(static_cast<DWORD>(home.size()), home.data()));
    home += "velpxdlog" + std::to_string(GetCurrentProcessId());
    fs::remove_all(home);
    fs::create_directories(home + "\\nodm");

    ASSERT_TRUE(SetEnvironmentVariableA("VEL_DAEMON_LOG_HOME", home.c_str()));
    std::string command = "\"" + program_directory() + "\\services_wintest.exe\" "
                          "--gtest_filter=DaemonLogWriters.ConcurrentWritersLoseNoLine";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                        &startup, &process);
    SetEnvironmentVariableA("VEL_DAEMON_LOG_HOME", nullptr);
    ASSERT_TRUE(started) << GetLastError();
    vel::unique_handle child(process.hProcess);
    CloseHandle(process.hThread);
    write_lines(home, "A");
    ASSERT_EQ(WaitForSingleObject(child.get(), 120000), WAIT_OBJECT_0);
    DWORD exit_code = 1;
    GetExitCodeProcess(child.get(), &exit_code);
    EXPECT_EQ(exit_code, 0u);

    std::ifstream log(home + "\\nodm\\log\\pxdservice.log", std::ios::binary);
    const std::regex whole(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d : \(\d+\) : ([AB][01] line \d+) x{150})");
    std::set<std::string> seen;
    std::size_t broken = 0;
    for (std::string line; std::getline(log, line);) {
        std::smatch match;
        if (std::regex_match(line, match, whole)) {
            seen.insert(match[1]);
        } else {
            ++broken;
        }
    }
    EXPECT_EQ(broken, 0u);
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(2 * kThreads * kLines));
    log.close();
    fs::remove_all(home);
}

}  // namespace

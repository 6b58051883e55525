#include "nativesystem/services/daemon.h"

#include <gtest/gtest.h>

#include <string>

namespace nativesystem::services {
namespace {

TEST(DaemonPaths, ExecutableUnderTheHomeWithinItsBuffer) {
    EXPECT_EQ(daemon_executable_path("C:\\crs"), "C:\\crs\\bin\\pxd.exe");
    std::string home(kExecutablePathSize - 1 - 12, 'h');
    EXPECT_EQ(daemon_executable_path(home)->size(), kExecutablePathSize - 1);
    EXPECT_FALSE(daemon_executable_path(home + "h"));
}

TEST(DaemonPaths, LogLocationAndItsBound) {
    auto paths = daemon_log_paths("C:\\crs");
    ASSERT_TRUE(paths);
    EXPECT_EQ(paths->directory, "C:\\crs\\nodm\\log");
    EXPECT_EQ(paths->file, "C:\\crs\\nodm\\log\\pxdservice.log");

    std::string home(kLogPathSize - 1 - 9 - 15, 'h');
    ASSERT_TRUE(daemon_log_paths(home));
    EXPECT_EQ(daemon_log_paths(home)->file.size(), kLogPathSize - 1);
    EXPECT_FALSE(daemon_log_paths(home + "h"));
}

TEST(DaemonLog, LineCarriesDateTimeAndThread) {
    EXPECT_EQ(daemon_log_line("12/07/26", "13:05:09", 4242, "Out of create service call"),
              "12/07/26 13:05:09 : (4242) : Out of create service call\n");
    EXPECT_EQ(daemon_log_line("01/02/03", "00:00:00", 7, "\n Could not start the VelmorPXDservice "),
              "01/02/03 00:00:00 : (7) : \n Could not start the VelmorPXDservice \n");
}

TEST(DaemonLog, DependencyIsAOneEntryList) {
    EXPECT_EQ(daemon_dependency_list(), std::string("VelmorCMService4q\0\0", 19));
}

TEST(DaemonLog, ResultCarriesNoErrorText) {
    EXPECT_EQ(daemon_result_text(1), "1| ");
    EXPECT_EQ(daemon_result_text(0), "0| ");
}

TEST(DaemonPaths, ServiceBinaryQuotedOnlyWhenItHoldsABlank) {
    EXPECT_EQ(daemon_service_binary("C:\\Velmor\\bin\\pxd.exe"), "C:\\Velmor\\bin\\pxd.exe");
    EXPECT_EQ(daemon_service_binary("C:\\Program Files\\Velmor\\bin\\pxd.exe"),
              "\"C:\\Program Files\\Velmor\\bin\\pxd.exe\"");
    EXPECT_EQ(daemon_service_binary("C:\\Tab\there\\bin\\pxd.exe"), "\"C:\\Tab\there\\bin\\pxd.exe\"");
}

TEST(DaemonWait, PollsLikeTheServiceWaitsUntilTheLimitIsUsedUp) {
    EXPECT_EQ(daemon_wait_sleep(20000, 0), 2000u);
    // A hint of 0 must not make the wait spin.
    EXPECT_EQ(daemon_wait_sleep(0, 1000), 1000u);
    EXPECT_EQ(daemon_wait_sleep(0xFFFFFFFFu, 0), 10000u);
    EXPECT_EQ(daemon_wait_sleep(0xFFFFFFFFu, kDaemonStartLimitMs - 5), 5u);
    EXPECT_FALSE(daemon_wait_sleep(10, kDaemonStartLimitMs));
    EXPECT_FALSE(daemon_wait_sleep(0, kDaemonStartLimitMs + 1));
}

}  // namespace
}  // namespace nativesystem::services

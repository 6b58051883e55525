#include "launcher/main_flow.h"

#include <gtest/gtest.h>

using namespace launcher;

TEST(MainFlow, RunTimestampUsesTheTwelveHourClock) {
    std::tm afternoon{};
    afternoon.tm_year = 104;
    afternoon.tm_mon = 2;
    afternoon.tm_mday = 9;
    afternoon.tm_hour = 14;
    afternoon.tm_min = 15;
    afternoon.tm_sec = 7;
    EXPECT_EQ(format_run_timestamp(afternoon), "2004-03-09_02-15-07PM");
    std::tm midnight = afternoon;
    midnight.tm_hour = 0;
    EXPECT_EQ(format_run_timestamp(midnight), "2004-03-09_12-15-07AM");
    EXPECT_EQ(make_run_timestamp().size(), 21u);
}

TEST(MainFlow, StartupLocationIsTheDirectoryPart) {
    EXPECT_EQ(find_startup_location("D:\\kit\\install\\setup.exe"), "D:\\kit\\install");
    EXPECT_EQ(find_startup_location(".\\disk1\\setup.exe"), "disk1");
    EXPECT_EQ(find_startup_location(".\\setup.exe"), ".");
    EXPECT_EQ(find_startup_location("setup.exe"), ".");
    EXPECT_EQ(find_startup_location("C:\\setup.exe"), "C:");
}

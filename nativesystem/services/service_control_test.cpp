#include "nativesystem/services/service_control.h"

#include <gtest/gtest.h>

#include <string>

namespace nativesystem::services {
namespace {

std::string machine(const char* node) {
    std::string out = "stale";
    return make_machine_name(node, out, kMachineNameSize) ? out : "<rejected:" + out + ">";
}

TEST(MachineName, LocalNodeIsExactAndCaseSensitive) {
    EXPECT_TRUE(is_local_node("localnode"));
    EXPECT_FALSE(is_local_node("LOCALNODE"));
    EXPECT_FALSE(is_local_node("localnode "));
    EXPECT_EQ(machine("LOCALNODE"), "\\\\LOCALNODE");
}

TEST(MachineName, ShortAndMissingNodesAreRejectedWithEmptyOutput) {
    std::string out = "stale";
    EXPECT_FALSE(make_machine_name(nullptr, out, kMachineNameSize));
    EXPECT_EQ(out, "");
    EXPECT_EQ(machine(""), "<rejected:>");
    EXPECT_EQ(machine("ab"), "<rejected:>");
    EXPECT_EQ(machine("\\\\"), "<rejected:>");
    EXPECT_EQ(machine("abc"), "\\\\abc");
}

TEST(MachineName, LengthBoundsOfPlainAndBackslashedNames) {
    EXPECT_EQ(machine(std::string(97, 'n').c_str()), "\\\\" + std::string(97, 'n'));
    EXPECT_EQ(machine(std::string(98, 'n').c_str()), "<rejected:>");

    std::string backslashed = "\\\\" + std::string(97, 'n');
    EXPECT_EQ(machine(backslashed.c_str()), backslashed);
    EXPECT_EQ(machine((backslashed + "n").c_str()), "<rejected:>");
    EXPECT_EQ(machine("\\\\x"), "\\\\x");
}

TEST(CreateDefaults, ZeroTakesTheUsualSettingOthersAreKept) {
    CreateSettings all = apply_create_defaults({});
    EXPECT_EQ(all.desired_access, 0xF01FFu);
    EXPECT_EQ(all.service_type, 0x10u);
    EXPECT_EQ(all.start_type, 3u);
    EXPECT_EQ(all.error_control, 1u);

    CreateSettings given = apply_create_defaults({0x14, 0x20, 2, 3});
    EXPECT_EQ(given.desired_access, 0x14u);
    EXPECT_EQ(given.service_type, 0x20u);
    EXPECT_EQ(given.start_type, 2u);
    EXPECT_EQ(given.error_control, 3u);
}

TEST(DependencyList, NameBeforeTheFirstBarEndedByTwoNuls) {
    EXPECT_EQ(make_dependency_list("A|B"), std::string("A\0\0", 3));
    EXPECT_EQ(make_dependency_list("Cm|x|y"), std::string("Cm\0\0", 4));
    EXPECT_EQ(make_dependency_list("Whole"), std::string("Whole\0\0", 7));
    EXPECT_EQ(make_dependency_list("|B"), std::string("\0\0", 2));
}

TEST(DependencyList, NameLengthBound) {
    std::string longest(kMaxDependencyNameLength, 'd');
    auto list = make_dependency_list(longest + "|tail");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->size(), kDependencyListSize);
    EXPECT_FALSE(make_dependency_list(longest + "d|tail"));
    EXPECT_FALSE(make_dependency_list(longest + "d"));
}

TEST(Waits, StartWaitNeedsGrowingCheckPointsAndEndsOnRunningOrStopped) {
    EXPECT_TRUE(start_wait_goes_on(1, {2, 2, 100}));
    EXPECT_FALSE(start_wait_goes_on(2, {2, 2, 100}));
    EXPECT_FALSE(start_wait_goes_on(3, {2, 1, 100}));
    EXPECT_FALSE(start_wait_goes_on(1, {kStateRunning, 0, 0}));
    EXPECT_FALSE(start_wait_goes_on(1, {kStateStopped, 5, 0}));
    EXPECT_TRUE(start_wait_goes_on(0x7FFFFFFF, {2, 0x80000000u, 0}));
}

TEST(Waits, StopWaitEndsOnStoppedOrStalledCheckPoint) {
    EXPECT_TRUE(stop_wait_goes_on(0, {3, 1, 100}));
    EXPECT_FALSE(stop_wait_goes_on(1, {3, 1, 100}));
    EXPECT_FALSE(stop_wait_goes_on(0, {kStateStopped, 1, 0}));
}

TEST(Waits, FailureCodeOfAStartThatDidNotRun) {
    EXPECT_EQ(start_wait_failure_code({kStateStopped, 0, 0, 1066}), 1066u);
    EXPECT_EQ(start_wait_failure_code({kStateStopped, 0, 0, 0}), kErrorServiceNotActive);
    EXPECT_EQ(start_wait_failure_code({2, 7, 100, 0}), kErrorServiceRequestTimeout);
}

}  // namespace
}  // namespace nativesystem::services

#include "nativesystem/services/service_control.h"

#include <gtest/gtest.h>

#include <string>

#include "common/ansi_text.h"

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

    // U+30DD in code page 932 is 0x83 0x7C: its second byte is no bar.
    vel::set_ansi_lead_byte_range(0x81, 0x9f);
    EXPECT_EQ(make_dependency_list("\x83\x7c|B"), std::string("\x83\x7c\0\0", 4));
    vel::clear_ansi_lead_bytes();
}

TEST(DependencyList, NameLengthBound) {
    std::string longest(kMaxDependencyNameLength, 'd');
    auto list = make_dependency_list(longest + "|tail");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->size(), kDependencyListSize);
    EXPECT_FALSE(make_dependency_list(longest + "d|tail"));
    EXPECT_FALSE(make_dependency_list(longest + "d"));
}

constexpr std::uint32_t kStartPending = 2;
constexpr std::uint32_t kStopPending = 3;

TEST(Waits, PollAtATenthOfTheHintWithinOneAndTenSeconds) {
    EXPECT_EQ(service_poll_ms(0), kShortestPollMs);
    EXPECT_EQ(service_poll_ms(3000), kShortestPollMs);
    EXPECT_EQ(service_poll_ms(30000), 3000u);
    EXPECT_EQ(service_poll_ms(0xFFFFFFFFu), kLongestPollMs);
}

TEST(Waits, CheckPointMustGrowWithinEachWaitHint) {
    ServiceWait wait = begin_service_wait({kStartPending, 1, 2000}, 0);
    EXPECT_EQ(service_wait_verdict(wait, {kStartPending, 1, 2000}, 1000, kStateRunning), WaitVerdict::go_on);
    EXPECT_EQ(service_wait_verdict(wait, {kStartPending, 2, 2000}, 2500, kStateRunning), WaitVerdict::go_on);
    // Progress counts from the read that saw the check point grow.
    EXPECT_EQ(service_wait_verdict(wait, {kStartPending, 2, 2000}, 4000, kStateRunning), WaitVerdict::go_on);
    EXPECT_EQ(service_wait_verdict(wait, {kStartPending, 2, 2000}, 4500, kStateRunning), WaitVerdict::stalled);
    // A check point that goes down is no progress, compared without sign.
    ServiceWait high = begin_service_wait({kStartPending, 0x7FFFFFFFu, 0}, 0);
    EXPECT_EQ(service_wait_verdict(high, {kStartPending, 0x80000000u, 0}, 1000, kStateRunning), WaitVerdict::go_on);
    EXPECT_EQ(service_wait_verdict(high, {kStartPending, 1, 0}, 2000, kStateRunning), WaitVerdict::stalled);
}

TEST(Waits, ArrivalAndStoppingEndTheWaitBeforeAnyLimit) {
    ServiceWait wait = begin_service_wait({kStartPending, 1, 100}, 0);
    EXPECT_EQ(service_wait_verdict(wait, {kStateRunning, 0, 0}, kServiceWaitCeilingMs * 2, kStateRunning),
              WaitVerdict::arrived);
    EXPECT_EQ(service_wait_verdict(wait, {kStateStopped, 0, 0}, 50, kStateRunning), WaitVerdict::arrived);
    ServiceWait stop = begin_service_wait({kStopPending, 1, 100}, 0);
    EXPECT_EQ(service_wait_verdict(stop, {kStateStopped, 1, 0}, 50, kStateStopped), WaitVerdict::arrived);
    EXPECT_EQ(service_wait_verdict(stop, {kStopPending, 1, 100}, 1000, kStateStopped), WaitVerdict::stalled);
}

TEST(Waits, CeilingEndsAServiceThatKeepsProgressing) {
    // A few minutes: long enough for slow services, short enough for a caller.
    EXPECT_GE(kServiceWaitCeilingMs, 60u * 1000);
    EXPECT_LE(kServiceWaitCeilingMs, 10u * 60 * 1000);
    ServiceWait wait = begin_service_wait({kStartPending, 0, 0xFFFFFFFFu}, 500);
    std::uint64_t now = 500;
    std::uint32_t check_point = 0;
    WaitVerdict verdict = WaitVerdict::go_on;
    while (verdict == WaitVerdict::go_on && now < 500 + 2 * kServiceWaitCeilingMs) {
        now += service_poll_ms(0xFFFFFFFFu);
        verdict = service_wait_verdict(wait, {kStartPending, ++check_point, 0xFFFFFFFFu}, now, kStateRunning);
    }
    EXPECT_EQ(verdict, WaitVerdict::ceiling);
    EXPECT_GE(now - 500, kServiceWaitCeilingMs);
    EXPECT_LT(now - 500, kServiceWaitCeilingMs + kLongestPollMs);
    EXPECT_EQ(start_wait_failure_code({kStartPending, check_point, 0xFFFFFFFFu, 0}, verdict),
              kErrorServiceRequestTimeout);
    // A ceiling of the caller's choice.
    ServiceWait shorter = begin_service_wait({kStartPending, 0, 100}, 0);
    EXPECT_EQ(service_wait_verdict(shorter, {kStartPending, 1, 100}, 4999, kStateRunning, 5000), WaitVerdict::go_on);
    EXPECT_EQ(service_wait_verdict(shorter, {kStartPending, 2, 100}, 5000, kStateRunning, 5000), WaitVerdict::ceiling);
}

TEST(Waits, FailureCodeOfAStartThatDidNotRun) {
    EXPECT_EQ(start_wait_failure_code({kStateStopped, 0, 0, 1066}), 1066u);
    EXPECT_EQ(start_wait_failure_code({kStateStopped, 0, 0, 0}), kErrorServiceNotActive);
    EXPECT_EQ(start_wait_failure_code({2, 7, 100, 0}), kErrorServiceRequestTimeout);
}

}  // namespace
}  // namespace nativesystem::services

#include "launcher/prereq/check_logic.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "common/unique_resource.h"
#include "launcher/prereq/prereq_run.h"

namespace prereq {
namespace {

using namespace std::string_literals;

TEST(ValueList, FormatsAndMatchesEntriesAsWritten) {
    EXPECT_EQ(format_value_list("a,b,c"), "a, b or c");
    EXPECT_EQ(format_value_list("a,b"), "a or b");
    EXPECT_EQ(format_value_list("4.0"), "4.0");
    EXPECT_EQ(format_value_list(""), "");
    EXPECT_EQ(format_value_list(",a,,b,"), "a or b");
    EXPECT_EQ(format_value_list("4.0, 5.0"), "4.0 or  5.0");

    EXPECT_EQ(value_list_contains("4.0,5.0,5.1", "5.1"), 1);
    EXPECT_EQ(value_list_contains("4.0, 5.0", "5.0"), 0);
    EXPECT_EQ(value_list_contains("4.0,,5.0", ""), 0);
    EXPECT_EQ(value_list_contains("5.10", "5.1"), 0);
}

TEST(ServicePack, LevelIsTheThirdWord) {
    EXPECT_EQ(service_pack_level("Service Pack 6a"), "6a");
    EXPECT_EQ(service_pack_level("Service   Pack  4 extra"), "4");
    EXPECT_EQ(service_pack_level("Service Pack"), std::nullopt);
    EXPECT_EQ(service_pack_level(""), std::nullopt);
}

TEST(ServicePack, ListMatchAndSingleValueByteOrder) {
    EXPECT_TRUE(service_pack_passes("3", "Service Pack 4"));
    EXPECT_FALSE(service_pack_passes("3,5", "Service Pack 4"));
    EXPECT_TRUE(service_pack_passes("3,4", "Service Pack 4"));
    EXPECT_TRUE(service_pack_passes("6", "Service Pack 6a"));
    EXPECT_TRUE(service_pack_passes("6a", "Service Pack 6a"));
    EXPECT_FALSE(service_pack_passes("6a", "Service Pack 6"));
    EXPECT_FALSE(service_pack_passes("6", "Service Pack 10"));
    EXPECT_FALSE(service_pack_passes("1", ""));
    EXPECT_FALSE(service_pack_passes("1", "Update"));
    // Bytes compare unsigned: a high byte sorts after ASCII.
    EXPECT_TRUE(service_pack_passes("9", "Service Pack \xe9"));
}

TEST(DisplayColours, TextsAndVerdicts) {
    EXPECT_EQ(colour_count_text(8), "256");
    EXPECT_EQ(colour_count_text(15), "32768");
    EXPECT_EQ(colour_count_text(32), "4294967296");
    EXPECT_EQ(colour_count_text(64), "18446744073709551616");
    EXPECT_EQ(colour_count_text(1), "2.000000");
    EXPECT_EQ(colour_count_text(36), std::nullopt);

    EXPECT_EQ(display_colours_verdict(8, "256"), Verdict::Passed);
    EXPECT_EQ(display_colours_verdict(8, "257"), Verdict::Passed);
    EXPECT_EQ(display_colours_verdict(8, "258"), Verdict::Failed);
    EXPECT_EQ(display_colours_verdict(15, "65536"), Verdict::Failed);
    EXPECT_EQ(display_colours_verdict(16, "16777216"), Verdict::Failed);
    EXPECT_EQ(display_colours_verdict(32, "1e30"), Verdict::Passed);
    EXPECT_EQ(display_colours_verdict(36, "1e30"), Verdict::Passed);
    EXPECT_EQ(display_colours_verdict(8, "0"), Verdict::None);
    EXPECT_EQ(display_colours_verdict(8, "many"), Verdict::None);
}

TEST(Cpu, IntegerRequirement) {
    EXPECT_EQ(cpu_verdict(0, "300"), Verdict::Failed);
    EXPECT_EQ(cpu_verdict(300, "300"), Verdict::Passed);
    EXPECT_EQ(cpu_verdict(299, " 300MHz"), Verdict::Failed);
    EXPECT_EQ(cpu_verdict(0, "0"), Verdict::None);
    EXPECT_EQ(cpu_verdict(5000, "-1"), Verdict::None);
    EXPECT_EQ(cpu_verdict(5000, "99999999999999999999"), Verdict::Failed);
}

// Paging files the system manages, by path: C:\pagefile.sys has 1536 MB now.
double present_size(std::string_view path) {
    if (path == "C:\\pagefile.sys" || path == "?:\\pagefile.sys") return 1536;
    return path == "D:\\half.sys" ? 0.5 : 0;
}

TEST(PagingSpace, MaximaOrThePresentSizeOfManagedFiles) {
    std::string two = "C:\\pagefile.sys 100 300\0D:\\pagefile.sys 200 500\0\0"s;
    EXPECT_EQ(paging_total(two, present_size), 800);
    EXPECT_TRUE(swap_space_passes(paging_total(two, present_size), "700"));
    EXPECT_FALSE(swap_space_passes(paging_total(two, present_size), "900"));
    EXPECT_FALSE(swap_space_passes(paging_total(two, present_size), "abc"));
    EXPECT_FALSE(swap_space_passes(paging_total(two, present_size), "0"));

    // Managed by the system: automatically, or with the size left to it.
    EXPECT_EQ(paging_total("?:\\pagefile.sys\0\0"s, present_size), 1536);
    EXPECT_EQ(paging_total("C:\\pagefile.sys 0 0\0"s, present_size), 1536);
    EXPECT_EQ(paging_total("C:\\pagefile.sys 0 0\0E:\\p 1 7\0D:\\half.sys\0"s, present_size), 1543.5);
    EXPECT_EQ(paging_total("C:\\p 100\0C:\\q 1 7\0"s, present_size), 7);
    // Stops at the empty string and never reads past the bytes given.
    EXPECT_EQ(paging_total("C:\\p 1 2\0\0C:\\q 1 9\0"s, present_size), 2);
    EXPECT_EQ(paging_total(std::string_view("C:\\p 1 25", 8), present_size), 2);
    EXPECT_EQ(paging_total(std::string_view("C:\\pagefile.sys 1 2", 9), present_size), 0);
    EXPECT_EQ(paging_total("", present_size), 0);
    EXPECT_EQ(paging_total("   \0"s, present_size), 0);
}

TEST(TempSpace, RootAndComparison) {
    EXPECT_EQ(drive_root("C:\\Temp\\VelInstall"), "C:\\");
    EXPECT_EQ(drive_root("\\\\server\\share\\x"), "\\\\s");
    EXPECT_EQ(drive_root("C:"), "C:");
    EXPECT_TRUE(temp_space_passes(0, "abc"));
    EXPECT_TRUE(temp_space_passes(0, "0"));
    EXPECT_FALSE(temp_space_passes(-1, "1"));
    EXPECT_TRUE(temp_space_passes(100, "100"));
    EXPECT_FALSE(temp_space_passes(100, "100.5"));
}

TEST(Version, MajorDotMinor) {
    EXPECT_EQ(version_text(OsVersion{5, 1, ""}), "5.1");
    EXPECT_EQ(version_text(OsVersion{10, 0, ""}), "10.0");
}

TEST(Question, AnswersAndEndOfInput) {
    EXPECT_EQ(classify_answer("y"s), Answer::Yes);
    EXPECT_EQ(classify_answer("Yes please"s), Answer::Yes);
    EXPECT_EQ(classify_answer("N"s), Answer::No);
    EXPECT_EQ(classify_answer(""s), Answer::No);
    EXPECT_EQ(classify_answer("maybe"s), Answer::AskAgain);
    EXPECT_EQ(classify_answer(" y"s), Answer::AskAgain);
    EXPECT_EQ(classify_answer(std::nullopt), Answer::No);

    vel::unique_stdio file(std::tmpfile());
    ASSERT_TRUE(file);
    std::FILE* in = file.get();
    std::string input = "maybe\r\n\n" + std::string(1500, 'x') + "\ny";
    ASSERT_EQ(std::fwrite(input.data(), 1, input.size(), in), input.size());
    std::rewind(in);
    EXPECT_EQ(read_answer_line(in), "maybe");
    EXPECT_EQ(read_answer_line(in), "");
    EXPECT_EQ(read_answer_line(in)->size(), kMaxAnswerLength);
    EXPECT_EQ(read_answer_line(in), "y");  // the rest of the long line is not a new answer
    EXPECT_EQ(read_answer_line(in), std::nullopt);
}

}  // namespace
}  // namespace prereq

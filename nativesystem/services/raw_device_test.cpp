#include "nativesystem/services/raw_device.h"

#include <gtest/gtest.h>

#include <string>

namespace nativesystem::services {
namespace {

TEST(RawDeviceNames, PlainAndPrefixedNamesGiveTheSamePair) {
    auto plain = raw_device_names("D:");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->dos_name, "D:");
    EXPECT_EQ(plain->device_path, "\\\\.\\D:");

    auto prefixed = raw_device_names("\\\\.\\D:");
    ASSERT_TRUE(prefixed);
    EXPECT_EQ(prefixed->dos_name, "D:");
    EXPECT_EQ(prefixed->device_path, "\\\\.\\D:");

    auto link = raw_device_names("\\\\.\\votedsk1");
    EXPECT_EQ(link->dos_name, "votedsk1");
}

TEST(RawDeviceNames, ExactlyThePrefixGetsASecondOne) {
    auto names = raw_device_names("\\\\.\\");
    ASSERT_TRUE(names);
    EXPECT_EQ(names->dos_name, "\\\\.\\");
    EXPECT_EQ(names->device_path, "\\\\.\\\\\\.\\");
    EXPECT_EQ(raw_device_names("\\\\?\\D:")->device_path, "\\\\.\\\\\\?\\D:");
}

TEST(RawDeviceNames, NamesTooLongForTheBuffersAreRefused) {
    // The longer detail text bounds the name: 44 characters of text before it.
    std::string longest(kDetailSize - 1 - 44, 'n');
    ASSERT_TRUE(raw_device_names(longest));
    EXPECT_EQ(invalid_partition_detail(longest).size(), kDetailSize - 1);
    EXPECT_FALSE(raw_device_names(longest + "n"));
    EXPECT_TRUE(raw_device_names("\\\\.\\" + longest));
    EXPECT_FALSE(raw_device_names("\\\\.\\" + longest + "n"));
}

TEST(PartitionType, OnlyTheSixFatTypes) {
    int accepted = 0;
    for (int type = 0; type < 256; ++type) {
        if (is_accepted_partition_type(static_cast<std::uint8_t>(type))) ++accepted;
    }
    EXPECT_EQ(accepted, 6);
    for (int type : {0x01, 0x04, 0x06, 0x0B, 0x0C, 0x0E}) EXPECT_TRUE(is_accepted_partition_type(type)) << type;
    for (int type : {0x00, 0x05, 0x07, 0x0F, 0x83}) EXPECT_FALSE(is_accepted_partition_type(type)) << type;
}

TEST(PartitionType, RecognizedMarkIsCheckedBeforeTheType) {
    EXPECT_EQ(partition_verdict(true, 0x0B), PartitionVerdict::Accepted);
    EXPECT_EQ(partition_verdict(true, 0x07), PartitionVerdict::WrongType);
    EXPECT_EQ(partition_verdict(false, 0x07), PartitionVerdict::NotRecognized);
    EXPECT_EQ(partition_verdict(false, 0x0B), PartitionVerdict::NotRecognized);
}

TEST(RawDeviceTexts, DetailsLinesAndResult) {
    EXPECT_EQ(undefined_name_detail("Q:"), "Q: does not point to a logical partition");
    EXPECT_EQ(invalid_partition_detail("%s%n"), "Invalid logical partition for symbolic link %s%n");
    EXPECT_EQ(valid_partition_detail(), "1");
    EXPECT_EQ(not_recognized_line("\\\\.\\D:"), "Partition \\\\.\\D:, not marked as a recognized partition.\n");
    EXPECT_EQ(invalid_type_line(7), "Invalid partition type (7)\n");
    EXPECT_EQ(raw_device_result_text(1, L"The operation completed successfully.\r\n", L"1"),
              L"1|The operation completed successfully.\r\n|1");
    EXPECT_EQ(raw_device_result_text(0, L"x", L""), L"0|x|");
}

}  // namespace
}  // namespace nativesystem::services

#include "nativesystem/registry_data.h"

#include <gtest/gtest.h>

namespace nativesystem {
namespace {

TEST(RegistryRootNamed, FourNamesInAnyCase) {
    EXPECT_EQ(registry_root_named("HKEY_LOCAL_MACHINE"), RegistryRoot::local_machine);
    EXPECT_EQ(registry_root_named("hkey_local_machine"), RegistryRoot::local_machine);
    EXPECT_EQ(registry_root_named("HKey_Current_User"), RegistryRoot::current_user);
    EXPECT_EQ(registry_root_named("hkey_users"), RegistryRoot::users);
    EXPECT_EQ(registry_root_named("HKEY_CLASSES_ROOT"), RegistryRoot::classes_root);
    for (const char* other : {"HKLM", "", "HKEY_LOCAL_MACHINE ", "HKEY_CURRENT_CONFIG", "HKEY_USER"}) {
        EXPECT_EQ(registry_root_named(other), std::nullopt) << other;
    }
}

TEST(MultiString, PackedWithElementNulsAndTwoMore) {
    EXPECT_EQ(pack_multi_string({"a", "b"}), (std::vector<char>{'a', 0, 'b', 0, 0, 0}));
    EXPECT_EQ(pack_multi_string({""}), (std::vector<char>{0, 0, 0}));
    EXPECT_EQ(pack_multi_string({"xy", "", "z"}), (std::vector<char>{'x', 'y', 0, 0, 'z', 0, 0, 0}));
}

TEST(MultiString, TextSeparatesAndEndsElementsWithLineFeeds) {
    const char stored[] = {'x', 0, 'y', 0, 0};
    EXPECT_EQ(multi_string_text(stored, sizeof stored), "x\ny\n");
    const char written[] = {'a', 0, 'b', 0, 0, 0};
    EXPECT_EQ(multi_string_text(written, sizeof written), "a\nb\n\n");
    EXPECT_EQ(multi_string_text(stored, 1), "");
    EXPECT_EQ(multi_string_text<char>(nullptr, 0), "");
}

TEST(DecimalTextValue, ReadsAsAtoi) {
    EXPECT_EQ(decimal_text_value("12abc"), 12);
    EXPECT_EQ(decimal_text_value("abc"), 0);
    EXPECT_EQ(decimal_text_value(""), 0);
    EXPECT_EQ(decimal_text_value("-1"), -1);
    EXPECT_EQ(decimal_text_value("  \t+42 7"), 42);
    EXPECT_EQ(decimal_text_value("- 5"), 0);
    EXPECT_EQ(decimal_text_value("2147483647"), 2147483647);
    EXPECT_EQ(decimal_text_value("-2147483648"), INT32_MIN);
    EXPECT_EQ(decimal_text_value("4294967296"), 0);
}

TEST(LittleEndian, FirstFourBytes) {
    EXPECT_EQ(little_endian_int32("1234"), 875770417);
    const char minus_one[] = {'\xff', '\xff', '\xff', '\xff'};
    EXPECT_EQ(little_endian_int32(minus_one), -1);
    const char short_value[] = {5, 0, 0, 0};
    EXPECT_EQ(little_endian_int32(short_value), 5);
}

}  // namespace
}  // namespace nativesystem

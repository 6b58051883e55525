#include "common/checked_format.h"

#include <gtest/gtest.h>

#include <string>

using vel::format_checked;
using vel::format_conversions;

TEST(CheckedFormat, FormatsTheArgumentsItIsGiven) {
    EXPECT_EQ(format_checked("%s has %d MB, %u free (%x)", {"C:", -5, 7u, 255}), "C: has -5 MB, 7 free (ff)");
    EXPECT_EQ(format_checked("%-6s|%6s|%.2s", {"ab", "cd", "xyz"}), "ab    |    cd|xy");
    EXPECT_EQ(format_checked("%05d %+d %c", {42, 3, 'A'}), "00042 +3 A");
    EXPECT_EQ(format_checked("%f %.1f %g", {2.0, 0.25, 1e20}), "2.000000 0.2 1e+20");
    EXPECT_EQ(format_checked("100%% done", {}), "100% done");
    EXPECT_EQ(format_checked("%I64d KB and %ld", {1234567890123LL, 5L}), "1234567890123 KB and 5");
}

TEST(CheckedFormat, ConversionWithoutItsArgumentIsCopiedAsWritten) {
    // A translated text with more conversions than the caller passes.
    EXPECT_EQ(format_checked("Log: %s (%s)", {"a.log"}), "Log: a.log (%s)");
    EXPECT_EQ(format_checked("%s %d %n %p", {}), "%s %d %n %p");
    // An argument of the wrong kind is not read through the conversion.
    EXPECT_EQ(format_checked("%s then %d", {12, "x"}), "%s then %d");
    EXPECT_EQ(format_checked("%d then %s", {"x", "y"}), "%d then y");
    // The conversions a text takes, as the formatter pairs them: "50% done" takes one.
    EXPECT_EQ(format_conversions("%-5s of 100%% %d, 50% done %"),
              (std::vector<std::string_view>{"%-5s", "%d", "% d"}));
}

TEST(CheckedFormat, OddFormatsStayBounded) {
    EXPECT_EQ(format_checked("trailing %", {1}), "trailing %");
    EXPECT_EQ(format_checked("%*d", {5, 1}), "%*d");
    EXPECT_EQ(format_checked("%999999999999d", {1}), "%999999999999d");
    std::string wide = format_checked("%4096d", {1});
    EXPECT_EQ(wide.size(), 4096u);
    EXPECT_EQ(format_checked("%s", {std::string(100000, 'x')}).size(), 100000u);
    EXPECT_EQ(format_checked(std::string_view("a\0b", 3), {}), std::string("a\0b", 3));
}

#include "launcher/base/console.h"

#include <gtest/gtest.h>

#include <string>

using base::console_pieces;

TEST(ConsolePieces, LongConsoleTextsAreCutBetweenCharacters) {
    EXPECT_TRUE(console_pieces("").empty());
    std::string line(2500, 'x');
    auto pieces = console_pieces(line);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0].size(), 1000u);
    EXPECT_EQ(pieces[2].size(), 500u);
    // "\xC3\xA4" must not be split across two writes.
    std::string text = "ab\xC3\xA4" "cd";
    auto utf8 = console_pieces(text, 3);
    ASSERT_EQ(utf8.size(), 3u);
    EXPECT_EQ(utf8[0], "ab");
    EXPECT_EQ(utf8[1], "\xC3\xA4" "c");
    EXPECT_EQ(utf8[2], "d");
}

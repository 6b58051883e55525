#include "launcher/prereq/section_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

#include "common/unique_resource.h"

namespace prereq {
namespace {

class ConfigFile : public ::testing::Test {
protected:
    void write(const std::string& text) {
        path_ = (std::filesystem::temp_directory_path() /
                 ("section_reader_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini"))
                    .string();
        std::ofstream out(path_, std::ios::binary);
        out << text;
        out.close();
        ASSERT_TRUE(out) << "writing " << path_;
    }
    void TearDown() override {
        if (!path_.empty()) std::filesystem::remove(path_);
    }
    std::string lookup(std::optional<std::string_view> section, std::string_view key) {
        std::string out;
        read_key_value(section, key, "default", out, path_);
        return out;
    }
    // Every entry of `section` as "key=value" lines, or "missing".
    std::string entries(std::string_view section) {
        vel::unique_stdio file(std::fopen(path_.c_str(), "r"));
        std::string key, value, all;
        if (next_section_entry(section, key, value, file.get()) != 0) return "missing";
        while (next_section_entry(std::nullopt, key, value, file.get()) == 0) all += key + "=" + value + ";";
        return all;
    }
    std::string path_;
};

struct Split {
    int key_result;
    std::string key;
    int value_result;
    std::string value;
};

Split split(const std::string& line) {
    Split s;
    TokenSplitter words(line);
    s.key_result = words.next(s.key, false);
    s.value_result = words.next(s.value, true);
    return s;
}

TEST(NextToken, EntryLayouts) {
    struct Row {
        const char* line;
        const char* key;
        int value_result;
        const char* value;
    } rows[] = {
        {"CPU=300", "CPU", 0, "300"},
        {"CPU=  300", "CPU", 0, "300"},
        {"CPU = 300", "CPU", -1, ""},
        {"CPU =300", "CPU", -1, ""},
        {"CPU", "CPU", -1, ""},
        {"A=b=c", "A", 0, "b"},
        {"A=\"b=c\"", "A", 0, "b=c"},
        {"A=\"  b  \"", "A", 0, "b"},
        {"A=\"\"", "A", 0, ""},
        {"A=\"open", "A", -1, "open"},
        {"MSG=two words here  ", "MSG", 0, "two words here"},
        {"  KEY=v", "KEY", 0, "v"},
        {";note", ";note", -1, ""},
    };
    for (const Row& row : rows) {
        Split s = split(row.line);
        EXPECT_EQ(s.key_result, 0) << row.line;
        EXPECT_EQ(s.key, row.key) << row.line;
        EXPECT_EQ(s.value_result, row.value_result) << row.line;
        if (row.value_result == 0) {
            EXPECT_EQ(s.value, row.value) << row.line;
        }
    }
    std::string key;
    EXPECT_EQ(TokenSplitter("=300").next(key, false), -1);
    EXPECT_EQ(TokenSplitter("   ").next(key, false), -1);
}

TEST(NextToken, SplitsWordsOfItsOwnCopy) {
    std::string word;
    std::optional<TokenSplitter> words;
    {
        std::string text = "-mx150m -Xrs";
        words.emplace(text);
        ASSERT_EQ(words->next(word, false), 0);
        EXPECT_EQ(word, "-mx150m");
    }
    // The caller's text is gone; the splitter still continues it.
    ASSERT_EQ(words->next(word, false), 0);
    EXPECT_EQ(word, "-Xrs");
    EXPECT_EQ(words->next(word, false), -1);
    EXPECT_EQ(words->next(word, false), -1);
}

TEST(TrimBlanks, EndsOnlyAndBlankTextUnchanged) {
    std::string t = " \t a b \r\n";
    trim_blanks(t);
    EXPECT_EQ(t, "a b");
    t = "  \t ";
    trim_blanks(t);
    EXPECT_EQ(t, "  \t ");
    t = "\xa0x\xa0";  // high bytes are never blanks
    trim_blanks(t);
    EXPECT_EQ(t, "\xa0x\xa0");
}

TEST(SectionHeader, RecognisesAndTrims) {
    std::string line = "[Windows-5.0-required]  \t";
    EXPECT_EQ(section_header(line), 0u);
    EXPECT_EQ(line, "[Windows-5.0-required]");
    line = "  [x] comment ";
    EXPECT_EQ(section_header(line), 2u);
    EXPECT_EQ(line, "  [x] comment");
    line = "[open ";
    EXPECT_FALSE(section_header(line));
    EXPECT_EQ(line, "[open ");
    line = "KEY=[a]";
    EXPECT_FALSE(section_header(line));
}

TEST_F(ConfigFile, ReadsLinesSkippingBlankOnesAndKeepsUnterminatedLast) {
    write("\n   \t\nfirst\r\n\n  \nsecond");
    vel::unique_stdio file(std::fopen(path_.c_str(), "r"));
    std::string line;
    EXPECT_EQ(read_config_line(file.get(), line), 0);
    EXPECT_EQ(line.back() == '\r' ? line.substr(0, line.size() - 1) : line, "first");
    EXPECT_EQ(read_config_line(file.get(), line), -1);
    EXPECT_EQ(line, "second");
    EXPECT_EQ(read_config_line(file.get(), line), -1);
    EXPECT_EQ(line, "");
}

TEST_F(ConfigFile, OverlongLineIsCutAndTheNextLineStillRead) {
    std::string long_value(3000, 'v');
    write("[S]\nMSG=" + long_value + "\nCPU=300\n");
    std::string msg = lookup("S", "MSG");
    EXPECT_EQ(msg.size(), kMaxLineLength - 4);
    EXPECT_EQ(lookup("S", "CPU"), "300");
}

TEST_F(ConfigFile, SectionLookup) {
    write("TOP=1\n[Windows-5.0-required]\nCPU=300\n\n   \nSWAP_SPACE=200\n[Other]\nCPU=1\n");
    EXPECT_EQ(lookup("Windows-5.0-required", "CPU"), "300");
    EXPECT_EQ(lookup("Windows-5.0-required", "SWAP_SPACE"), "200");
    EXPECT_EQ(lookup("Windows-5.0-required", "TOP"), "default");
    EXPECT_EQ(lookup("windows-5.0-required", "CPU"), "default");
    EXPECT_EQ(lookup("Windows-5.0-required", "cpu"), "default");
    EXPECT_EQ(lookup(std::nullopt, "TOP"), "1");
    EXPECT_EQ(lookup(std::nullopt, "CPU"), "default");
    EXPECT_EQ(lookup("Missing", "CPU"), "default");
    EXPECT_EQ(entries("Windows-5.0-required"), "CPU=300;SWAP_SPACE=200;");
    EXPECT_EQ(entries("windows-5.0-required"), "missing");
}

TEST_F(ConfigFile, HeadersOnlyMatchFromTheFirstColumnWithNothingAfter) {
    write("  [S]\nCPU=1\n[S] ; note\nCPU=2\n[S]   \nCPU=3\n");
    EXPECT_EQ(lookup("S", "CPU"), "3");
    write("  [S]\nCPU=1\n[S] ; note\nCPU=2\n");
    EXPECT_EQ(lookup("S", "CPU"), "default");
    EXPECT_EQ(entries("S"), "missing");
}

TEST_F(ConfigFile, KeylessLineOrIndentedHeaderEndsTheSection) {
    write("[S]\nA=1\n=x\nB=2\n");
    EXPECT_EQ(entries("S"), "A=1;");
    EXPECT_EQ(lookup("S", "B"), "default");
    write("[S]\nA=1\n  [T]\nB=2\n");
    EXPECT_EQ(entries("S"), "A=1;");
}

TEST_F(ConfigFile, ValuesAndComments) {
    write("[S]\n; note=1\n#x=2\nSPACED = 300\nQ=\"b=c\"\nOPEN=\"b\nLAST=300");
    EXPECT_EQ(entries("S"), ";=note;#x=2;SPACED=;Q=b=c;OPEN=;LAST=300;");
    EXPECT_EQ(lookup("S", "SPACED"), "default");
    EXPECT_EQ(lookup("S", "OPEN"), "default");
    EXPECT_EQ(lookup("S", "Q"), "b=c");
    EXPECT_EQ(lookup("S", "LAST"), "300");
}

// Notepad's "Unicode" and PowerShell write UTF-16 with a mark, older Notepad
// UTF-8 with one: every entry reads as from the ANSI file.
TEST_F(ConfigFile, UnicodeFilesReadAsTheirText) {
    const std::string ansi = "[Certified Versions]\r\nWindows=5.1,6.1\r\nMSG=\"\xC4 b\"\r\n[W-required]\r\nCPU=500\r\nTEMP=9\r\n";
    const auto utf16 = [&ansi](bool little_endian) {
        std::string bytes = little_endian ? "\xFF\xFE" : "\xFE\xFF";
        for (const char c : ansi) {
            const bool letter = c == '\xC4';  // U+0104 where the ANSI text has 0xC4
            const char pair[2] = {letter ? '\x04' : c, letter ? '\x01' : '\0'};
            bytes += little_endian ? std::string{pair[0], pair[1]} : std::string{pair[1], pair[0]};
        }
        return bytes;
    };
    const struct {
        std::string bytes;
        const char* message;
    } files[] = {{ansi, "\xC4 b"}, {"\xEF\xBB\xBF" + ansi, "\xC4 b"}, {utf16(true), "? b"}, {utf16(false), "? b"}};
    for (const auto& [bytes, message] : files) {
        write(bytes);
        EXPECT_EQ(lookup("Certified Versions", "Windows"), "5.1,6.1") << bytes;
        EXPECT_EQ(lookup("Certified Versions", "MSG"), message) << bytes;
        ConfigSource file = ConfigSource::open(path_);
        std::string key, value, all;
        ASSERT_EQ(next_section_entry("W-required", key, value, file), 0) << bytes;
        while (next_section_entry(std::nullopt, key, value, file) == 0) all += key + "=" + value + ";";
        EXPECT_EQ(all, "CPU=500;TEMP=9;") << bytes;
    }
    write(utf16(true));
    std::string out;
    read_key_value("Certified Versions", "MSG", "", out, path_, [](std::u16string_view text) {
        std::string converted;
        for (const char16_t c : text) converted += c == 0x104 ? 'A' : static_cast<char>(c);
        return converted;
    });
    EXPECT_EQ(out, "A b");  // the caller's conversion
}

TEST(ReadKeyValue, UnreadableFileGivesDefault) {
    std::string out = "x";
    read_key_value("S", "K", "dflt", out, "/nonexistent/dir/velparam.ini");
    EXPECT_EQ(out, "dflt");
}

}  // namespace
}  // namespace prereq

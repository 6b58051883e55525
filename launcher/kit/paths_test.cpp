#include "launcher/kit/paths.h"

#include <gtest/gtest.h>

#include <cctype>

#include "common/ansi_text.h"

namespace kit {
namespace {

bool ascii_letter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

std::string joined(std::string_view path, std::string_view component) { return path_under(path, component); }

std::string parent_of(std::string_view path) {
    return parent_directory(path).value_or("untouched");
}

TEST(PathHelpers, JoinAndAppend) {
    EXPECT_EQ(joined("", "bin"), "bin");
    EXPECT_EQ(joined("C:\\jre\\", "bin"), "C:\\jre\\bin");
    EXPECT_EQ(joined("C:\\jre", "bin"), "C:\\jre\\bin");
    std::string path = "C:\\jre";
    append_path_component(path, "bin");
    append_path_component(path, "java.exe");
    EXPECT_EQ(path, "C:\\jre\\bin\\java.exe");
}

TEST(PathHelpers, ParentDirectory) {
    EXPECT_EQ(parent_of("C:\\a\\b"), "C:\\a");
    EXPECT_EQ(parent_of("C:\\a\\"), "C:\\a");
    EXPECT_EQ(parent_of("C:\\"), "C:");
    EXPECT_EQ(parent_of("name"), "name");
    EXPECT_EQ(parent_of(""), "untouched");
}

TEST(PathHelpers, ValidAbsolutePaths) {
    for (const char* valid : {"C:\\Temp", "\\\\server\\share\\tmp", "\\x", "z:\\"}) {
        EXPECT_TRUE(is_valid_absolute_path(valid, ascii_letter)) << valid;
    }
    for (const char* invalid : {"", "C", "C:Temp", "Temp", "C:\\a;b", "\\x:y", "C:\\a/b", "C:\\a*", "C:\\a?",
                                "C:\\<", "C:\\>", "C:\\a|b", "1:\\a", "C:\\a:b"}) {
        EXPECT_FALSE(is_valid_absolute_path(invalid, ascii_letter)) << invalid;
    }
}

TEST(PathHelpers, TempDirectoryChoice) {
    EXPECT_EQ(choose_temp_directory("tmp", "C:\\Tmp", ascii_letter), "C:\\TEMP");  // invalid TEMP: TMP not tried
    EXPECT_EQ(choose_temp_directory(std::nullopt, "D:\\Scratch\\", ascii_letter), "D:\\Scratch");
    EXPECT_EQ(choose_temp_directory("E:\\T", "D:\\Scratch", ascii_letter), "E:\\T");
    EXPECT_EQ(choose_temp_directory(std::nullopt, std::nullopt, ascii_letter), "C:\\TEMP");
    EXPECT_EQ(choose_temp_directory("C:\\", std::nullopt, ascii_letter), "C:");
    const std::string longest = "C:\\" + std::string(kMaxPathLength - 3, 'a');
    EXPECT_EQ(choose_temp_directory(longest, std::nullopt, ascii_letter), longest);
    EXPECT_EQ(choose_temp_directory(longest + "a", std::nullopt, ascii_letter), "C:\\TEMP");
}

TEST(PathHelpers, ProgramDirectory) {
    EXPECT_EQ(program_directory_of("C:\\kit\\install\\setup.exe"), "C:\\kit\\install");
    EXPECT_EQ(program_directory_of("C:\\setup.exe"), "C:");
    EXPECT_EQ(program_directory_of("C:setup.exe"), "C:");
    EXPECT_EQ(program_directory_of("setup.exe"), "");
}

// Code page 932: "\x95\x5c" is one character whose second byte is a
// backslash, "\x83\x7c" one whose second byte is '|'.
TEST(PathHelpers, DoubleByteCharactersAreNeverSeparators) {
    vel::set_ansi_lead_byte_range(0x81, 0x9f);
    vel::set_ansi_lead_byte_range(0xe0, 0xfc);
    const std::string table = "\x95\x5c";
    const std::string temp = "C:\\\x83\x7c" + table;
    EXPECT_EQ(joined(temp, "x"), temp + "\\x");
    EXPECT_EQ(parent_of(temp + "\\" + table), temp);
    EXPECT_EQ(parent_of(temp), "C:");
    EXPECT_EQ(choose_temp_directory(temp, std::nullopt, ascii_letter), temp);
    EXPECT_EQ(choose_temp_directory(temp + "\\", std::nullopt, ascii_letter), temp);
    EXPECT_EQ(program_directory_of(temp + "\\setup.exe"), temp);
    EXPECT_EQ(program_directory_of(temp), "C:");
    vel::clear_ansi_lead_bytes();
    // In a single-byte code page the same bytes are two characters each.
    EXPECT_EQ(parent_of(temp), "C:\\\x83\x7c\x95");
}

}  // namespace
}  // namespace kit

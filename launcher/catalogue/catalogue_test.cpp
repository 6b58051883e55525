#include "launcher/catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <string_view>
#include <vector>

namespace catalogue {
namespace {

using namespace std::string_literals;

TEST(CatalogueHash, MultipliesBySixtyOneOverSignedBytes) {
    EXPECT_EQ(key_hash("abc"), 367014u);
    EXPECT_EQ(bucket_of("abc"), 58u);
    EXPECT_EQ(bucket_of(""), 0u);
    // Bytes from 0x80 count negative: -128 wraps to 2^32 - 128.
    EXPECT_EQ(key_hash("\x80"), 4294967168u);
    EXPECT_EQ(bucket_of("\x80"), 117u);
    EXPECT_EQ(key_hash("a\xff"), 5916u);
}

TEST(CatalogueMap, FirstTextWinsAndChainsKeepEveryKey) {
    MessageMap map;
    // These two keys share bucket 13.
    ASSERT_EQ(bucket_of("S_K2"), bucket_of("S_K80"));
    EXPECT_TRUE(add_message(map, "S_K2", "two"));
    EXPECT_TRUE(add_message(map, "S_K80", "eighty"));
    EXPECT_FALSE(add_message(map, "S_K2", "later"));
    ASSERT_NE(find_message(map, "S_K2"), nullptr);
    EXPECT_EQ(*find_message(map, "S_K2"), "two");
    EXPECT_EQ(*find_message(map, "S_K80"), "eighty");
    EXPECT_EQ(find_message(map, "S_K"), nullptr);
    EXPECT_EQ(find_message(map, "s_k2"), nullptr);
}

struct Loaded {
    MessageMap map;
    std::string warnings;
};

void load(Loaded& l, const std::string& bytes) { read_catalogue_records(bytes, l.map, l.warnings); }

std::string text(const Loaded& l, std::string_view key) {
    const std::string* t = find_message(l.map, key);
    return t ? *t : "<none>";
}

TEST(CatalogueRecords, SplitAtFirstEqualsWithNothingTrimmed) {
    Loaded l;
    load(l, "S_WAITMSG=a=b\0S_A = spaced \0S_LINES=one\ntwo\r\n\0"s);
    EXPECT_EQ(text(l, "S_WAITMSG"), "a=b");
    EXPECT_EQ(text(l, "S_A"), "<none>");
    EXPECT_EQ(text(l, "S_A "), " spaced ");
    EXPECT_EQ(text(l, "S_LINES"), "one\ntwo\r\n");
    EXPECT_EQ(l.warnings, "");
}

TEST(CatalogueRecords, LongRecordSplitsAfter1023Bytes) {
    Loaded l;
    const std::string first = "S_LONG=" + std::string(1023 - 7, 'x');
    const std::string remainder(477, 'y');
    load(l, first + remainder + "\0S_NEXT=n\0"s);
    EXPECT_EQ(text(l, "S_LONG"), std::string(1016, 'x'));
    EXPECT_EQ(text(l, "S_NEXT"), "n");
    EXPECT_EQ(l.warnings, "WARNING: Ignoring malformed message \"" + remainder + "\" in catalogue!\n");
}

TEST(CatalogueRecords, RecordOf1022BytesIsWholeAnd1023LeavesAnEmptyOne) {
    Loaded l;
    load(l, "S_A=" + std::string(1018, 'a') + "\0"s);
    EXPECT_EQ(text(l, "S_A").size(), 1018u);
    EXPECT_EQ(l.warnings, "");
    load(l, "S_B=" + std::string(1019, 'b') + "\0"s);
    EXPECT_EQ(text(l, "S_B").size(), 1019u);
    EXPECT_EQ(l.warnings, "WARNING: Ignoring malformed message \"\" in catalogue!\n");
}

TEST(CatalogueRecords, MalformedAndUnterminatedRecords) {
    Loaded l;
    load(l, "S_A=1\0\0no equals\0S_B=2\0S_TAIL=lost"s);
    EXPECT_EQ(text(l, "S_A"), "1");
    EXPECT_EQ(text(l, "S_B"), "2");
    EXPECT_EQ(text(l, "S_TAIL"), "<none>");
    EXPECT_EQ(l.warnings,
              "WARNING: Ignoring malformed message \"\" in catalogue!\n"
              "WARNING: Ignoring malformed message \"no equals\" in catalogue!\n");
}

TEST(CatalogueRecords, FirstOccurrenceWinsWithinAndAcrossFiles) {
    Loaded l;
    load(l, "S_X=locale\0S_X=again\0"s);
    load(l, "S_X=general\0S_Y=general\0"s);
    EXPECT_EQ(text(l, "S_X"), "locale");
    EXPECT_EQ(text(l, "S_Y"), "general");
}

TEST(CatalogueLocale, TwoLettersEachWithJapaneseAndChineseMapped) {
    EXPECT_EQ(catalogue_locale("ENU", "USA"), "en_US");
    EXPECT_EQ(catalogue_locale("DEU", "DEU"), "de_DE");
    EXPECT_EQ(catalogue_locale("JPN", "JPN"), "ja_JP");
    EXPECT_EQ(catalogue_locale("CHT", "TWN"), "zh_TW");
    // Only the first two letters of the country: China's CHN gives CH, and
    // its texts come from the language catalogue cons_zh.
    EXPECT_EQ(catalogue_locale("CHS", "CHN"), "zh_CH");
    EXPECT_EQ(catalogue_locale("JA", "jp"), "ja_JP");
    EXPECT_EQ(catalogue_locale("", ""), "_");
}

TEST(CatalogueFiles, ResourceBesideProgramInLoadingOrder) {
    EXPECT_EQ(catalogue_directory("C:\\kit\\disk 1\\setup.exe"), "C:\\kit\\disk 1\\resource");
    EXPECT_EQ(catalogue_directory("setup.exe"), ".\\resource");
    const auto paths = catalogue_file_paths("C:\\kit\\resource", "de_DE");
    EXPECT_EQ(paths[0], "C:\\kit\\resource\\cons_de_DE.nls");
    EXPECT_EQ(paths[1], "C:\\kit\\resource\\cons_de.nls");
    EXPECT_EQ(paths[2], "C:\\kit\\resource\\cons.nls");
}

TEST(CatalogueProcessWide, MissingKeysAndFormatting) {
    free_message_catalogue();
    EXPECT_EQ(message_text("S_KSI"), nullptr);
    EXPECT_EQ(text_or_key("S_KSI"), "S_KSI");
    ASSERT_TRUE(create_message_map());
    std::string warnings;
    read_catalogue_file("S_ERGOSLST=%s failed with %d\0S_EXTRA=%s and %s\0"s, warnings);
    EXPECT_STREQ(message_text("S_ERGOSLST"), "%s failed with %d");
    EXPECT_EQ(format_message("S_ERGOSLST", {"GetCurrentDir()", 5}), "GetCurrentDir() failed with 5");
    EXPECT_EQ(format_message("S_MISSING", {"x"}), "S_MISSING");
    // A translated text asking for more than the caller passes stays readable.
    EXPECT_EQ(format_message("S_EXTRA", {"one"}), "one and %s");
    free_message_catalogue();
    EXPECT_EQ(message_text("S_ERGOSLST"), nullptr);
}

// The shipped general catalogue holds every key the launcher looks up, each
// taking exactly the arguments its caller passes.
TEST(ShippedCatalogue, EveryKeyWithItsArguments) {
    std::ifstream file(VEL_BUILT_CATALOGUE, std::ios::binary);
    ASSERT_TRUE(file) << VEL_BUILT_CATALOGUE;
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    Loaded l;
    load(l, bytes);
    EXPECT_EQ(l.warnings, "");
    // The keys the build scans from the launcher's sources, and two texts
    // the catalogue keeps for kits though no source names them.
    std::vector<std::string_view> keys = {
#include "launcher_keys.inc"
    };
    keys.insert(keys.end(), {"S_ERREGKEY", "S_ERREGTOOLARGE"});
    // The conversions of the keys whose callers pass arguments; every other key takes none.
    const std::map<std::string_view, std::string> arguments = {
        {"S_ERBOOTSTRAP", "sd"}, {"S_ERBOOTSTRAP_RANGE", "d"}, {"S_ERJRENFD", "ss"},
        {"S_ERRORINVOKINGFROMCD", "s"}, {"S_ERR_INVALID_PREREQ_CONFIG_LOC", "s"}, {"S_STARTINSTALLERMSG", "s"},
        {"S_JVMLOADMSG", "s"}, {"S_ERGOSLST", "sd"}, {"S_USING_PARAMFILE", "s"}, {"S_DEF_PARAMFILE", "s"},
        {"S_ERUSR_PARAMFILE_NOT_FOUND", "s"}, {"S_ERPARAMFILE_UTF8", "s"}, {"S_ERABS_PATH", "s"},
        {"S_ERPERDIR", "s"}, {"S_ERCLEANUP", "ds"}, {"S_ACTUAL", "s"}, {"S_ACTUAL_CPU", "d"},
        {"S_ACTUAL_SWAP", "d"}, {"S_ACTUAL_TEMP_SPACE", "d"}, {"S_CHECKING_FOR_CPU", "s"},
        {"S_CHECKING_FOR_DISP_COL", "s"}, {"S_CHECKING_FOR_SWAP", "s"}, {"S_CHECKING_FOR_TEMP_SPACE", "s"},
        {"S_EXIT_MSG", "s"}, {"S_FAIL_CHECKING_FOR_SWAP", "ds"}, {"S_FAIL_CHECKING_FOR_TEMP_SPACE", "ds"},
        {"S_HIGHER_THAN", "s"},
    };
    const std::regex conversion("%[-+ #0]*[0-9]*(?:\\.[0-9]+)?(?:hh|h|ll|l|L|z|j|t)?([a-zA-Z%])");
    for (const std::string_view key : keys) {
        const auto listed = arguments.find(key);
        const std::string kinds = listed == arguments.end() ? "" : listed->second;
        const std::string* t = find_message(l.map, key);
        ASSERT_NE(t, nullptr) << key;
        std::string found;
        for (std::sregex_iterator it(t->begin(), t->end(), conversion), end; it != end; ++it) {
            if ((*it)[1] != "%") found += (*it)[1].str();
        }
        EXPECT_EQ(found, kinds) << key << ": " << *t;
    }
}

}  // namespace
}  // namespace catalogue

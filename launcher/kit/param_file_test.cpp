#include "launcher/kit/param_file.h"

#include <gtest/gtest.h>

#include <map>

namespace kit {
namespace {

// Reads like GetPrivateProfileStringA over a file holding these keys.
RawParameterReader file_with(std::map<std::string, std::string, std::less<>> keys) {
    return [keys = std::move(keys)](std::string_view key) {
        const auto found = keys.find(key);
        return found == keys.end() ? std::string() : found->second;
    };
}

KitSettings read(std::map<std::string, std::string, std::less<>> keys, bool* distribution = nullptr,
                 KitSettings settings = {}, bool jre_given = false) {
    const bool on = read_settings(file_with(std::move(keys)), "C:\\kit", jre_given, settings);
    if (distribution) *distribution = on;
    return settings;
}

TEST(ParameterFile, DefaultsOfAnEmptyFile) {
    bool distribution = true;
    const KitSettings s = read({}, &distribution);
    EXPECT_FALSE(distribution);
    EXPECT_EQ(s.jre_location, "");
    EXPECT_EQ(s.ksi_version, "1.7.0.0.0");
    EXPECT_EQ(s.ksi_location, "C:\\kit");
    EXPECT_EQ(s.ksi_core_location, "C:\\kit");
    EXPECT_EQ(s.bootstrap, "F");
    EXPECT_EQ(s.bootstrap_size, "45");
    EXPECT_EQ(s.thin_jdbc_filename, "thindrv12.jar");
    EXPECT_EQ(s.install_class, "velmor.setmgr.kta.ktac.KtacInstaller");
    EXPECT_EQ(s.install_oneclick_class, "velmor.setmgr.kto.ktoc.KtocOneClickInstaller");
    EXPECT_EQ(s.wait_for_completion, "F");
    EXPECT_EQ(s.copy_threads, "0");
    EXPECT_EQ(s.prereq_config_location, "");
}

TEST(ParameterFile, WholeQuotedJavaOptionsKeepTheirMarks) {
    using namespace std::string_literals;
    const std::string lines = "JRE_LOCATION=jre\0 jre_memory_options = \"-Dtmp=C:\\My Temp\" \0JRE_OSDPARAM=\"-Xa\" \"-Xb\"\0"s;
    const struct {
        std::string_view profile_value, key, expected;
    } cases[] = {
        {"-Dtmp=C:\\My Temp", "JRE_MEMORY_OPTIONS", "\"-Dtmp=C:\\My Temp\""},  // marks dropped by the profile functions
        {"\"-Xa\" \"-Xb\"", "JRE_OSDPARAM", "\"-Xa\" \"-Xb\""},                // no whole quoted value: as read
        {"-Xother", "JRE_MEMORY_OPTIONS", "-Xother"},                            // the file changed in between
        {"", "JRE_OSDPARAM", ""},
        {"jre", "JRE_LOCATION", "jre"},
    };
    for (const auto& c : cases) EXPECT_EQ(value_as_written(c.profile_value, lines, c.key), c.expected) << c.key;
    EXPECT_EQ(value_as_written("x", "", "JRE_OSDPARAM"), "x");
    EXPECT_TRUE(holds_java_options("JRE_OSDPARAM"));
    EXPECT_FALSE(holds_java_options("JRE_LOCATION"));
}

TEST(ParameterFile, FlagsKeepTheirFirstCharacter) {
    const KitSettings s = read({{"BOOTSTRAP", "yes"}, {"WAIT_FOR_COMPLETION", "TRUE"}});
    EXPECT_EQ(s.bootstrap, "y");
    EXPECT_EQ(s.wait_for_completion, "T");
    EXPECT_EQ(read({{"KSI_LOCATION", ""}}).ksi_location, "C:\\kit");  // empty value: the default
}

TEST(ParameterFile, DistributionDefaultsAndForcedBootstrap) {
    bool distribution = false;
    KitSettings s = read({{"DISTRIBUTION", "TRUE"}, {"BOOTSTRAP", "FALSE"}, {"KSI_VERSION", "2.0"}}, &distribution);
    EXPECT_TRUE(distribution);
    EXPECT_EQ(s.bootstrap, "TRUE");
    EXPECT_EQ(s.ksi_location, "..\\stage\\Components\\velmor.swd.ksi\\2.0\\1\\DataFiles\\");
    EXPECT_EQ(s.ksi_core_location, "..\\stage\\Components\\velmor.swd.ksi.core\\2.0\\1\\DataFiles\\");
    s = read({{"DISTRIBUTION", "T"}, {"KSI_LOCATION", "D:\\ksi"}});
    EXPECT_EQ(s.ksi_location, "D:\\ksi");
    EXPECT_EQ(s.ksi_core_location, "..\\stage\\Components\\velmor.swd.ksi.core\\1.7.0.0.0\\1\\DataFiles\\");
}

TEST(ParameterFile, CommandLineValues) {
    KitSettings given;
    given.jre_location = "D:\\given";
    given.prereq_config_location = "D:\\prereq";
    KitSettings s = read({{"JRE_LOCATION", "D:\\file"}}, nullptr, given, true);
    EXPECT_EQ(s.jre_location, "D:\\given");
    EXPECT_EQ(s.prereq_config_location, "D:\\prereq");
    s = read({{"JRE_LOCATION", "D:\\file"}, {"PREREQ_CONFIG_LOCATION", "E:\\p"}}, nullptr, given, false);
    EXPECT_EQ(s.jre_location, "D:\\file");
    EXPECT_EQ(s.prereq_config_location, "E:\\p");
}

TEST(ParameterFile, OverlongValuesAreRefusedNotCut) {
    const KitSettings s = read({{"KSI_VERSION", std::string(32, '9')}, {"COPY_THREADS", std::string(12, '1')},
                                {"JRE_VERSION", std::string(31, '1')}});
    EXPECT_EQ(s.ksi_version, "1.7.0.0.0");
    EXPECT_EQ(s.copy_threads, "0");
    EXPECT_EQ(s.jre_version, std::string(31, '1'));
}

// The kit checker takes the keys, their forms and limits from the table.
TEST(ParameterFile, KeyTableHoldsEveryKeyReadInReadingOrder) {
    std::vector<std::string> asked;
    const RawParameterReader recorder = [&asked](std::string_view key) {
        asked.emplace_back(key);
        return std::string();
    };
    KitSettings settings;
    read_settings(recorder, "C:\\kit", false, settings);
    read_location_settings(recorder, settings);
    std::vector<std::string> table;
    for (const ParameterKey& key : kParameterKeys) table.emplace_back(key.name);
    EXPECT_EQ(asked, table);
}

TEST(ParameterFile, LocationSettingsAndDerivedDirectories) {
    KitSettings s;
    read_location_settings(file_with({{"SOURCE", "http://h/p.xml"}}), s);
    EXPECT_EQ(s.source, "http://h/p.xml");
    EXPECT_EQ(s.nls_enabled, "TRUE");

    s.ksi_location = "C:\\ksi\\";
    s.ksi_core_location = "C:\\core";
    DerivedDirectories d = derive_directories(s);
    EXPECT_EQ(d.java_bin, "bin");
    EXPECT_EQ(d.installer_lib, "C:\\ksi\\\\jlib");
    EXPECT_EQ(d.core_lib, "C:\\core\\jlib");
    EXPECT_EQ(d.native_lib, "C:\\core\\lib\\win32");
    s.jre_location = "C:\\jre\\";
    EXPECT_EQ(derive_directories(s).java_bin, "C:\\jre\\bin");
}

TEST(ParameterFile, SearchPlacesInOrder) {
    EXPECT_EQ(parameter_file_candidates("D:\\start", "C:\\prog"),
              (std::vector<std::string>{"D:\\start\\velparam.ini", "D:\\start\\..\\velparam.ini",
                                        "C:\\prog\\velparam.ini", "C:\\prog\\..\\velparam.ini"}));
    EXPECT_EQ(parameter_file_candidates(".", "").size(), 2u);
    EXPECT_EQ(images_directory_candidates("C:\\prog"),
              (std::vector<std::string>{"C:\\prog\\images", "C:\\prog\\..\\images"}));
}

}  // namespace
}  // namespace kit

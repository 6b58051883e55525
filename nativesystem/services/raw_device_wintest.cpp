#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "nativesystem/jni_frame.h"
#include "tests/jnihost/jnihost.h"

namespace {

using nativesystem::error_text;

class RawDevice : public ::testing::Test {
protected:
    // The result, with what the call printed on standard output.
    std::string validate(jstring name) {
        auto fn = JNIHOST_EXPORT(lib_, validateRawDevice);
        jnihost::StdoutCapture capture;
        std::string result = *vm_.text(vm_.call(fn, name));
        printed_ = capture.finish();
        return result;
    }
    std::string validate(const std::string& name) { return validate(vm_.str(name)); }

    static std::string expected(DWORD error, const std::string& detail) {
        return "0|" + error_text(error) + "|" + detail;
    }

    jnihost::Vm vm_;
    jnihost::Library& lib_ = jnihost::library();
    std::string printed_;
};

TEST_F(RawDevice, DriveWithoutPartitionInformation) {
    // Wine opens \\.\C: and answers the geometry, but not the partition query.
    std::string invalid = expected(ERROR_NOT_SUPPORTED, "Invalid logical partition for symbolic link C:");
    EXPECT_EQ(validate("C:"), invalid);
    EXPECT_EQ(validate("\\\\.\\C:"), invalid);
    EXPECT_EQ(printed_, "");
}

TEST_F(RawDevice, UndefinedNamesAndThePrefixAlone) {
    char target[MAX_PATH];
    ASSERT_EQ(QueryDosDeviceA("VelNoSuchLink", target, sizeof target), 0u);
    DWORD undefined = GetLastError();
    EXPECT_EQ(validate("VelNoSuchLink"), expected(undefined, "VelNoSuchLink does not point to a logical partition"));
    EXPECT_EQ(validate("\\\\.\\VelNoSuchLink"),
              expected(undefined, "VelNoSuchLink does not point to a logical partition"));

    ASSERT_EQ(QueryDosDeviceA("\\\\.\\", target, sizeof target), 0u);
    EXPECT_EQ(validate("\\\\.\\"), expected(GetLastError(), "\\\\.\\ does not point to a logical partition"));
    EXPECT_EQ(printed_, "");
}

TEST_F(RawDevice, NamesTooLongAndMissingNamesAreRefused) {
    // The longest name whose detail texts fit in 260 bytes.
    std::string longest(215, 'n');
    EXPECT_EQ(validate(longest + "n"), expected(ERROR_FILENAME_EXCED_RANGE, ""));
    EXPECT_EQ(validate("\\\\.\\" + longest + "n"), expected(ERROR_FILENAME_EXCED_RANGE, ""));
    EXPECT_EQ(validate("\\\\.\\" + longest), validate(longest));
    EXPECT_NE(validate(longest), expected(ERROR_FILENAME_EXCED_RANGE, ""));
    EXPECT_EQ(validate(nullptr), expected(ERROR_INVALID_PARAMETER, ""));
}

}  // namespace

#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "nativesystem/jni_frame.h"
#include "nativesystem/services/services_wintest_support.h"
#include "tests/jnihost/jnihost.h"

namespace {

using nativesystem::error_text;

// One answer of a stand-in request: the data, or the error instead.
template <typename Info>
struct Reply {
    Reply() = default;
    Reply(DWORD failure) : error(failure) {}
    Reply(const Info& answer) : info(answer) {}
    DWORD error = ERROR_SUCCESS;
    Info info{};
};

PARTITION_INFORMATION_EX extended_info(PARTITION_STYLE style) {
    PARTITION_INFORMATION_EX info{};
    info.PartitionStyle = style;
    return info;
}

PARTITION_INFORMATION_EX mbr_partition(BYTE type, bool recognized = true) {
    PARTITION_INFORMATION_EX info = extended_info(PARTITION_STYLE_MBR);
    info.Mbr.PartitionType = type;
    info.Mbr.RecognizedPartition = recognized;
    return info;
}

PARTITION_INFORMATION_EX gpt_partition(const GUID& type) {
    PARTITION_INFORMATION_EX info = extended_info(PARTITION_STYLE_GPT);
    info.Gpt.PartitionType = type;
    return info;
}

PARTITION_INFORMATION mbr_only_partition(BYTE type) {
    PARTITION_INFORMATION info{};
    info.PartitionType = type;
    info.RecognizedPartition = TRUE;
    return info;
}

constexpr GUID kBasicData = {0xEBD0A0A2, 0xB9E5, 0x4433, {0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7}};
constexpr GUID kEfiSystem = {0xC12A7328, 0xF81F, 0x11D2, {0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B}};
constexpr GUID kNearlyBasicData = {0xEBD0A0A2, 0xB9E5, 0x4433, {0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC6}};

// What the stand-ins answer the library for the partition and its volume, and
// which of them it asked.
struct DeviceAnswers {
    Reply<PARTITION_INFORMATION_EX> extended;
    Reply<PARTITION_INFORMATION> mbr_only;
    Reply<const char*> volume;  // the file system name
    std::vector<std::string> asked;
};
DeviceAnswers answers;

// A buffer smaller than the structure fails, as it does with a driver.
template <typename Info>
BOOL reply(const Reply<Info>& given, void* out, DWORD size, DWORD* returned) {
    if (given.error != ERROR_SUCCESS || size < sizeof(Info)) {
        SetLastError(given.error != ERROR_SUCCESS ? given.error : ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(out, &given.info, sizeof(Info));
    *returned = sizeof(Info);
    return TRUE;
}

BOOL WINAPI stand_in_device_control(HANDLE device, DWORD code, void* in, DWORD in_size, void* out, DWORD out_size,
                                    DWORD* returned, OVERLAPPED* overlapped) {
    if (code == IOCTL_DISK_GET_PARTITION_INFO_EX) {
        answers.asked.push_back("extended");
        return reply(answers.extended, out, out_size, returned);
    }
    if (code == IOCTL_DISK_GET_PARTITION_INFO) {
        answers.asked.push_back("mbr-only");
        return reply(answers.mbr_only, out, out_size, returned);
    }
    return DeviceIoControl(device, code, in, in_size, out, out_size, returned, overlapped);
}

BOOL WINAPI stand_in_volume_information(LPCSTR root, LPSTR, DWORD, DWORD*, DWORD*, DWORD*, LPSTR file_system,
                                        DWORD file_system_size) {
    answers.asked.push_back(std::string("volume ") + root);
    if (answers.volume.error != ERROR_SUCCESS) {
        SetLastError(answers.volume.error);
        return FALSE;
    }
    lstrcpynA(file_system, answers.volume.info, static_cast<int>(file_system_size));
    return TRUE;
}

// A stand-in for one kernel32 import of the library while it lives.
class StandIn {
public:
    StandIn(const char* function, void* replacement)
        : function_(function), previous_(services_wintest::redirect_import(library(), "kernel32.dll", function,
                                                                            replacement)) {}
    ~StandIn() {
        if (previous_) services_wintest::redirect_import(library(), "kernel32.dll", function_, previous_);
    }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;
    bool in_place() const { return previous_ != nullptr; }

private:
    static HMODULE library() { return GetModuleHandleA("velnodm10.dll"); }
    const char* function_;
    void* previous_;
};

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
    // Wine opens \\.\C: and answers the geometry, but neither partition request.
    std::string invalid = expected(ERROR_NOT_SUPPORTED, "Invalid logical partition for symbolic link C:");
    EXPECT_EQ(validate("C:"), invalid);
    EXPECT_EQ(validate("\\\\.\\C:"), invalid);
    EXPECT_EQ(printed_, "");
}

// MBR and GPT answers of the extended request, and the MBR-only request where
// a driver does not know the extended one, through stand-ins in the library's
// imports.
TEST_F(RawDevice, PartitionAnswersOfBothStyles) {
    struct Case {
        const char* what;
        Reply<PARTITION_INFORMATION_EX> extended;
        Reply<PARTITION_INFORMATION> mbr_only;
        Reply<const char*> volume;
        DWORD error;  // ERROR_SUCCESS: a valid partition
        std::string printed;
        std::vector<std::string> asked;
    };
    const DWORD refused = ERROR_UNRECOGNIZED_VOLUME;
    const std::string invalid = "Invalid logical partition for symbolic link C:";
    const std::string not_recognized = "Partition \\\\.\\C:, not marked as a recognized partition.\n";
    const std::vector<std::string> extended{"extended"};
    const std::vector<std::string> both{"extended", "mbr-only"};
    const std::vector<std::string> volume{"extended", "volume \\\\.\\C:\\"};
    const Case cases[] = {
        {"MBR FAT32", mbr_partition(0x0B), {}, {}, ERROR_SUCCESS, "", extended},
        {"MBR NTFS", mbr_partition(0x07), {}, {}, refused, "Invalid partition type (7)\n", extended},
        {"MBR not recognized", mbr_partition(0x06, false), {}, {}, refused, not_recognized, extended},
        {"no partition table", extended_info(PARTITION_STYLE_RAW), {}, {}, refused, not_recognized, extended},
        {"fallback, FAT16", ERROR_INVALID_FUNCTION, mbr_only_partition(0x06), {}, ERROR_SUCCESS, "", both},
        {"fallback fails too", ERROR_NOT_SUPPORTED, ERROR_INVALID_FUNCTION, {}, ERROR_INVALID_FUNCTION, "", both},
        {"extended request fails", ERROR_NOT_READY, {}, {}, ERROR_NOT_READY, "", extended},
        {"GPT basic data, unformatted", gpt_partition(kBasicData), {}, ERROR_UNRECOGNIZED_VOLUME, ERROR_SUCCESS, "",
         volume},
        {"GPT basic data, RAW", gpt_partition(kBasicData), {}, "RAW", ERROR_SUCCESS, "", volume},
        {"GPT basic data, NTFS", gpt_partition(kBasicData), {}, "NTFS", refused,
         "Partition \\\\.\\C: holds a file system (NTFS).\n", volume},
        {"GPT basic data, volume unreadable", gpt_partition(kBasicData), {}, ERROR_NOT_READY, ERROR_NOT_READY, "",
         volume},
        {"GPT EFI system", gpt_partition(kEfiSystem), {}, {}, refused,
         "Invalid partition type ({C12A7328-F81F-11D2-BA4B-00A0C93EC93B})\n", extended},
        {"GPT basic data but for one byte", gpt_partition(kNearlyBasicData), {}, {}, refused,
         "Invalid partition type ({EBD0A0A2-B9E5-4433-87C0-68B6B72699C6})\n", extended},
    };
    StandIn device_control("DeviceIoControl", reinterpret_cast<void*>(stand_in_device_control));
    StandIn volume_information("GetVolumeInformationA", reinterpret_cast<void*>(stand_in_volume_information));
    ASSERT_TRUE(device_control.in_place() && volume_information.in_place());
    for (const Case& c : cases) {
        answers = {c.extended, c.mbr_only, c.volume, {}};
        std::string result = validate("C:");
        if (c.error == ERROR_SUCCESS) {
            EXPECT_EQ(result, "1|" + error_text(ERROR_SUCCESS) + "|1") << c.what;
        } else {
            EXPECT_EQ(result, expected(c.error, invalid)) << c.what;
        }
        EXPECT_EQ(printed_, c.printed) << c.what;
        EXPECT_EQ(answers.asked, c.asked) << c.what;
    }
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

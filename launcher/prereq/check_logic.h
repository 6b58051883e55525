// Decisions of the prerequisite checks: how a stated requirement is parsed and
// compared with what the machine reports. No system calls here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace prereq {

// What the version query reported.
struct OsVersion {
    unsigned long major = 0;
    unsigned long minor = 0;
    std::string service_pack;  // e.g. "Service Pack 6", empty when none
};

enum class Verdict { Passed, Failed, None };

// How a check reads its stated value.
enum class CheckValue { LevelList, Integer, Real };

// A key of a Windows-<version>-required/-optional section that names a check.
struct CheckKey {
    const char* name;
    const char* failure_message_key;  // nullptr: the check adds no failure text
    CheckValue value;
};
inline constexpr CheckKey kCheckKeys[] = {
    {"SERVICE_PACK", "SERVICE_PACK_FAILURE_MESSAGE", CheckValue::LevelList},
    {"MIN_DISPLAY_COLORS", "MIN_DISPLAY_COLORS_FAILURE_MESSAGE", CheckValue::Real},
    {"CPU", "CPU_FAILURE_MESSAGE", CheckValue::Integer},
    {"SWAP_SPACE", nullptr, CheckValue::Real},
    {"TEMP_SPACE", nullptr, CheckValue::Real},
};
// The check an entry's key names, or nullptr.
const CheckKey* find_check_key(std::string_view key);

// "major.minor", the form the certified-version list uses.
std::string version_text(const OsVersion& version);

// "a,b,c" shown as "a, b or c". Entries are taken as they stand (no trimming);
// empty ones are skipped.
std::string format_value_list(std::string_view list);
// Whether an entry of the comma-separated `list` equals `item` byte for byte.
bool value_list_contains(std::string_view list, std::string_view item);

// The installed level: third blank-separated word of e.g. "Service Pack 6a".
std::optional<std::string> service_pack_level(std::string_view service_pack);
// Whether the installed `service_pack` meets the stated `value` list. A single
// stated value is also met by any level that sorts at or after it.
bool service_pack_passes(std::string_view value, std::string_view service_pack);

// Number of colours `bits` per pixel give, as text; nullopt for the depths
// above 32 bits that have no fixed text.
std::optional<std::string> colour_count_text(int bits);
Verdict display_colours_verdict(int bits, std::string_view value);

Verdict cpu_verdict(int mhz, std::string_view value);

// The present size (MB) of the paging file a PagingFiles entry names.
using PagingFileSize = double (*)(std::string_view path);

// Paging space (MB) of the "path initial maximum" strings of a PagingFiles
// multi-string, looked at only within `data`: the maximum of each entry that
// gives one, else (a size the system manages: "?:\pagefile.sys",
// "C:\pagefile.sys 0 0") the paging file's present size.
double paging_total(std::string_view data, PagingFileSize present_size_mb);
bool swap_space_passes(double total_mb, std::string_view value);

// The drive root of the scratch directory: its first three characters.
std::string drive_root(std::string_view directory);
bool temp_space_passes(long long available_mb, std::string_view value);

// The number readers used on stated values: leading blanks skipped, the
// longest numeric prefix taken, 0 when there is none.
double read_real(std::string_view text);
int read_integer(std::string_view text);

}  // namespace prereq

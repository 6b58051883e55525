// A catalogue file of any bytes: every record either lands in the map or is
// warned about, a stored text is never longer than a record, and formatting a
// stored text with the launcher's usual arguments stays bounded.
#include "launcher/catalogue/catalogue.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    catalogue::MessageMap map;
    std::string warnings;
    catalogue::read_catalogue_records(bytes, map, warnings);

    std::size_t stored = 0;
    for (const auto& head : map.buckets) {
        for (const catalogue::MessageEntry* e = head.get(); e; e = e->next.get()) {
            ++stored;
            if (e->key.size() + 1 + e->text.size() > catalogue::kMaxRecordBytes) __builtin_trap();
            if (catalogue::find_message(map, e->key) == nullptr) __builtin_trap();
            if (catalogue::bucket_of(e->key) >= catalogue::kBucketCount) __builtin_trap();
        }
    }
    // One record per NUL at most, plus the split pieces of over-long runs.
    if (stored > size / 2 + 1) __builtin_trap();

    // The same bytes through the process-wide catalogue and the formatter.
    catalogue::read_catalogue_file(bytes, warnings);
    for (const auto& head : map.buckets) {
        for (const catalogue::MessageEntry* e = head.get(); e; e = e->next.get()) {
            const std::string out = catalogue::format_message(e->key, {"C:\\Temp\\VelInstall", 42, 7u});
            if (out.size() > e->text.size() * (vel::kMaxFieldWidth + 64) + 64 + e->key.size()) __builtin_trap();
            if (catalogue::message_text(e->key) == nullptr) __builtin_trap();
        }
    }
    catalogue::free_message_catalogue();

    // Locale names and catalogue paths from the same bytes.
    const std::string_view half = bytes.substr(0, size / 2);
    const std::string locale = catalogue::catalogue_locale(half, bytes.substr(size / 2));
    const auto paths = catalogue::catalogue_file_paths(catalogue::catalogue_directory(half), locale);
    for (const std::string& p : paths) {
        if (p.find("cons") == std::string::npos) __builtin_trap();
    }
    return 0;
}

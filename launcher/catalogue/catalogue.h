// The message catalogue: the texts that setup shows, looked up by message key
// in the catalogues of the user's locale (resource\cons_<ll>_<CC>.nls,
// resource\cons_<ll>.nls, resource\cons.nls beside the program).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/checked_format.h"

namespace catalogue {

constexpr std::size_t kBucketCount = 199;
// A record without its NUL is at most this long; longer runs are split.
constexpr std::size_t kMaxRecordBytes = 1023;
// Paths of the catalogue files live in MAX_PATH-sized places.
constexpr std::size_t kPathBufferSize = 260;

// Multiplicative hash over the key's bytes taken as signed chars.
std::uint32_t key_hash(std::string_view key);
std::size_t bucket_of(std::string_view key);

struct MessageEntry {
    std::string key;
    std::string text;
    std::unique_ptr<MessageEntry> next;
};

struct MessageMap {
    std::array<std::unique_ptr<MessageEntry>, kBucketCount> buckets;
    MessageMap() = default;
    MessageMap(const MessageMap&) = delete;
    MessageMap& operator=(const MessageMap&) = delete;
    ~MessageMap();
};

// Adds the key unless it is present: the first text stored for a key wins.
// Returns whether it was added.
bool add_message(MessageMap& map, std::string_view key, std::string_view text);
// The stored text, or nullptr.
const std::string* find_message(const MessageMap& map, std::string_view key);

// One record of a catalogue file as the loader reads it.
struct CatalogueRecord {
    std::size_t offset;     // of its first byte in the file
    std::string_view text;  // without its NUL
    bool cut;               // kMaxRecordBytes taken without a NUL
};
// The file's records in order; bytes after the last NUL are left out.
std::vector<CatalogueRecord> split_catalogue_records(std::string_view bytes);
// Key (before the first "=") and text of a record; false when it has no "=".
bool split_message_record(std::string_view record, std::string_view& key, std::string_view& text);

// Reads NUL-terminated KEY=TEXT records into the map. Malformed records are
// skipped and their warnings appended to `warnings`; bytes after the last NUL
// are ignored.
void read_catalogue_records(std::string_view bytes, MessageMap& map, std::string& warnings);

// ll_CC from the abbreviated language and country names (JPN -> ja, CHT -> zh).
std::string catalogue_locale(std::string_view language_name, std::string_view country_name);
// The resource directory beside the program.
std::string catalogue_directory(std::string_view program_path);
// The catalogue files in loading order: full locale, language, general.
std::array<std::string, 3> catalogue_file_paths(std::string_view directory, std::string_view locale);

// The process-wide catalogue. create_message_map starts an empty one (false
// when it cannot be allocated); read_catalogue_file adds a file's records.
bool create_message_map();
void read_catalogue_file(std::string_view bytes, std::string& warnings);

// Finds the catalogues beside the program and loads them; false after
// writing the reason to stderr. On success the console writer takes the
// standard output handle.
bool load_message_catalogue();
// The key's text, or nullptr when no loaded catalogue holds it.
const char* message_text(std::string_view key);
// The key's text, or the key itself.
std::string text_or_key(std::string_view key);
// The key's text formatted with the arguments (the key itself when missing).
std::string format_message(std::string_view key, std::span<const vel::FormatArg> args);
inline std::string format_message(std::string_view key, std::initializer_list<vel::FormatArg> args = {}) {
    return format_message(key, std::span<const vel::FormatArg>(args.begin(), args.size()));
}
void free_message_catalogue();

}  // namespace catalogue

#include "launcher/catalogue/catalogue.h"

#include <new>

#include "common/ansi_text.h"

namespace catalogue {

namespace {

constexpr std::uint32_t kHashFactor = 61;

std::unique_ptr<MessageMap> process_map;

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

void add_record(std::string_view record, MessageMap& map, std::string& warnings) {
    std::string_view key, text;
    if (!split_message_record(record, key, text)) {
        warnings += "WARNING: Ignoring malformed message \"";
        warnings += record;
        warnings += "\" in catalogue!\n";
        return;
    }
    add_message(map, key, text);
}

}  // namespace

std::uint32_t key_hash(std::string_view key) {
    std::uint32_t h = 0;
    for (char c : key) {
        // Bytes from 0x80 count negative, as in a signed char.
        h = h * kHashFactor + static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)));
    }
    return h;
}

std::size_t bucket_of(std::string_view key) { return key_hash(key) % kBucketCount; }

MessageMap::~MessageMap() {
    // Unlinks each chain iteratively, so a long chain cannot exhaust the stack.
    for (auto& head : buckets) {
        while (head) head = std::move(head->next);
    }
}

bool add_message(MessageMap& map, std::string_view key, std::string_view text) {
    if (find_message(map, key)) return false;
    auto& head = map.buckets[bucket_of(key)];
    auto entry = std::make_unique<MessageEntry>();
    entry->key = key;
    entry->text = text;
    entry->next = std::move(head);
    head = std::move(entry);
    return true;
}

const std::string* find_message(const MessageMap& map, std::string_view key) {
    for (const MessageEntry* e = map.buckets[bucket_of(key)].get(); e; e = e->next.get()) {
        if (e->key == key) return &e->text;
    }
    return nullptr;
}

std::vector<CatalogueRecord> split_catalogue_records(std::string_view bytes) {
    std::vector<CatalogueRecord> records;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t nul = bytes.find('\0', start);
        const std::size_t available = (nul == std::string_view::npos ? bytes.size() : nul) - start;
        if (available >= kMaxRecordBytes) {
            // A full record without its NUL: the next byte starts a new record.
            records.push_back({start, bytes.substr(start, kMaxRecordBytes), true});
            start += kMaxRecordBytes;
        } else if (nul == std::string_view::npos) {
            break;  // the file ends inside a record
        } else {
            records.push_back({start, bytes.substr(start, available), false});
            start = nul + 1;
        }
    }
    return records;
}

bool split_message_record(std::string_view record, std::string_view& key, std::string_view& text) {
    const std::size_t equals = record.find('=');
    if (equals == std::string_view::npos) return false;
    key = record.substr(0, equals);
    text = record.substr(equals + 1);
    return true;
}

void read_catalogue_records(std::string_view bytes, MessageMap& map, std::string& warnings) {
    for (const CatalogueRecord& record : split_catalogue_records(bytes)) add_record(record.text, map, warnings);
}

std::string catalogue_locale(std::string_view language_name, std::string_view country_name) {
    std::string locale;
    for (char c : language_name.substr(0, 2)) locale += ascii_lower(c);
    if (locale == "jp") {
        locale = "ja";
    } else if (locale == "ch") {
        locale = "zh";
    }
    locale += '_';
    for (char c : country_name.substr(0, 2)) locale += ascii_upper(c);
    return locale;
}

std::string catalogue_directory(std::string_view program_path) {
    const std::size_t slash = vel::rfind_ansi_char(program_path, "\\");
    if (slash == std::string_view::npos) return ".\\resource";
    std::string directory(program_path.substr(0, slash + 1));
    directory += "resource";
    return directory;
}

std::array<std::string, 3> catalogue_file_paths(std::string_view directory, std::string_view locale) {
    const std::string base = std::string(directory) + "\\cons";
    const std::size_t underscore = locale.rfind('_');
    const std::string_view language = locale.substr(0, underscore);
    return {base + "_" + std::string(locale) + ".nls", base + "_" + std::string(language) + ".nls", base + ".nls"};
}

bool create_message_map() {
    process_map.reset(new (std::nothrow) MessageMap);
    return process_map != nullptr;
}

void read_catalogue_file(std::string_view bytes, std::string& warnings) {
    if (!process_map && !create_message_map()) return;
    read_catalogue_records(bytes, *process_map, warnings);
}

const char* message_text(std::string_view key) {
    if (!process_map) return nullptr;
    const std::string* text = find_message(*process_map, key);
    return text ? text->c_str() : nullptr;
}

std::string text_or_key(std::string_view key) {
    const char* text = message_text(key);
    return text ? std::string(text) : std::string(key);
}

std::string format_message(std::string_view key, std::span<const vel::FormatArg> args) {
    const char* text = message_text(key);
    if (!text) return std::string(key);
    return vel::format_checked(text, args);
}

void free_message_catalogue() { process_map.reset(); }

}  // namespace catalogue

#include "launcher/prereq/check_logic.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "common/checked_format.h"

namespace prereq {

namespace {

std::vector<std::string_view> split_list(std::string_view list) {
    std::vector<std::string_view> entries;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = list.find(',', start);
        std::string_view entry = list.substr(start, comma == std::string_view::npos ? comma : comma - start);
        if (!entry.empty()) entries.push_back(entry);
        if (comma == std::string_view::npos) return entries;
        start = comma + 1;
    }
}

// Blanks as the C library's number and word readers see them.
bool is_c_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// strtol over a NUL-terminated copy, clamped to int; nullopt without digits.
std::optional<int> parse_int_prefix(std::string_view text, std::size_t& consumed) {
    std::string copy(text);
    char* end = nullptr;
    long value = std::strtol(copy.c_str(), &end, 10);
    consumed = static_cast<std::size_t>(end - copy.c_str());
    if (consumed == 0) return std::nullopt;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace

const CheckKey* find_check_key(std::string_view key) {
    for (const CheckKey& check : kCheckKeys) {
        if (key == check.name) return &check;
    }
    return nullptr;
}

std::string version_text(const OsVersion& version) {
    return vel::format_checked("%lu.%lu", {version.major, version.minor});
}

std::string format_value_list(std::string_view list) {
    std::vector<std::string_view> entries = split_list(list);
    std::string out;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) out += (i + 1 == entries.size()) ? " or " : ", ";
        out += entries[i];
    }
    return out;
}

bool value_list_contains(std::string_view list, std::string_view item) {
    for (std::string_view entry : split_list(list)) {
        if (entry == item) return true;
    }
    return false;
}

std::optional<std::string> service_pack_level(std::string_view service_pack) {
    std::size_t pos = 0;
    for (int word = 0;; ++word) {
        while (pos < service_pack.size() && service_pack[pos] == ' ') ++pos;
        if (pos == service_pack.size()) return std::nullopt;
        std::size_t end = service_pack.find(' ', pos);
        if (end == std::string_view::npos) end = service_pack.size();
        if (word == 2) return std::string(service_pack.substr(pos, end - pos));
        pos = end;
    }
}

bool service_pack_passes(std::string_view value, std::string_view service_pack) {
    if (service_pack.empty()) return false;
    std::optional<std::string> level = service_pack_level(service_pack);
    if (!level) return false;
    if (value_list_contains(value, *level)) return true;
    // char_traits<char> compares as unsigned bytes, as strcmp does.
    return value.find(',') == std::string_view::npos && std::string_view(*level) >= value;
}

std::optional<std::string> colour_count_text(int bits) {
    switch (bits) {
        case 4: return "16";
        case 8: return "256";
        case 15: return "32768";
        case 16: return "65536";
        case 24: return "16777216";
        case 32: return "4294967296";
        case 48: return "281474976710656";
        case 64: return "18446744073709551616";
        default: break;
    }
    if (bits < 32) return vel::format_checked("%f", {std::pow(2.0, bits)});
    return std::nullopt;
}

Verdict display_colours_verdict(int bits, std::string_view value) {
    double required = read_real(value);
    if (required <= 0) return Verdict::None;
    if (bits >= 32) return Verdict::Passed;
    return std::pow(2.0, bits) < required - 1 ? Verdict::Failed : Verdict::Passed;
}

Verdict cpu_verdict(int mhz, std::string_view value) {
    int required = read_integer(value);
    if (required <= 0) return Verdict::None;
    return mhz < required ? Verdict::Failed : Verdict::Passed;
}

double paging_total(std::string_view data, PagingFileSize present_size_mb) {
    double total = 0;
    std::size_t pos = 0;
    while (pos < data.size()) {
        std::size_t nul = data.find('\0', pos);
        std::string_view entry = data.substr(pos, nul == std::string_view::npos ? nul : nul - pos);
        if (entry.empty()) break;
        pos = nul == std::string_view::npos ? data.size() : nul + 1;

        std::size_t at = 0;
        while (at < entry.size() && is_c_space(entry[at])) ++at;
        const std::size_t path_start = at;
        while (at < entry.size() && !is_c_space(entry[at])) ++at;
        const std::string_view path = entry.substr(path_start, at - path_start);
        std::size_t used = 0;
        std::optional<int> maximum;
        if (parse_int_prefix(entry.substr(at), used)) {
            at += used;
            maximum = parse_int_prefix(entry.substr(at), used);
        }
        if (maximum && *maximum > 0) {
            total += *maximum;
        } else if (!path.empty()) {
            total += present_size_mb(path);
        }
    }
    return total;
}

bool swap_space_passes(double total_mb, std::string_view value) {
    double required = read_real(value);
    return required > 0 && total_mb >= required;
}

std::string drive_root(std::string_view directory) {
    return std::string(directory.substr(0, 3));
}

bool temp_space_passes(long long available_mb, std::string_view value) {
    return static_cast<double>(available_mb) >= read_real(value);
}

double read_real(std::string_view text) {
    return std::atof(std::string(text).c_str());
}

int read_integer(std::string_view text) {
    std::size_t used = 0;
    return parse_int_prefix(text, used).value_or(0);
}

}  // namespace prereq

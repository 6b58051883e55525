#include "launcher/main_flow.h"

#include <array>
#include <cctype>

#include "common/ansi_text.h"

namespace launcher {

std::string format_run_timestamp(const std::tm& local_time) {
    std::array<char, 64> text{};
    std::size_t length = std::strftime(text.data(), text.size(), "%Y-%m-%d_%I-%M-%S%p", &local_time);
    return std::string(text.data(), length);
}

std::string make_run_timestamp() {
    std::time_t now = std::time(nullptr);
    std::tm local_time{};
#ifdef _WIN32
    localtime_s(&local_time, &now);
#else
    localtime_r(&now, &local_time);
#endif
    return format_run_timestamp(local_time);
}

std::string find_startup_location(std::string_view program_path) {
    if (program_path.starts_with(".\\")) program_path.remove_prefix(2);
    std::size_t last = vel::rfind_ansi_char(program_path, "\\");
    if (last == std::string_view::npos) return ".";
    return std::string(program_path.substr(0, last));
}

long long parse_bootstrap_size(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    // Anything beyond the accepted range is refused alike, so the value saturates.
    constexpr long long kCeiling = 1LL << 40;
    long long value = 0;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at) {
        if (value < kCeiling) value = value * 10 + (text[at] - '0');
    }
    return negative ? -value : value;
}

}  // namespace launcher

#include "launcher/main_flow.h"

#include <array>

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

}  // namespace launcher

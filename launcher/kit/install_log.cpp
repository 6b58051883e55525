#include "launcher/kit/install_log.h"

namespace kit {

std::string log_directory(std::string_view inventory, std::string_view fallback_directory) {
    if (inventory.empty()) return std::string(fallback_directory);
    std::string directory(inventory);
    directory += "\\logs";
    return directory;
}

std::string log_file_name(std::string_view run_timestamp) {
    std::string name = "installActions";
    name += run_timestamp;
    name += ".log";
    return name;
}

}  // namespace kit

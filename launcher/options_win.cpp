#include "launcher/kit/paths.h"
#include "launcher/options.h"

namespace options {

void scan_options(std::string& command_line, OptionState& state, std::string& prereq_config_location) {
    scan_options(command_line, state, prereq_config_location, kit::absolute_path);
}

void parse_location_assignment(std::string& out, std::string_view argument, int mode) {
    parse_location_assignment(out, argument, mode, kit::absolute_path);
}

}  // namespace options

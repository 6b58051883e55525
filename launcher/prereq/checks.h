// The checks an entry of a Windows-<version>-required/-optional section names:
// each compares what the machine reports (probes.h) with the stated value
// (check_logic.h) and writes its lines to the console and the install log.
// Each returns whether the requirement is met; a check without a verdict
// counts as met.
#pragma once

#include <string>
#include <string_view>

#include "launcher/prereq/check_logic.h"

namespace prereq {

bool check_service_pack(std::string_view value, const OsVersion& version);
bool check_display_colors(std::string_view value);
bool check_cpu(std::string_view value);
bool check_swap_space(std::string_view value);
bool check_temp_space(std::string_view value, const std::string& scratch_dir);

}  // namespace prereq

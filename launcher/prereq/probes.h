// What the machine reports for each prerequisite, and the checks that compare
// it with the kit's stated requirements, writing their lines to the console
// and the install log.
#pragma once

#include <string>
#include <string_view>

#include "launcher/prereq/check_logic.h"

namespace prereq {

int display_bits_per_pixel();
// Processor speed from the registry, 0 when it cannot be read.
int cpu_mhz();
// Paging space in MB from the PagingFiles setting (see paging_total), 0 when
// it cannot be read.
double paging_space_total();
// Free MB available to the user on the volume of `root`, -1 when unknown.
int free_temp_space_mb(const std::string& root);
// Whether the NT 4.0 hotfix that turns Service Pack 6 into 6a is installed.
bool hotfix_q246009_installed();

// Each returns 0 when passed or without verdict, 1 when failed.
int check_service_pack(std::string_view value, const OsVersion& version);
int check_display_colors(std::string_view value);
int check_cpu(std::string_view value);
int check_swap_space(std::string_view value);
int check_temp_space(std::string_view value, const std::string& scratch_dir);

}  // namespace prereq

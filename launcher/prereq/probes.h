// What the machine reports for each prerequisite.
#pragma once

#include <string>
#include <string_view>

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

}  // namespace prereq

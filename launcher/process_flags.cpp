#include "launcher/process_flags.h"

namespace launcher {

bool silent_mode = false;
bool debug_mode = false;
bool memory_mode = false;
bool jre_location_given = false;
bool distribution_mode = false;
bool external_jre = false;
std::string run_timestamp;
std::string launcher_path;

}  // namespace launcher

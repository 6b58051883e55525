#include "launcher/process_flags.h"

namespace launcher {

bool silent_mode = false;
bool debug_mode = false;

}  // namespace launcher

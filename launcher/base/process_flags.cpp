#include "launcher/base/process_flags.h"

namespace base {

bool silent_mode = false;
bool debug_mode = false;

}  // namespace base

// Whether this user may write below HKEY_LOCAL_MACHINE\Software, as the
// installer will need to.
#pragma once

namespace launcher {

// 1 when a value and a subkey could be written and removed again, else 0.
int probe_registry_access();

}  // namespace launcher

// Whether this user may write below HKEY_LOCAL_MACHINE\Software, as the
// installer will need to.
#pragma once

namespace launcher {

// Whether a value and a subkey could be written and removed again.
bool registry_access_granted();

}  // namespace launcher

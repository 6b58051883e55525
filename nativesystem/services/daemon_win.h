// The daemon log's writer, open to the test of concurrent writers.
#pragma once

#include <string_view>

namespace nativesystem::services {

// Appends one line with `message` to the daemon log under `home`; nothing
// when the log cannot be opened.
void append_daemon_log(std::string_view home, std::string_view message);

}  // namespace nativesystem::services

// The service start worker, open to the fault programs that bound its wait.
#pragma once

#include <cstdint>

#include "nativesystem/services/service_control.h"

namespace nativesystem::services {

// Starts the service on the node and waits at most `ceiling_ms` for it to run.
OperationResult start_service_on_node(const char* service_name, const char* node, std::uint64_t ceiling_ms);

}  // namespace nativesystem::services

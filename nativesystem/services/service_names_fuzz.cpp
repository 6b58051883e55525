// Node, device and dependency names of any text: each name either fits the
// fixed buffer the Windows call receives, NUL included, or is refused; none
// is ever cut short silently.
#include "nativesystem/services/raw_device.h"
#include "nativesystem/services/service_control.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace svc = nativesystem::services;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::size_t out_size = in.ConsumeIntegralInRange<std::size_t>(0, 300);
    const std::string text = in.ConsumeRemainingBytesAsString();

    std::string machine;
    if (svc::make_machine_name(text.c_str(), machine, out_size)) {
        if (machine.size() + 1 > out_size || machine.size() < 3 || !machine.starts_with("\\\\")) __builtin_trap();
        if (machine.find(text.c_str()) == std::string::npos) __builtin_trap();
    } else if (!machine.empty()) {
        __builtin_trap();
    }
    svc::make_machine_name(text.c_str(), machine, svc::kMachineNameSize);
    if (machine.size() >= svc::kMachineNameSize) __builtin_trap();

    if (const auto names = svc::raw_device_names(text)) {
        if (names->device_path.size() + 1 > svc::kDevicePathSize) __builtin_trap();
        if (!names->device_path.starts_with(svc::kDeviceNamespacePrefix)) __builtin_trap();
        if (names->device_path != std::string(svc::kDeviceNamespacePrefix) + names->dos_name) __builtin_trap();
        if (svc::undefined_name_detail(names->dos_name).size() + 1 > svc::kDetailSize) __builtin_trap();
        if (svc::invalid_partition_detail(names->dos_name).size() + 1 > svc::kDetailSize) __builtin_trap();
        svc::not_recognized_line(names->device_path);
    }

    if (const auto list = svc::make_dependency_list(text)) {
        if (list->size() > svc::kDependencyListSize || list->size() < 2) __builtin_trap();
        if (list->substr(list->size() - 2) != std::string(2, '\0')) __builtin_trap();
        if (list->find('|') != std::string::npos) __builtin_trap();
    }
    return 0;
}

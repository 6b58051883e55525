// Stated requirements of any text against machine reports of any value: the
// list readers, the service-pack comparison and the number readers must give
// an answer for every input, and the answers must agree with each other.
#include "launcher/prereq/check_logic.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string list = in.ConsumeRandomLengthString(2048);
    const std::string item = in.ConsumeRandomLengthString(256);
    const std::string service_pack = in.ConsumeRandomLengthString(256);
    const int bits = in.ConsumeIntegral<int>();
    const long long available = in.ConsumeIntegral<long long>();
    const std::string paging = in.ConsumeRemainingBytesAsString();

    // Every entry shown is an entry found, and the shown text only adds separators.
    const std::string shown = prereq::format_value_list(list);
    if (shown.size() > list.size() * 4 + 4) __builtin_trap();
    if (prereq::value_list_contains(list, item)) {
        if (item.empty() || item.find(',') != std::string::npos) __builtin_trap();
        if (shown.find(item) == std::string::npos) __builtin_trap();
    }

    const auto level = prereq::service_pack_level(service_pack);
    if (level && (level->empty() || level->find(' ') != std::string::npos)) __builtin_trap();
    const bool passes = prereq::service_pack_passes(list, service_pack);
    if (passes && !level) __builtin_trap();
    if (level && prereq::value_list_contains(list, *level) && !passes) __builtin_trap();

    prereq::colour_count_text(bits);
    prereq::display_colours_verdict(bits, item);
    prereq::cpu_verdict(bits, item);
    prereq::read_integer(item);
    prereq::temp_space_passes(available, item);

    // Every paging file the system manages counts 1 MB here.
    const double total = prereq::paging_total(paging, [](std::string_view) { return 1.0; });
    if (total != total) __builtin_trap();
    prereq::swap_space_passes(total, item);
    if (prereq::drive_root(paging).size() > 3) __builtin_trap();
    return 0;
}

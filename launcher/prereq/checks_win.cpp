#include "launcher/prereq/checks.h"

#include <climits>
#include <cmath>
#include <string>

#include "launcher/base/console.h"
#include "launcher/prereq/probes.h"
#include "launcher/prereq/show_line.h"

namespace prereq {

namespace {

bool show_verdict(bool passed) {
    show_line(passed ? "S_SPASSED" : "S_SFAILED");
    return passed;
}

bool outcome(Verdict verdict) {
    if (verdict == Verdict::None) return true;
    return show_verdict(verdict == Verdict::Passed);
}

// The lines of a space check: the requirement and the amount when it is met,
// one line with both when it is not.
struct SpaceKeys {
    const char* checking;
    const char* actual;
    const char* failed;
};

bool space_outcome(bool passed, const SpaceKeys& keys, int available_mb, std::string_view value) {
    const std::string required = base::utf8_from_ansi(value);
    if (passed) {
        show_line(keys.checking, {required});
        show_line(keys.actual, {available_mb});
    } else {
        show_line(keys.failed, {available_mb, required});
    }
    return show_verdict(passed);
}

}  // namespace

bool check_service_pack(std::string_view value, const OsVersion& version) {
    show_line("S_CHECKING_FOR_SERVICE_PACK");
    kit::log_and_show(base::utf8_from_ansi(format_value_list(value)));

    std::string service_pack = version.service_pack;
    if (version.major == 4 && service_pack == "Service Pack 6" && hotfix_q246009_installed()) service_pack += "a";

    const bool passed = service_pack_passes(value, service_pack);
    show_line("S_ACTUAL", {service_pack.empty() ? std::string("none") : base::utf8_from_ansi(service_pack)});
    return show_verdict(passed);
}

bool check_display_colors(std::string_view value) {
    const std::string required = base::utf8_from_ansi(value);
    show_line("S_CHECKING_FOR_DISP_COL", {required});
    int bits = display_bits_per_pixel();
    std::string colours = colour_count_text(bits).value_or(catalogue::format_message("S_HIGHER_THAN", {required}));
    show_line("S_ACTUAL", {colours});
    return outcome(display_colours_verdict(bits, value));
}

bool check_cpu(std::string_view value) {
    show_line("S_CHECKING_FOR_CPU", {base::utf8_from_ansi(value)});
    int mhz = cpu_mhz();
    show_line("S_ACTUAL_CPU", {mhz});
    return outcome(cpu_verdict(mhz, value));
}

bool check_swap_space(std::string_view value) {
    const double total = paging_space_total();
    const int whole_mb = total >= INT_MAX ? INT_MAX : total <= INT_MIN ? INT_MIN : static_cast<int>(std::trunc(total));
    return space_outcome(swap_space_passes(total, value),
                         {"S_CHECKING_FOR_SWAP", "S_ACTUAL_SWAP", "S_FAIL_CHECKING_FOR_SWAP"}, whole_mb, value);
}

bool check_temp_space(std::string_view value, const std::string& scratch_dir) {
    const int available = read_real(value) > 0 ? free_temp_space_mb(drive_root(scratch_dir)) : 0;
    return space_outcome(temp_space_passes(available, value),
                         {"S_CHECKING_FOR_TEMP_SPACE", "S_ACTUAL_TEMP_SPACE", "S_FAIL_CHECKING_FOR_TEMP_SPACE"},
                         available, value);
}

}  // namespace prereq

#include <climits>
#include <cmath>
#include <string>

#include "launcher/console.h"
#include "launcher/prereq/probes.h"
#include "launcher/prereq/show_line.h"

namespace prereq {

namespace {

void show_verdict(bool passed) {
    show_line(passed ? "S_SPASSED" : "S_SFAILED");
}

int outcome(Verdict verdict) {
    if (verdict == Verdict::None) return 0;
    show_verdict(verdict == Verdict::Passed);
    return verdict == Verdict::Failed ? 1 : 0;
}

}  // namespace

int check_service_pack(std::string_view value, const OsVersion& version) {
    show_line("S_CHECKING_FOR_SERVICE_PACK");
    kit::log_and_show(console::utf8_from_ansi(format_value_list(value)));

    std::string service_pack = version.service_pack;
    if (version.major == 4 && service_pack == "Service Pack 6" && hotfix_q246009_installed()) service_pack += "a";

    bool passed = service_pack_passes(value, service_pack);
    show_line("S_ACTUAL", {service_pack.empty() ? std::string("none") : console::utf8_from_ansi(service_pack)});
    show_verdict(passed);
    return passed ? 0 : 1;
}

int check_display_colors(std::string_view value) {
    const std::string required = console::utf8_from_ansi(value);
    show_line("S_CHECKING_FOR_DISP_COL", {required});
    int bits = display_bits_per_pixel();
    std::string colours = colour_count_text(bits).value_or(catalogue::format_message("S_HIGHER_THAN", {required}));
    show_line("S_ACTUAL", {colours});
    return outcome(display_colours_verdict(bits, value));
}

int check_cpu(std::string_view value) {
    show_line("S_CHECKING_FOR_CPU", {console::utf8_from_ansi(value)});
    int mhz = cpu_mhz();
    show_line("S_ACTUAL_CPU", {mhz});
    return outcome(cpu_verdict(mhz, value));
}

int check_swap_space(std::string_view value) {
    double total = paging_space_total();
    int whole_mb = total >= INT_MAX ? INT_MAX : total <= INT_MIN ? INT_MIN : static_cast<int>(std::trunc(total));
    const std::string required = console::utf8_from_ansi(value);
    if (swap_space_passes(total, value)) {
        show_line("S_CHECKING_FOR_SWAP", {required});
        show_line("S_ACTUAL_SWAP", {whole_mb});
        show_verdict(true);
        return 0;
    }
    show_line("S_FAIL_CHECKING_FOR_SWAP", {whole_mb, required});
    show_verdict(false);
    return 1;
}

int check_temp_space(std::string_view value, const std::string& scratch_dir) {
    int available = read_real(value) > 0 ? free_temp_space_mb(drive_root(scratch_dir)) : 0;
    const std::string required = console::utf8_from_ansi(value);
    if (temp_space_passes(available, value)) {
        show_line("S_CHECKING_FOR_TEMP_SPACE", {required});
        show_line("S_ACTUAL_TEMP_SPACE", {available});
        show_verdict(true);
        return 0;
    }
    show_line("S_FAIL_CHECKING_FOR_TEMP_SPACE", {available, required});
    show_verdict(false);
    return 1;
}

}  // namespace prereq

#include <windows.h>

#include "common/ansi_text.h"

namespace vel {

void load_ansi_lead_bytes() {
    clear_ansi_lead_bytes();
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info)) return;
    // Pairs of first and last lead byte, ended by a pair of zeros.
    for (int at = 0; at + 1 < MAX_LEADBYTES && info.LeadByte[at] != 0; at += 2) {
        set_ansi_lead_byte_range(info.LeadByte[at], info.LeadByte[at + 1]);
    }
}

}  // namespace vel

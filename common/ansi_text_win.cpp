#include <windows.h>

#include "common/ansi_text.h"

#include <climits>

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

namespace vel {

std::wstring wide_from_ansi(std::string_view ansi_text) {
    if (ansi_text.empty() || ansi_text.size() > INT_MAX) return {};
    const int length = static_cast<int>(ansi_text.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, ansi_text.data(), length, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, ansi_text.data(), length, wide.data(), needed) != needed) return {};
    return wide;
}

std::string ansi_from_utf16(std::u16string_view text) {
    if (text.empty() || text.size() > INT_MAX) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string ansi(static_cast<std::size_t>(needed), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, wide, length, ansi.data(), needed, nullptr, nullptr) != needed) return {};
    return ansi;
}

std::optional<std::string> exact_ansi(std::wstring_view wide_text) {
    if (wide_text.empty()) return std::string();
    if (wide_text.size() > INT_MAX) return std::nullopt;
    const int length = static_cast<int>(wide_text.size());
    // Without best fit; whether the result is exact is seen by converting it back,
    // which also holds in code pages where the default-character report is refused.
    const int needed = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide_text.data(), length, nullptr, 0,
                                           nullptr, nullptr);
    if (needed <= 0) return std::nullopt;
    std::string ansi(static_cast<std::size_t>(needed), '\0');
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide_text.data(), length, ansi.data(), needed, nullptr,
                            nullptr) != needed) {
        return std::nullopt;
    }
    if (wide_from_ansi(ansi) != wide_text) return std::nullopt;
    return ansi;
}

}  // namespace vel

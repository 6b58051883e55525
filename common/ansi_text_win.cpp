#include <windows.h>

#include "common/ansi_text.h"

#include <climits>
#include <utility>

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

std::wstring wide_from_code_page(unsigned code_page, std::string_view text) {
    if (text.empty() || text.size() > INT_MAX) return {};
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(code_page, 0, text.data(), length, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    if (MultiByteToWideChar(code_page, 0, text.data(), length, wide.data(), needed) != needed) return {};
    return wide;
}

std::wstring wide_from_ansi(std::string_view ansi_text) { return wide_from_code_page(CP_ACP, ansi_text); }

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

namespace {

// Module paths are at most this many UTF-16 characters (the \\?\ limit).
constexpr DWORD kMaxWidePath = 32767;

std::wstring wide_program_path() {
    std::wstring path(kMaxWidePath + 1, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), kMaxWidePath + 1);
    path.resize(length <= kMaxWidePath ? length : 0);
    return path;
}

}  // namespace

AnsiProgramPath program_path_in_ansi(std::size_t max_length) {
    const std::wstring wide = wide_program_path();
    if (wide.empty()) {
        const DWORD error = GetLastError();
        return {{}, error != ERROR_SUCCESS ? error : ERROR_INSUFFICIENT_BUFFER};
    }
    std::optional<std::string> ansi = exact_ansi(wide);
    if (!ansi) {
        std::wstring short_form(wide.size() + 1, L'\0');  // never longer than the long form
        const DWORD length =
            GetShortPathNameW(wide.c_str(), short_form.data(), static_cast<DWORD>(short_form.size()));
        if (length > 0 && length < short_form.size()) {
            short_form.resize(length);
            ansi = exact_ansi(short_form);
        }
    }
    if (!ansi) return {{}, ERROR_NO_UNICODE_TRANSLATION};
    if (ansi->size() > max_length) return {{}, ERROR_INSUFFICIENT_BUFFER};
    return {std::move(*ansi), ERROR_SUCCESS};
}

std::wstring program_directory_wide() {
    std::wstring path = wide_program_path();
    const std::size_t slash = path.rfind(L'\\');
    path.resize(slash == std::wstring::npos ? 0 : slash);
    return path;
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

// The message catalogues in resource\: their records as setup.exe's loader
// reads them, the general catalogue's keys, and the translations' conversions.
#include <algorithm>
#include <map>

#include "common/checked_format.h"
#include "kitcheck/checks.h"
#include "launcher/catalogue/catalogue.h"

namespace kitcheck {

namespace {

constexpr std::string_view kResourceDirectory = "resource";
constexpr std::string_view kGeneralCatalogue = "resource\\cons.nls";
// The start of a malformed record shown in its finding.
constexpr std::size_t kShownRecordLength = 40;

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// cons_<ll>.nls or cons_<ll>_<CC>.nls (Windows matches file names without regard to case).
bool loadable_translation(std::string_view name) {
    if (name.size() != 11 && name.size() != 14) return false;
    if (!same_name(name.substr(0, 5), "cons_") || !ends_with_ignoring_case(name, ".nls")) return false;
    if (!is_letter(name[5]) || !is_letter(name[6])) return false;
    return name.size() == 11 || (name[7] == '_' && is_letter(name[8]) && is_letter(name[9]));
}

struct Message {
    std::string text;
    int record;
};
using Messages = std::map<std::string, Message>;

// The start of a record for a finding, its control characters as blanks.
std::string shown_record(std::string_view record) {
    std::string out(record.substr(0, kShownRecordLength));
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
    return record.size() > kShownRecordLength ? out + "..." : out;
}

// Bytes after the last record's NUL, which the loader drops.
void check_catalogue_end(const std::string& file, std::string_view bytes,
                         const std::vector<catalogue::CatalogueRecord>& records, Report& report) {
    std::size_t end = 0;
    if (!records.empty()) {
        const catalogue::CatalogueRecord& last = records.back();
        end = last.offset + last.text.size() + (last.cut ? 0 : 1);
    }
    if (bytes.size() <= end) return;
    std::string text =
        "the last " + std::to_string(bytes.size() - end) + " bytes have no closing NUL: setup.exe drops them";
    // A catalogue saved as a text file ends its records with line breaks.
    if (bytes.find('\n', end) != std::string_view::npos)
        text += "; records end with a NUL byte, not a line break (make the file from its text form with "
                "velkitcheck --make-catalogue)";
    report.error(file, 0, text);
}

Messages read_catalogue(const std::string& file, std::string_view bytes, Report& report) {
    Messages messages;
    const std::vector<catalogue::CatalogueRecord> records = catalogue::split_catalogue_records(bytes);
    bool continued = false;
    int number = 0;
    for (const catalogue::CatalogueRecord& record : records) {
        ++number;
        const bool continuation = continued;
        continued = record.cut;
        if (continuation) continue;  // the rest of a record reported as too long
        if (record.cut) {
            const std::size_t nul = bytes.find('\0', record.offset);
            const std::size_t length = (nul == std::string_view::npos ? bytes.size() : nul) - record.offset;
            report.error(file, number,
                         "record of " + std::to_string(length) + " bytes: setup.exe reads at most " +
                             std::to_string(catalogue::kMaxRecordBytes - 1) + " and takes the rest as further records");
            continue;
        }
        std::string_view key, text;
        if (!catalogue::split_message_record(record.text, key, text)) {
            report.error(file, number,
                         record.text.empty()
                             ? std::string("empty record: setup.exe warns about it on every start")
                             : "record without \"=\" (" + shown_record(record.text) +
                                   "): setup.exe skips it with a warning");
            continue;
        }
        if (!valid_utf8(record.text)) {
            report.error(file, number, std::string(key) + ": the text is not valid UTF-8");
            continue;
        }
        const auto [earlier, added] = messages.emplace(std::string(key), Message{std::string(text), number});
        if (!added)
            report.warning(file, number,
                           std::string(key) + " given again: the text of record " +
                               std::to_string(earlier->second.record) + " is the one shown");
    }
    check_catalogue_end(file, bytes, records, report);
    return messages;
}

std::string conversion_list(const std::string& text) {
    std::string out;
    for (std::string_view conversion : vel::format_conversions(text)) {
        out += out.empty() ? "" : " ";
        out += conversion;
    }
    return out.empty() ? "no conversion" : out;
}

// Conversions compared by the argument kind they take, in order.
std::string conversion_kinds(const std::string& text) {
    std::string kinds;
    for (std::string_view conversion : vel::format_conversions(text)) kinds += conversion.back();
    return kinds;
}

// A translation's messages against the general catalogue's.
void check_translation(const std::string& file, std::string_view bytes, const Messages& general, Report& report) {
    for (const auto& [key, message] : read_catalogue(file, bytes, report)) {
        const auto english = general.find(key);
        if (english == general.end()) {
            // A key the launcher shows is reported once, as missing from cons.nls.
            const auto& used = launcher_message_keys();
            if (std::find(used.begin(), used.end(), key) != used.end()) continue;
            report.warning(file, message.record,
                           key + " is not in cons.nls: in other locales setup.exe would show the bare key");
        } else if (conversion_kinds(message.text) != conversion_kinds(english->second.text)) {
            report.error(file, message.record,
                         key + " takes " + conversion_list(message.text) + " where cons.nls takes " +
                             conversion_list(english->second.text));
        } else if (english->second.text.ends_with('\n') && !message.text.ends_with('\n')) {
            report.warning(file, message.record,
                           key + " does not end with the line feed its text in cons.nls ends with: setup.exe "
                                 "adds none, so the next line it writes runs on in this one");
        }
    }
}

}  // namespace

bool valid_utf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t extra;
        unsigned long code;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1, code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2, code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3, code = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= text.size()) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values beyond Unicode are refused.
        if ((extra == 2 && code < 0x800) || (extra == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

void check_catalogues(const KitFiles& files, Report& report) {
    const std::string general_name(kGeneralCatalogue);
    const std::optional<std::string> general_bytes =
        files.kind(general_name) == EntryKind::File ? files.read(general_name) : std::nullopt;
    if (!general_bytes) {
        report.error(general_name, 0, "missing: the texts setup.exe shows come from it");
        return;
    }
    const Messages general = read_catalogue(general_name, *general_bytes, report);
    for (std::string_view key : launcher_message_keys()) {
        if (!general.count(std::string(key)))
            report.error(general_name, 0, "no text for " + std::string(key) + ": setup.exe would show the bare key");
    }

    for (const std::string& name : files.list(std::string(kResourceDirectory))) {
        if (!same_name(name.substr(0, 4), "cons") || !ends_with_ignoring_case(name, ".nls") ||
            same_name(name, "cons.nls"))
            continue;
        const std::string file = std::string(kResourceDirectory) + "\\" + name;
        if (!loadable_translation(name)) {
            report.warning(file, 0,
                           "setup.exe never loads this file: it loads cons_<ll>_<CC>.nls, cons_<ll>.nls and cons.nls");
            continue;
        }
        const std::optional<std::string> bytes = files.read(file);
        if (!bytes) {
            report.error(file, 0, "cannot be read");
            continue;
        }
        check_translation(file, *bytes, general, report);
    }
}

}  // namespace kitcheck

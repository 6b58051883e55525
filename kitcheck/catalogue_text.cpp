#include "kitcheck/catalogue_text.h"

#include <set>

#include "kitcheck/checks.h"
#include "launcher/catalogue/catalogue.h"

namespace kitcheck {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
// A record without its NUL below the loader's limit, so that it is never split.
constexpr std::size_t kMaxMadeRecord = catalogue::kMaxRecordBytes - 1;

bool is_key(std::string_view key) {
    if (key.size() < 3 || !key.starts_with("S_")) return false;
    for (char c : key.substr(2)) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_')) return false;
    }
    return true;
}

// The text with its escapes replaced; false at an unknown escape.
bool unescape(std::string_view text, std::string& out) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        const char next = i + 1 < text.size() ? text[++i] : '\0';
        switch (next) {
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case '\\': out += '\\'; break;
            default: return false;
        }
    }
    return true;
}

std::string escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\\': out += "\\\\"; break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace

CatalogueConversion make_catalogue(std::string_view text) {
    CatalogueConversion made;
    if (text.starts_with(kUtf8Mark)) text.remove_prefix(kUtf8Mark.size());  // as Notepad saves UTF-8
    std::set<std::string, std::less<>> keys;
    for (const TextLine& line : text_lines(text)) {
        if (line.text.empty() || line.text[0] == '#') continue;
        const auto problem = [&](std::string message) { made.problems.push_back({line.number, std::move(message)}); };
        const std::size_t equals = line.text.find('=');
        const std::string_view key = std::string_view(line.text).substr(0, equals);
        if (equals == std::string::npos || !is_key(key)) {
            problem("expected KEY=TEXT with a key of S_ and upper-case letters, digits or _");
            continue;
        }
        std::string record(key);
        record += '=';
        if (!unescape(std::string_view(line.text).substr(equals + 1), record)) {
            problem("unknown escape: write \\n, \\r, \\t, or \\\\ for a backslash");
        } else if (line.text.find('\0') != std::string::npos || line.text.find('\r') != std::string::npos) {
            problem("a NUL or carriage return in the line: write \\r for a carriage return");
        } else if (!valid_utf8(line.text)) {
            problem("not UTF-8: save the text form as UTF-8");
        } else if (record.size() > kMaxMadeRecord) {
            problem("record of " + std::to_string(record.size()) + " bytes: setup.exe takes at most " +
                    std::to_string(kMaxMadeRecord));
        } else if (!keys.emplace(key).second) {
            problem(std::string(key) + " given again");
        } else {
            made.output += record;
            made.output += '\0';
        }
    }
    if (!made.problems.empty()) made.output.clear();
    return made;
}

CatalogueConversion dump_catalogue(std::string_view bytes) {
    CatalogueConversion dumped;
    std::set<std::string, std::less<>> keys;
    int number = 0;
    std::size_t end = 0;
    for (const catalogue::CatalogueRecord& record : catalogue::split_catalogue_records(bytes)) {
        ++number;
        end = record.offset + record.text.size() + (record.cut ? 0 : 1);
        std::string_view key, text;
        if (record.cut) {
            dumped.problems.push_back({number, "record without its NUL within 1023 bytes: left out"});
        } else if (!catalogue::split_message_record(record.text, key, text)) {
            dumped.problems.push_back({number, "record without \"=\": left out"});
        } else if (!keys.emplace(key).second) {
            dumped.problems.push_back({number, std::string(key) + " given again: setup.exe shows the first text, "
                                                                  "this one is left out"});
        } else {
            dumped.output += std::string(key) + "=" + escaped(text) + "\n";
        }
    }
    if (bytes.size() > end)
        dumped.problems.push_back({0, "the last " + std::to_string(bytes.size() - end) +
                                          " bytes have no closing NUL: records end with a NUL byte; left out"});
    return dumped;
}

}  // namespace kitcheck

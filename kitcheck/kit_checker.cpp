#include "kitcheck/kit_checker.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

#include "common/unique_resource.h"
#include "kitcheck/checks.h"
#include "launcher/kit/param_file.h"

namespace kitcheck {

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool is_profile_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string trimmed(std::string_view text) {
    std::size_t first = 0, end = text.size();
    while (first < end && is_profile_blank(text[first])) ++first;
    while (end > first && is_profile_blank(text[end - 1])) --end;
    return std::string(text.substr(first, end - first));
}

std::size_t edit_distance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const std::size_t change = diagonal + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1);
            row[j] = std::min({above + 1, row[j - 1] + 1, change});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// Canonical form of a memory kit's path: folded, without regard to case.
std::string memory_key(std::string_view path) { return lowered(normal_path(path)); }

}  // namespace

std::string format_finding(const Finding& finding, std::string_view directory, char separator) {
    std::string out(directory);
    if (!out.empty() && out.back() != separator) out += separator;
    for (char c : finding.file) out += c == '\\' ? separator : c;
    if (finding.line > 0) {
        out += ':';
        out += std::to_string(finding.line);
    }
    out += finding.severity == Severity::Error     ? ": error: "
           : finding.severity == Severity::Warning ? ": warning: "
                                                   : ": note: ";
    out += finding.text;
    return out;
}

int exit_code(const std::vector<Finding>& findings, bool strict) {
    for (const Finding& finding : findings) {
        if (finding.severity == Severity::Error || (strict && finding.severity == Severity::Warning)) return 1;
    }
    return 0;
}

std::string nearest_name(std::string_view name, const std::vector<std::string_view>& candidates) {
    // A name further off than a quarter of its letters was meant as something else.
    std::string best;
    std::size_t best_distance = std::max<std::size_t>(1, name.size() / 4) + 1;
    for (std::string_view candidate : candidates) {
        const std::size_t distance = edit_distance(name, candidate);
        if (distance < best_distance) {
            best_distance = distance;
            best = candidate;
        }
    }
    return best;
}

std::vector<TextLine> text_lines(std::string_view bytes) {
    std::vector<TextLine> lines;
    std::size_t start = 0;
    int number = 1;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        const bool last = end == std::string_view::npos;
        std::string_view text = bytes.substr(start, last ? std::string_view::npos : end - start);
        if (!last && !text.empty() && text.back() == '\r') text.remove_suffix(1);
        lines.push_back({number++, std::string(text)});
        if (last) break;
        start = end + 1;
    }
    return lines;
}

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lower(c);
    return out;
}

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

std::vector<ProfileSection> read_profile(std::string_view bytes) {
    std::vector<ProfileSection> sections;
    for (const TextLine& line : text_lines(bytes)) {
        const std::string text = trimmed(line.text);
        if (text.empty() || text[0] == ';') continue;
        if (text[0] == '[') {
            const std::size_t close = text.find(']');
            sections.push_back({line.number, text.substr(1, close == std::string::npos ? close : close - 1), {}});
            continue;
        }
        if (sections.empty()) continue;  // entries before the first header belong to no section
        const std::size_t equals = text.find('=');
        ProfileEntry entry{line.number, trimmed(std::string_view(text).substr(0, equals)), ""};
        if (equals != std::string::npos) entry.value = trimmed(std::string_view(text).substr(equals + 1));
        const std::string& v = entry.value;
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            entry.value = v.substr(1, v.size() - 2);
        sections.back().entries.push_back(std::move(entry));
    }
    return sections;
}

const ProfileSection* find_section(const std::vector<ProfileSection>& sections, std::string_view name) {
    for (const ProfileSection& section : sections) {
        if (same_name(section.name, name)) return &section;
    }
    return nullptr;
}

const ProfileEntry* find_entry(const ProfileSection& section, std::string_view key) {
    for (const ProfileEntry& entry : section.entries) {
        if (same_name(entry.key, key)) return &entry;
    }
    return nullptr;
}

std::string normal_path(std::string_view path) {
    std::string prefix;
    std::size_t at = 0;
    // A drive or a server share stays as it is; the rest is folded.
    if (path.size() >= 2 && path[1] == ':') {
        prefix = std::string(path.substr(0, 2)) + "\\";
        at = 2;
    } else if (path.starts_with("\\\\")) {
        prefix = "\\\\";
        at = 2;
    } else if (path.starts_with("\\")) {
        prefix = "\\";
        at = 1;
    }
    std::vector<std::string> parts;
    while (at <= path.size()) {
        std::size_t end = path.find_first_of("\\/", at);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view part = path.substr(at, end - at);
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..") {
                parts.pop_back();
            } else if (prefix.empty()) {
                parts.emplace_back("..");
            }
        } else if (!part.empty() && part != ".") {
            parts.emplace_back(part);
        }
        at = end + 1;
    }
    std::string out = prefix;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out += '\\';
        out += parts[i];
    }
    return out;
}

bool ends_with_ignoring_case(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && same_name(text.substr(text.size() - tail.size()), tail);
}

KitFiles memory_kit(const std::vector<std::pair<std::string, std::string>>& files) {
    auto stored = std::make_shared<std::map<std::string, std::string>>();
    for (const auto& [path, bytes] : files) (*stored)[memory_key(path)] = bytes;
    KitFiles kit;
    kit.kind = [stored](const std::string& path) -> std::optional<EntryKind> {
        const std::string key = memory_key(path);
        if (stored->count(key)) return EntryKind::File;
        const std::string below = key.empty() ? key : key + "\\";
        for (const auto& entry : *stored) {
            if (entry.first.starts_with(below)) return EntryKind::Directory;
        }
        return EntryKind::Missing;
    };
    kit.read = [stored](const std::string& path) -> std::optional<std::string> {
        const auto found = stored->find(memory_key(path));
        if (found == stored->end()) return std::nullopt;
        return found->second;
    };
    kit.list = [stored](const std::string& directory) {
        const std::string key = memory_key(directory);
        const std::string below = key.empty() ? key : key + "\\";
        std::vector<std::string> names;
        for (const auto& entry : *stored) {
            if (!entry.first.starts_with(below)) continue;
            std::string name = entry.first.substr(below.size());
            name = name.substr(0, name.find('\\'));
            if (names.empty() || names.back() != name) names.push_back(name);
        }
        return names;
    };
    kit.size = [stored](const std::string& path) -> std::optional<unsigned long long> {
        const auto found = stored->find(memory_key(path));
        if (found == stored->end()) return std::nullopt;
        return found->second.size();
    };
    return kit;
}

std::vector<Finding> check_kit(const KitFiles& files) {
    std::vector<Finding> findings;
    Report report(findings);
    std::string name;
    for (const std::string& candidate : kit::parameter_file_candidates(".", "")) {
        if (files.kind(candidate) == EntryKind::File) {
            name = normal_path(candidate);
            break;
        }
    }
    if (name.empty()) {
        report.error(kit::kParameterFileName, 0, "no parameter file beside setup.exe or in its parent directory");
    } else {
        const std::string text = decode_parameter_file(name, files.read(name).value_or(""), report);
        check_parameter_file(files, name, text, report);
        check_prerequisites(name, text, report);
    }
    check_catalogues(files, report);
    return findings;
}

bool is_absolute(const std::string& path) { return path.starts_with("\\") || (path.size() >= 2 && path[1] == ':'); }

std::optional<std::string> read_whole_file(const std::string& path) {
    vel::unique_stdio file(std::fopen(path.c_str(), "rb"));
    if (!file) return std::nullopt;
    std::string bytes;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, got);
    if (std::ferror(file.get())) return std::nullopt;
    return bytes;
}

}  // namespace kitcheck

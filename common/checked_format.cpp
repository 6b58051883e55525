#include "common/checked_format.h"

#include <cstdio>
#include <string>

namespace vel {
namespace {

struct Conversion {
    std::string_view flags;
    int width = -1;
    int precision = -1;
    char type = 0;
    size_t length = 0;  // characters of the whole conversion, '%' included
};

bool is_flag(char c) { return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reads a decimal field; refuses values above kMaxFieldWidth.
bool read_number(std::string_view s, size_t& pos, int& out) {
    long long value = 0;
    while (pos < s.size() && is_digit(s[pos])) {
        value = value * 10 + (s[pos] - '0');
        if (value > kMaxFieldWidth) return false;
        ++pos;
    }
    out = static_cast<int>(value);
    return true;
}

// Parses the conversion that starts at `start` ('%'). Returns false when the
// text there is no conversion this formatter accepts.
bool parse_conversion(std::string_view s, size_t start, Conversion& conv) {
    size_t pos = start + 1;
    size_t flags_start = pos;
    while (pos < s.size() && is_flag(s[pos])) ++pos;
    conv.flags = s.substr(flags_start, pos - flags_start);
    if (pos < s.size() && is_digit(s[pos]) && !read_number(s, pos, conv.width)) return false;
    if (pos < s.size() && s[pos] == '.') {
        ++pos;
        conv.precision = 0;
        if (!read_number(s, pos, conv.precision)) return false;
    }
    // Length modifiers are accepted and ignored: the argument's own kind decides.
    static constexpr std::string_view kLengths[] = {"I64", "I32", "hh", "ll", "h", "l", "L", "j", "z", "t", "q"};
    for (std::string_view length : kLengths) {
        if (s.substr(pos, length.size()) == length) {
            pos += length.size();
            break;
        }
    }
    if (pos >= s.size()) return false;
    conv.type = s[pos];
    conv.length = pos + 1 - start;
    return true;
}

std::string printf_spec(const Conversion& conv, std::string_view length, char type) {
    std::string directive = "%";
    directive += conv.flags;
    if (conv.width >= 0) directive += std::to_string(conv.width);
    if (conv.precision >= 0) {
        directive += '.';
        directive += std::to_string(conv.precision);
    }
    directive += length;
    directive += type;
    return directive;
}

template <typename Value>
void append_printf(std::string& out, const std::string& directive, Value value) {
    char small[128];
    int needed = std::snprintf(small, sizeof small, directive.c_str(), value);
    if (needed < 0) return;
    if (static_cast<size_t>(needed) < sizeof small) {
        out.append(small, static_cast<size_t>(needed));
        return;
    }
    std::string large(static_cast<size_t>(needed) + 1, '\0');
    std::snprintf(large.data(), large.size(), directive.c_str(), value);
    out.append(large.data(), static_cast<size_t>(needed));
}

void append_text(std::string& out, const Conversion& conv, std::string_view text) {
    if (conv.precision >= 0 && text.size() > static_cast<size_t>(conv.precision)) text = text.substr(0, conv.precision);
    size_t pad = conv.width > 0 && static_cast<size_t>(conv.width) > text.size() ? conv.width - text.size() : 0;
    bool left = conv.flags.find('-') != std::string_view::npos;
    if (!left) out.append(pad, ' ');
    out.append(text);
    if (left) out.append(pad, ' ');
}

// Formats one conversion with `arg`; false when the argument's kind does not fit.
bool append_conversion(std::string& out, const Conversion& conv, const FormatArg& arg) {
    using Kind = FormatArg::Kind;
    bool integral = arg.kind() == Kind::Signed || arg.kind() == Kind::Unsigned;
    switch (conv.type) {
    case 's':
        if (arg.kind() != Kind::Text) return false;
        append_text(out, conv, arg.text());
        return true;
    case 'd':
    case 'i':
        if (!integral) return false;
        append_printf(out, printf_spec(conv, "ll", conv.type), arg.as_signed());
        return true;
    case 'u':
    case 'o':
    case 'x':
    case 'X':
        if (!integral) return false;
        append_printf(out, printf_spec(conv, "ll", conv.type), arg.as_unsigned());
        return true;
    case 'c':
        if (!integral) return false;
        append_printf(out, printf_spec(conv, "", 'c'), static_cast<int>(static_cast<unsigned char>(arg.as_signed())));
        return true;
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G': {
        if (arg.kind() == Kind::Text) return false;
        double value = arg.kind() == Kind::Real ? arg.real() : static_cast<double>(arg.as_signed());
        append_printf(out, printf_spec(conv, "", conv.type), value);
        return true;
    }
    default:
        return false;
    }
}

}  // namespace

std::vector<std::string_view> format_conversions(std::string_view format) {
    std::vector<std::string_view> conversions;
    size_t pos = 0;
    while ((pos = format.find('%', pos)) != std::string_view::npos) {
        if (pos + 1 < format.size() && format[pos + 1] == '%') {
            pos += 2;
            continue;
        }
        Conversion conv;
        if (!parse_conversion(format, pos, conv)) {
            ++pos;
            continue;
        }
        conversions.push_back(format.substr(pos, conv.length));
        pos += conv.length;
    }
    return conversions;
}

std::string format_checked(std::string_view format, std::span<const FormatArg> args) {
    std::string out;
    out.reserve(format.size() + 64);
    size_t next_arg = 0;
    size_t pos = 0;
    while (pos < format.size()) {
        size_t percent = format.find('%', pos);
        if (percent == std::string_view::npos) {
            out.append(format.substr(pos));
            break;
        }
        out.append(format.substr(pos, percent - pos));
        if (percent + 1 < format.size() && format[percent + 1] == '%') {
            out.push_back('%');
            pos = percent + 2;
            continue;
        }
        Conversion conv;
        if (!parse_conversion(format, percent, conv)) {
            out.push_back('%');
            pos = percent + 1;
            continue;
        }
        // Conversion n always pairs with argument n, fitting or not.
        bool done = next_arg < args.size() && append_conversion(out, conv, args[next_arg]);
        ++next_arg;
        if (!done) out.append(format.substr(percent, conv.length));
        pos = percent + conv.length;
    }
    return out;
}

}  // namespace vel

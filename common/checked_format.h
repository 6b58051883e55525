// printf-style formatting of texts that come from outside the program (the
// kit's message catalogues). Each conversion takes the next argument the
// caller passed (conversion n pairs with argument n) and formats it only when
// its kind fits; a conversion without a fitting argument is copied to the
// output as written, so a translated text with an extra or mistyped
// conversion can never read memory the caller did not pass.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vel {

// Width and precision beyond this are refused (the conversion is copied as written).
constexpr int kMaxFieldWidth = 4096;

class FormatArg {
public:
    enum class Kind { Text, Signed, Unsigned, Real };

    FormatArg(const char* text) : kind_(Kind::Text), text_(text ? text : "") {}
    FormatArg(std::string_view text) : kind_(Kind::Text), text_(text) {}
    FormatArg(const std::string& text) : kind_(Kind::Text), text_(text) {}
    FormatArg(int value) : kind_(Kind::Signed), signed_(value) {}
    FormatArg(long value) : kind_(Kind::Signed), signed_(value) {}
    FormatArg(long long value) : kind_(Kind::Signed), signed_(value) {}
    FormatArg(unsigned value) : kind_(Kind::Unsigned), unsigned_(value) {}
    FormatArg(unsigned long value) : kind_(Kind::Unsigned), unsigned_(value) {}
    FormatArg(unsigned long long value) : kind_(Kind::Unsigned), unsigned_(value) {}
    FormatArg(double value) : kind_(Kind::Real), real_(value) {}

    Kind kind() const { return kind_; }
    std::string_view text() const { return text_; }
    long long as_signed() const { return kind_ == Kind::Unsigned ? static_cast<long long>(unsigned_) : signed_; }
    unsigned long long as_unsigned() const { return kind_ == Kind::Signed ? static_cast<unsigned long long>(signed_) : unsigned_; }
    double real() const { return real_; }

private:
    Kind kind_;
    std::string_view text_;
    long long signed_ = 0;
    unsigned long long unsigned_ = 0;
    double real_ = 0.0;
};

std::string format_checked(std::string_view format, std::span<const FormatArg> args);

// The conversions of `format` in the order they take arguments, each as
// written (e.g. "%-5s"); "%%" and text that is no conversion are left out.
std::vector<std::string_view> format_conversions(std::string_view format);

inline std::string format_checked(std::string_view format, std::initializer_list<FormatArg> args) {
    return format_checked(format, std::span<const FormatArg>(args.begin(), args.size()));
}

}  // namespace vel

#include "nativesystem/result_text.h"

namespace nativesystem {

std::string result_text(int outcome, const std::string& text) {
    std::string result = std::to_string(outcome);
    result += kResultSeparator;
    result += text;
    return result;
}

std::string unknown_error_text(unsigned long code) {
    return "Unknown error " + std::to_string(code);
}

}  // namespace nativesystem

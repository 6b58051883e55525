// Texts of the result strings, apart from the VM that carries them.
#pragma once

#include <string>

namespace nativesystem {

inline constexpr char kResultSeparator = '|';
// Carried instead of the text when the result itself cannot be allocated.
inline constexpr const char* kAllocationFailureText = "ProcessResult:Failed to allocate memory";

// "%d%c%s": outcome digit, '|', text.
std::string result_text(int outcome, const std::string& text);

// Error text of a code the system has no message for.
std::string unknown_error_text(unsigned long code);

}  // namespace nativesystem

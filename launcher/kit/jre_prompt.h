// Asking the user on the console for the Java runtime's directory.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kit {

// A typed line lives in a 1024-byte place: longer lines are refused.
constexpr std::size_t kMaxPromptLineLength = 1023;

// The file whose presence makes a typed directory a Java runtime.
std::string java_launcher_candidate(std::string_view typed_line);

// The directory as typed (untrimmed) once it holds bin\java.exe; nullopt when
// the input ends first.
std::optional<std::string> prompt_jre_location();

}  // namespace kit

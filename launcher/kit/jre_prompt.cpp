#include "launcher/kit/jre_prompt.h"

#include "launcher/kit/paths.h"

namespace kit {

std::string java_launcher_candidate(std::string_view typed_line) {
    std::string candidate(typed_line);
    append_path_component(candidate, "bin");
    append_path_component(candidate, "java.exe");
    return candidate;
}

}  // namespace kit

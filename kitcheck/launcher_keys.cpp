#include "kitcheck/kit_checker.h"

namespace kitcheck {

const std::vector<std::string_view>& launcher_message_keys() {
    static const std::vector<std::string_view> keys = {
#include "launcher_keys.inc"
    };
    return keys;
}

}  // namespace kitcheck

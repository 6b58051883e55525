// Every line of the prerequisite run goes to the console and the install log.
#pragma once

#include <initializer_list>
#include <string_view>

#include "common/checked_format.h"
#include "launcher/catalogue/catalogue.h"
#include "launcher/kit/install_log.h"

namespace prereq {

inline void show_line(std::string_view key, std::initializer_list<vel::FormatArg> args = {}) {
    kit::log_and_show(catalogue::format_message(key, args));
}

}  // namespace prereq

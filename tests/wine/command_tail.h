// What follows a test-bed program's own name on its command line.
#pragma once

#include <windows.h>

#include <cstring>

inline const char* own_command_tail() {
    const char* line = GetCommandLineA();
    // Skip this program's own name, quoted or not, and the blanks after it.
    if (*line == '"') {
        line = std::strchr(line + 1, '"');
        line = line ? line + 1 : "";
    } else {
        while (*line && *line != ' ' && *line != '\t') ++line;
    }
    while (*line == ' ' || *line == '\t') ++line;
    return line;
}

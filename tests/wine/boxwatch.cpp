// Test-bed watcher: records the caption and text of every message box that
// appears on the display and closes it with OK. Runs until the stop file
// exists. Usage: boxwatch <record file> <stop file>
// Each record is one line of UTF-8: caption, a tab, the text; line ends
// inside the text are written as \n, backslashes as \\.
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else out += c;
    }
    return out;
}

// The text as the user reads it, in UTF-8: read as Unicode, so that a box
// given text in the wrong code page shows the damage.
std::string window_text(HWND hwnd) {
    wchar_t wide[8192];
    int n = GetWindowTextW(hwnd, wide, sizeof wide / sizeof wide[0]);
    if (n <= 0) return {};
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, n, nullptr, 0, nullptr, nullptr);
    std::string text(bytes > 0 ? bytes : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, n, text.data(), bytes, nullptr, nullptr);
    return text;
}

BOOL CALLBACK find_static_text(HWND child, LPARAM out) {
    char cls[64];
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0) {
        std::string text = window_text(child);
        if (!text.empty()) {
            *reinterpret_cast<std::string*>(out) = text;
            return FALSE;
        }
    }
    return TRUE;
}

struct Scan {
    std::FILE* record;
    std::set<HWND>* closed;
};

BOOL CALLBACK close_boxes(HWND hwnd, LPARAM param) {
    auto* scan = reinterpret_cast<Scan*>(param);
    char cls[64];
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
    if (scan->closed->count(hwnd)) return TRUE;
    std::string text;
    EnumChildWindows(hwnd, find_static_text, reinterpret_cast<LPARAM>(&text));
    std::fprintf(scan->record, "%s\t%s\n", escaped(window_text(hwnd)).c_str(), escaped(text).c_str());
    std::fflush(scan->record);
    scan->closed->insert(hwnd);
    PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: boxwatch <record file> <stop file>\n");
        return 2;
    }
    std::FILE* record = std::fopen(argv[1], "ab");
    if (!record) return 1;
    std::set<HWND> closed;
    Scan scan{record, &closed};
    // The ready mark tells the harness that the watcher is looking.
    std::fprintf(stdout, "ready\n");
    std::fflush(stdout);
    while (GetFileAttributesA(argv[2]) == INVALID_FILE_ATTRIBUTES) {
        EnumWindows(close_boxes, reinterpret_cast<LPARAM>(&scan));
        Sleep(50);
    }
    EnumWindows(close_boxes, reinterpret_cast<LPARAM>(&scan));
    std::fclose(record);
    return 0;
}

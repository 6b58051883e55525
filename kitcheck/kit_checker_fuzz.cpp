// Arbitrary bytes as a kit's velparam.ini, cons.nls and cons_de.nls, split at
// lines "@@": every finding names its file and has a text, and the exit code
// is 0 or 1.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "kitcheck/kit_checker.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    static const char* const kNames[] = {"velparam.ini", "resource\\cons.nls", "resource\\cons_de.nls"};
    std::vector<std::pair<std::string, std::string>> files = {{"setup.exe", ""}, {"jre\\bin\\java.exe", ""}};
    for (const char* name : kNames) {
        const std::size_t cut = input.find("\n@@\n");
        files.emplace_back(name, std::string(input.substr(0, cut)));
        if (cut == std::string_view::npos) break;
        input.remove_prefix(cut + 4);
    }
    const std::vector<kitcheck::Finding> findings = kitcheck::check_kit(kitcheck::memory_kit(files));
    for (const kitcheck::Finding& finding : findings) {
        if (finding.file.empty() || finding.text.empty() || finding.line < 0) std::abort();
        if (kitcheck::format_finding(finding, "kit", '/').find(": ") == std::string::npos) std::abort();
    }
    const int code = kitcheck::exit_code(findings, false);
    if (code != 0 && code != 1) std::abort();
    return 0;
}

// Output settings of the launcher that code all over it reads: where errors
// go (console or message box) and whether diagnostics are shown. The main
// flow writes them once, right after the option scan and before anything
// reads them; every other value of the run is passed explicitly.
#pragma once

namespace base {

extern bool silent_mode;  // -SILENT, -HELP, -ATTACHHOME
extern bool debug_mode;   // -DEBUG

}  // namespace base

// The launcher's own results. The process exit code is one of these or the
// installer's exit code, passed on as it is.
#pragma once

namespace base {

enum RunResult : int {
    kRunSucceeded = 0,
    kErrorReported = -1,  // the user has been told why
    kNoParameterFile = -2,
    kNoCatalogue = 1,
};

}  // namespace base

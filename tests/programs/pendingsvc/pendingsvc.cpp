// A service that never finishes starting: it stays in the start-pending state
// and keeps raising its check point, as a service does that makes progress
// slowly but never arrives. Ended from outside (TerminateProcess).
#include <windows.h>

namespace {

SERVICE_STATUS_HANDLE status_handle = nullptr;

DWORD WINAPI control_handler(DWORD, DWORD, void*, void*) { return NO_ERROR; }

void WINAPI service_main(DWORD, char**) {
    status_handle = RegisterServiceCtrlHandlerExA("pendingsvc", control_handler, nullptr);
    if (status_handle == nullptr) return;
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = SERVICE_START_PENDING;
    status.dwWaitHint = 300;
    for (;;) {
        ++status.dwCheckPoint;
        SetServiceStatus(status_handle, &status);
        Sleep(100);
    }
}

}  // namespace

int main() {
    char name[] = "pendingsvc";
    SERVICE_TABLE_ENTRYA table[] = {{name, service_main}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}

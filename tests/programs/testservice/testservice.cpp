// Stand-in for the services that the service operations control.
//   normal     starts (one pending report), runs, stops on the stop control
//   failstart  gives up while starting: stopped with exit code 1066 (service code 42)
//   slow       starts through growing check points
//   stuck      starts with a check point that never grows, runs a few seconds later
//   slowstop   like normal, but stays stop-pending for a while after the stop control
#include <windows.h>

#include <fstream>
#include <string>

namespace {

std::string mode = "normal";
SERVICE_STATUS_HANDLE status_handle = nullptr;
HANDLE stop_event = nullptr;
constexpr DWORD kSpecificExitCode = 42;

void report(DWORD state, DWORD check_point, DWORD wait_hint, DWORD exit_code = NO_ERROR) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwWin32ExitCode = exit_code;
    status.dwServiceSpecificExitCode = exit_code == ERROR_SERVICE_SPECIFIC_ERROR ? kSpecificExitCode : 0;
    status.dwCheckPoint = check_point;
    status.dwWaitHint = wait_hint;
    SetServiceStatus(status_handle, &status);
}

DWORD WINAPI control_handler(DWORD control, DWORD, void*, void*) {
    if (control == SERVICE_CONTROL_STOP) {
        report(SERVICE_STOP_PENDING, 1, 100);
        SetEvent(stop_event);
    }
    return NO_ERROR;
}

void WINAPI service_main(DWORD, char**) {
    status_handle = RegisterServiceCtrlHandlerExA("testservice", control_handler, nullptr);
    if (status_handle == nullptr) return;
    stop_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    report(SERVICE_START_PENDING, 1, 1000);
    if (mode == "failstart") {
        Sleep(300);
        report(SERVICE_STOPPED, 0, 0, ERROR_SERVICE_SPECIFIC_ERROR);
        return;
    }
    if (mode == "slow") {
        for (DWORD check_point = 2; check_point <= 6; ++check_point) {
            Sleep(200);
            report(SERVICE_START_PENDING, check_point, 400);
        }
    } else if (mode == "stuck") {
        Sleep(3000);
    }
    report(SERVICE_RUNNING, 0, 0);
    WaitForSingleObject(stop_event, INFINITE);
    if (mode == "slowstop") Sleep(1500);
    report(SERVICE_STOPPED, 0, 0);
}

std::string mode_from_file() {
    std::string path(MAX_PATH, '\0');
    DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) return {};
    path.resize(length);
    std::ifstream file(path + ".mode");
    std::string text;
    file >> text;
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        mode = argv[1];
    } else if (std::string chosen = mode_from_file(); !chosen.empty()) {
        mode = chosen;
    }
    char name[] = "testservice";
    SERVICE_TABLE_ENTRYA table[] = {{name, service_main}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}

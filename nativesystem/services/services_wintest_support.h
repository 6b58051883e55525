// Helpers of the service Wine tests: stand-ins in the library's imports, the
// test service program, direct looks at the service control manager and the
// registry, and clean-up.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

#include "common/unique_resource.h"

namespace services_wintest {

// Points the import of `function` from `dll` in `module` at
// `replacement`; the import it replaced, or nullptr when there is none.
inline void* redirect_import(HMODULE module, const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); library->Name;
         ++library) {
        if (_stricmp(reinterpret_cast<const char*>(base + library->Name), dll) != 0) continue;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
            const auto* by_name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), function) != 0) continue;
            void* previous = reinterpret_cast<void*>(slot->u1.Function);
            DWORD protection = 0;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
            return previous;
        }
    }
    return nullptr;
}

inline std::string program_directory() {
    std::string path(MAX_PATH, '\0');
    DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return path.substr(0, path.find_last_of("\\/"));
}

inline std::string testservice_path() {
    return program_directory() + "\\testservice.exe";
}

inline std::string testservice_command(const std::string& mode) {
    std::string command = "\"";
    command += testservice_path();
    command += "\" ";
    command += mode;
    return command;
}

inline vel::unique_schandle open_manager() {
    return vel::unique_schandle(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
}

inline std::optional<SERVICE_STATUS> service_status(const std::string& name) {
    vel::unique_schandle manager = open_manager();
    vel::unique_schandle service(OpenServiceA(manager.get(), name.c_str(), SERVICE_QUERY_STATUS));
    SERVICE_STATUS status{};
    if (!service || !QueryServiceStatus(service.get(), &status)) return std::nullopt;
    return status;
}

inline bool service_exists(const std::string& name) {
    return service_status(name).has_value();
}

inline bool wait_for_state(const std::string& name, DWORD state, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        std::optional<SERVICE_STATUS> status = service_status(name);
        if (status && status->dwCurrentState == state) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

// Stops the service when it runs (or is on its way) and deletes it.
inline void remove_service(const std::string& name) {
    vel::unique_schandle manager = open_manager();
    vel::unique_schandle service(OpenServiceA(manager.get(), name.c_str(), SERVICE_ALL_ACCESS));
    if (!service) return;
    std::optional<SERVICE_STATUS> status = service_status(name);
    if (status && status->dwCurrentState == SERVICE_START_PENDING) {
        wait_for_state(name, SERVICE_RUNNING, std::chrono::seconds(10));
    }
    SERVICE_STATUS ignored{};
    ControlService(service.get(), SERVICE_CONTROL_STOP, &ignored);
    wait_for_state(name, SERVICE_STOPPED, std::chrono::seconds(10));
    DeleteService(service.get());
    service.reset();
    // The manager may drop a deleted service only once its process has gone.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (service_exists(name) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

struct ServiceConfig {
    DWORD service_type;
    DWORD start_type;
    DWORD error_control;
    std::string binary_path;
};

inline std::optional<ServiceConfig> service_config(const std::string& name) {
    vel::unique_schandle manager = open_manager();
    vel::unique_schandle service(OpenServiceA(manager.get(), name.c_str(), SERVICE_QUERY_CONFIG));
    if (!service) return std::nullopt;
    DWORD needed = 0;
    QueryServiceConfigA(service.get(), nullptr, 0, &needed);
    std::string buffer(needed, '\0');
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!QueryServiceConfigA(service.get(), config, needed, &needed)) return std::nullopt;
    return ServiceConfig{config->dwServiceType, config->dwStartType, config->dwErrorControl,
                         config->lpBinaryPathName ? config->lpBinaryPathName : ""};
}

// The dependency list as the registry keeps it (NULs included).
inline std::optional<std::string> depend_on_service(const std::string& name) {
    vel::unique_hkey key;
    std::string path = "System\\CurrentControlSet\\Services\\" + name;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), "DependOnService", nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::string data(size, '\0');
    if (RegQueryValueExA(key.get(), "DependOnService", nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    data.resize(size);
    return data;
}

// The first entry of the dependency list. Wine's CreateServiceA stores the
// list with a length twice its size, so only what precedes the first NUL is
// reliable after a create.
inline std::optional<std::string> first_dependency(const std::string& name) {
    std::optional<std::string> list = depend_on_service(name);
    if (!list || list->find('\0') == std::string::npos) return std::nullopt;
    return list->substr(0, list->find('\0'));
}

}  // namespace services_wintest

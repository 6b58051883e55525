#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "nativesystem/jni_frame.h"
#include "nativesystem/services/services_wintest_support.h"
#include "tests/jnihost/jnihost.h"

namespace {

using namespace services_wintest;
using nativesystem::error_text;

std::string failure(DWORD code) {
    return "0|" + error_text(code);
}

// The service manager calls of velnodm10.dll, recorded with the access each
// asks for on their way through the library's import table, then passed on.
// Wine's manager checks no rights, so only this shows what a real one would
// refuse.
struct AccessRequest {
    std::string function;
    DWORD access;
    bool operator==(const AccessRequest&) const = default;
};
std::vector<AccessRequest> access_requests;

std::ostream& operator<<(std::ostream& out, const AccessRequest& request) {
    return out << request.function << "(0x" << std::hex << request.access << std::dec << ")";
}

SC_HANDLE WINAPI record_open_manager(LPCSTR machine, LPCSTR database, DWORD access) {
    access_requests.push_back({"OpenSCManagerA", access});
    return OpenSCManagerA(machine, database, access);
}

SC_HANDLE WINAPI record_open_service(SC_HANDLE manager, LPCSTR name, DWORD access) {
    access_requests.push_back({"OpenServiceA", access});
    return OpenServiceA(manager, name, access);
}

SC_HANDLE WINAPI record_create_service(SC_HANDLE manager, LPCSTR name, LPCSTR display, DWORD access, DWORD type,
                                       DWORD start, DWORD error_control, LPCSTR binary, LPCSTR group, LPDWORD tag,
                                       LPCSTR dependencies, LPCSTR account, LPCSTR password) {
    access_requests.push_back({"CreateServiceA", access});
    return CreateServiceA(manager, name, display, access, type, start, error_control, binary, group, tag,
                          dependencies, account, password);
}

// Records the service manager calls of the library while it lives.
class AccessRecorder {
public:
    AccessRecorder() {
        access_requests.clear();
        for (Redirect& r : redirects_) {
            r.previous = redirect_import(library(), "advapi32.dll", r.function, r.replacement);
        }
    }
    ~AccessRecorder() {
        for (Redirect& r : redirects_) {
            if (r.previous) redirect_import(library(), "advapi32.dll", r.function, r.previous);
        }
    }
    AccessRecorder(const AccessRecorder&) = delete;
    AccessRecorder& operator=(const AccessRecorder&) = delete;

    bool complete() const {
        for (const Redirect& r : redirects_) {
            if (!r.previous) return false;
        }
        return true;
    }
    // The requests since the last call.
    std::vector<AccessRequest> take() { return std::exchange(access_requests, {}); }

private:
    static HMODULE library() { return GetModuleHandleA("velnodm10.dll"); }
    struct Redirect {
        const char* function;
        void* replacement;
        void* previous;
    };
    Redirect redirects_[3] = {{"OpenSCManagerA", reinterpret_cast<void*>(record_open_manager), nullptr},
                              {"OpenServiceA", reinterpret_cast<void*>(record_open_service), nullptr},
                              {"CreateServiceA", reinterpret_cast<void*>(record_create_service), nullptr}};
};

class ServiceControl : public ::testing::Test {
protected:
    void TearDown() override {
        for (const std::string& name : created_) remove_service(name);
        EXPECT_FALSE(service_exists(name_));
    }

    // A fresh service name of this test; removed again at the end.
    std::string service(const std::string& suffix = "") {
        std::string name = std::string("VelSvcTest") + ::testing::UnitTest::GetInstance()->current_test_info()->name() + suffix;
        remove_service(name);
        created_.push_back(name);
        if (name_.empty()) name_ = name;
        return name;
    }

    std::string create(const std::string& command, const std::string& name, int access = 0, int type = 0,
                       int start = 0, int error_control = 0, const std::string& node = "localnode") {
        auto fn = JNIHOST_EXPORT(lib_, ntCreateServiceAdvanced);
        return *vm_.text(vm_.call(fn, vm_.str(command), vm_.str(name), access, type, start, error_control, nullptr,
                                  nullptr, nullptr, 0, nullptr, vm_.str(node)));
    }

    template <typename Fn>
    std::string named(Fn fn, const std::string& name, const std::string& node = "localnode") {
        return *vm_.text(vm_.call(fn, vm_.str(name), vm_.str(node)));
    }
    std::string start(const std::string& name, const std::string& node = "localnode") {
        return named(JNIHOST_EXPORT(lib_, ntStartService), name, node);
    }
    std::string stop(const std::string& name) { return named(JNIHOST_EXPORT(lib_, ntStopService), name); }
    std::string remove(const std::string& name, const std::string& node = "localnode") {
        return named(JNIHOST_EXPORT(lib_, ntDeleteService), name, node);
    }
    std::string depend(const std::string& name, const std::string& text) {
        auto fn = JNIHOST_EXPORT(lib_, ntCreateServiceDep);
        return *vm_.text(vm_.call(fn, vm_.str(name), vm_.str(text), vm_.str("localnode")));
    }

    jnihost::Vm vm_;
    jnihost::Library& lib_ = jnihost::library();
    std::vector<std::string> created_;
    std::string name_;
};

TEST_F(ServiceControl, NodeNamesDecideWhetherTheManagerIsContacted) {
    // Wine's manager answers for any machine name, so an accepted node shows
    // as the manager's own answer about a missing service.
    const std::string missing = "VelSvcTestNoSuchService";
    EXPECT_EQ(start(missing, "localnode"), failure(ERROR_SERVICE_DOES_NOT_EXIST));
    EXPECT_EQ(start(missing, "LOCALNODE"), failure(ERROR_SERVICE_DOES_NOT_EXIST));
    EXPECT_EQ(start(missing, "abc"), failure(ERROR_SERVICE_DOES_NOT_EXIST));
    EXPECT_EQ(start(missing, "ab"), failure(ERROR_INVALID_COMPUTERNAME));
    EXPECT_EQ(start(missing, ""), failure(ERROR_INVALID_COMPUTERNAME));
    EXPECT_EQ(start(missing, std::string(97, 'n')), failure(ERROR_SERVICE_DOES_NOT_EXIST));
    EXPECT_EQ(start(missing, std::string(98, 'n')), failure(ERROR_INVALID_COMPUTERNAME));
    EXPECT_EQ(start(missing, "\\\\" + std::string(97, 'n')), failure(ERROR_SERVICE_DOES_NOT_EXIST));
    EXPECT_EQ(start(missing, "\\\\" + std::string(98, 'n')), failure(ERROR_INVALID_COMPUTERNAME));

    auto fn = JNIHOST_EXPORT(lib_, ntStopService);
    EXPECT_EQ(*vm_.text(vm_.call(fn, vm_.str(missing), nullptr)), failure(ERROR_INVALID_COMPUTERNAME));
    EXPECT_EQ(*vm_.text(vm_.call(fn, nullptr, vm_.str("localnode"))), failure(ERROR_INVALID_PARAMETER));
}

TEST_F(ServiceControl, CreateWithDefaultsAndCreateOfAnExistingService) {
    std::string name = service();
    EXPECT_EQ(create(testservice_command("normal"), name), "1| ");
    auto config = service_config(name);
    ASSERT_TRUE(config);
    EXPECT_EQ(config->service_type, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(config->start_type, static_cast<DWORD>(SERVICE_DEMAND_START));
    EXPECT_EQ(config->error_control, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(config->binary_path, testservice_command("normal"));

    EXPECT_EQ(create(testservice_command("slow"), name, 0, 0, SERVICE_DISABLED, SERVICE_ERROR_SEVERE), "1| ");
    config = service_config(name);
    EXPECT_EQ(config->start_type, static_cast<DWORD>(SERVICE_DEMAND_START));
    EXPECT_EQ(config->binary_path, testservice_command("normal"));

    EXPECT_EQ(create(testservice_command("normal"), name + "x", 0, 0, 0, 0, "ab"),
              failure(ERROR_INVALID_COMPUTERNAME));
    EXPECT_FALSE(service_exists(name + "x"));
}

TEST_F(ServiceControl, CreateTakesTheGivenSettingsAndADependency) {
    std::string name = service();
    auto fn = JNIHOST_EXPORT(lib_, ntCreateServiceAdvanced);
    std::string result = *vm_.text(vm_.call(fn, vm_.str(testservice_command("normal")), vm_.str(name), 0, 0,
                                            SERVICE_DISABLED, SERVICE_ERROR_SEVERE, vm_.str("VelSvcTestBase"), nullptr,
                                            nullptr, 0, nullptr, vm_.str("localnode")));
    EXPECT_EQ(result, "1| ");
    auto config = service_config(name);
    ASSERT_TRUE(config);
    EXPECT_EQ(config->start_type, static_cast<DWORD>(SERVICE_DISABLED));
    EXPECT_EQ(config->error_control, static_cast<DWORD>(SERVICE_ERROR_SEVERE));
    EXPECT_EQ(first_dependency(name), "VelSvcTestBase");
}

TEST_F(ServiceControl, OptionalTextThatCannotBeConvertedFailsTheCreate) {
    std::string name = service();
    auto fn = JNIHOST_EXPORT(lib_, ntCreateServiceAdvanced);
    for (int lost = 0; lost < 3; ++lost) {
        jstring texts[] = {vm_.str("VelSvcTestBase"), vm_.str(".\\someone"), vm_.str("secret")};
        vm_.fail_utf_chars(texts[lost]);
        std::string result = *vm_.text(vm_.call(fn, vm_.str(testservice_command("normal")), vm_.str(name), 0, 0, 0,
                                                0, texts[0], texts[1], nullptr, 0, texts[2], vm_.str("localnode")));
        EXPECT_EQ(result, failure(ERROR_NOT_ENOUGH_MEMORY)) << lost;
        EXPECT_FALSE(service_exists(name)) << lost;
    }
}

TEST_F(ServiceControl, DependencyIsTheNameBeforeTheBar) {
    std::string name = service();
    ASSERT_EQ(create(testservice_command("normal"), name), "1| ");
    EXPECT_EQ(depend(name, "VelSvcTestA|VelSvcTestB"), "1| ");
    EXPECT_EQ(depend_on_service(name), std::string("VelSvcTestA\0\0", 13));

    EXPECT_EQ(depend(name, "VelSvcTestWhole"), "1| ");
    EXPECT_EQ(depend_on_service(name), std::string("VelSvcTestWhole\0\0", 17));

    EXPECT_EQ(depend(name, std::string(1023, 'd') + "|B"), failure(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(depend_on_service(name), std::string("VelSvcTestWhole\0\0", 17));
    EXPECT_EQ(depend("VelSvcTestNoSuchService", "A|B"), failure(ERROR_SERVICE_DOES_NOT_EXIST));
}

TEST_F(ServiceControl, StartStopAndDelete) {
    std::string name = service();
    ASSERT_EQ(create(testservice_command("normal"), name), "1| ");
    EXPECT_EQ(stop(name), failure(ERROR_SERVICE_NOT_ACTIVE));

    EXPECT_EQ(start(name), "1| ");
    EXPECT_EQ(service_status(name)->dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(start(name), failure(ERROR_SERVICE_ALREADY_RUNNING));

    EXPECT_EQ(stop(name), "1| ");
    EXPECT_TRUE(wait_for_state(name, SERVICE_STOPPED, std::chrono::seconds(5)));

    EXPECT_EQ(remove(name, "LOCALNODE"), "1| ");
    EXPECT_FALSE(service_exists(name));
    EXPECT_EQ(remove(name), failure(ERROR_SERVICE_DOES_NOT_EXIST));
}

TEST_F(ServiceControl, EveryExportAsksOnlyForTheRightsItUses) {
    std::string name = service();
    std::string home(MAX_PATH, '\0');
    home.resize(GetTempPathA(static_cast<DWORD>(home.size()), home.data()));
    home += "velrights" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(home.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    CreateDirectoryA((home + "\\bin").c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(testservice_path().c_str(), (home + "\\bin\\pxd.exe").c_str(), FALSE)) << GetLastError();
    remove_service("VelmorPXDService");

    AccessRecorder recorder;
    ASSERT_TRUE(recorder.complete());
    constexpr DWORD connect = SC_MANAGER_CONNECT;
    constexpr DWORD create_service = SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE;
    constexpr DWORD start_and_wait = SERVICE_START | SERVICE_QUERY_STATUS;
    const struct {
        const char* export_name;
        std::function<std::string()> call;
        std::vector<AccessRequest> asked;
    } cases[] = {
        // The created service's own handle takes the access the caller gave.
        {"ntCreateServiceAdvanced", [&] { return create(testservice_command("normal"), name, SERVICE_QUERY_STATUS); },
         {{"OpenSCManagerA", create_service}, {"CreateServiceA", SERVICE_QUERY_STATUS}}},
        {"ntCreateServiceDep", [&] { return depend(name, "VelSvcTestA"); },
         {{"OpenSCManagerA", connect}, {"OpenServiceA", SERVICE_CHANGE_CONFIG}}},
        {"ntStartService", [&] { return start(name); },
         {{"OpenSCManagerA", connect}, {"OpenServiceA", start_and_wait}}},
        {"ntStopService", [&] { return stop(name); },
         {{"OpenSCManagerA", connect}, {"OpenServiceA", SERVICE_STOP | SERVICE_QUERY_STATUS}}},
        {"ntDeleteService", [&] { wait_for_state(name, SERVICE_STOPPED, std::chrono::seconds(5)); return remove(name); },
         {{"OpenSCManagerA", connect}, {"OpenServiceA", DELETE}}},
        {"ntStartDaemon",
         [&] {
             auto fn = JNIHOST_EXPORT(lib_, ntStartDaemon);
             return *vm_.text(vm_.call(fn, vm_.str("unused"), vm_.str("localnode"), vm_.str("unused"), vm_.str(home)));
         },
         {{"OpenSCManagerA", create_service},
          {"CreateServiceA", 0},
          {"OpenSCManagerA", connect},
          {"OpenServiceA", start_and_wait}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.call(), "1| ") << c.export_name;
        EXPECT_EQ(recorder.take(), c.asked) << c.export_name;
    }
    remove_service("VelmorPXDService");
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
}

TEST_F(ServiceControl, StartWaitFollowsGrowingCheckPoints) {
    std::string name = service();
    ASSERT_EQ(create(testservice_command("slow"), name), "1| ");
    auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(start(name), "1| ");
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(800));
    EXPECT_EQ(service_status(name)->dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(ServiceControl, StartWaitEndsWhenTheCheckPointStalls) {
    std::string name = service();
    ASSERT_EQ(create(testservice_command("stuck"), name), "1| ");
    auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(start(name), failure(ERROR_SERVICE_REQUEST_TIMEOUT));
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(2500));
    EXPECT_EQ(service_status(name)->dwCurrentState, static_cast<DWORD>(SERVICE_START_PENDING));
}

TEST_F(ServiceControl, ServiceThatStopsWhileStarting) {
    std::string name = service();
    ASSERT_EQ(create(testservice_command("failstart"), name), "1| ");
    EXPECT_EQ(start(name), failure(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(service_status(name)->dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
}

TEST_F(ServiceControl, StopSucceedsOnceTheControlIsAccepted) {
    std::string name = service();
    ASSERT_EQ(create(testservice_command("slowstop"), name), "1| ");
    ASSERT_EQ(start(name), "1| ");
    EXPECT_EQ(stop(name), "1| ");
    EXPECT_EQ(service_status(name)->dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_TRUE(wait_for_state(name, SERVICE_STOPPED, std::chrono::seconds(5)));
}

}  // namespace

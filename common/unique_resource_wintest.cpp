#include "common/unique_resource.h"

#include <gtest/gtest.h>

namespace {

bool handle_is_open(HANDLE h) {
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != 0;
}

// A close that fails, as CloseHandle does on a handle already gone.
int closes = 0;
struct failing_close_traits {
    static int invalid() noexcept { return 0; }
    static void close(int) noexcept {
        ++closes;
        SetLastError(ERROR_INVALID_HANDLE);
    }
};
using failing_close = vel::unique_resource<int, failing_close_traits>;

}  // namespace

TEST(UniqueResource, ClosesOnScopeExitResetAndMoveAssignment) {
    HANDLE raw = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(raw);
    {
        vel::unique_handle owner(raw);
        vel::unique_handle moved(std::move(owner));
        EXPECT_FALSE(owner);
        EXPECT_TRUE(handle_is_open(raw));
    }
    EXPECT_FALSE(handle_is_open(raw));

    vel::unique_handle a(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HANDLE first = a.get();
    a = vel::unique_handle(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    EXPECT_FALSE(handle_is_open(first));
    HANDLE second = a.release();
    EXPECT_TRUE(handle_is_open(second));
    CloseHandle(second);
}

TEST(UniqueResource, RegistryKeyThroughPut) {
    vel::unique_hkey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, key.put()), ERROR_SUCCESS);
    EXPECT_TRUE(key);
    key.reset();
    EXPECT_FALSE(key);
}

TEST(UniqueResource, CloseKeepsTheLastErrorOfTheCallBefore) {
    closes = 0;
    {
        failing_close owner(1);
        SetLastError(ERROR_FILE_NOT_FOUND);
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    failing_close owner(2);
    SetLastError(ERROR_ACCESS_DENIED);
    owner.reset(3);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    failing_close other(4);
    SetLastError(ERROR_PATH_NOT_FOUND);
    owner = std::move(other);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(closes, 3);
}

#include "common/unique_resource.h"

#include <gtest/gtest.h>

namespace {

bool handle_is_open(HANDLE h) {
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != 0;
}

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

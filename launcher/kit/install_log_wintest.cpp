#include <gtest/gtest.h>

#include <cstring>

#include "launcher/kit/install_log.h"
#include "launcher/kit/kit_wintest_support.h"

namespace kit {
namespace {

using namespace wintest;

constexpr const char* kKey = "SOFTWARE\\VELMOR";
constexpr const char* kWowKey = "SOFTWARE\\WOW6432NODE\\VELMOR";
constexpr const char* kTimestamp = "2005-10-20_08-52-00AM";

void delete_inventory_keys() {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kWowKey);
}

void create_key(const char* key, const char* inst_loc, DWORD type = REG_SZ) {
    SCOPED_TRACE(std::string("create_key ") + key);
    vel::unique_hkey created;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, created.put(), nullptr),
              ERROR_SUCCESS);
    if (inst_loc) {
        ASSERT_EQ(RegSetValueExA(created.get(), "inst_loc", 0, type, reinterpret_cast<const BYTE*>(inst_loc),
                                 static_cast<DWORD>(std::strlen(inst_loc) + 1)),
                  ERROR_SUCCESS);
    }
}

class InstallLog : public testing::Test {
protected:
    void SetUp() override {
        delete_inventory_keys();
        root = fresh_root("log");
        fallback = root + "\\scratch";
        ASSERT_EQ(_mkdir(fallback.c_str()), 0) << fallback << ": errno " << errno;
    }
    void TearDown() override {
        close_install_log();
        delete_inventory_keys();
        remove_tree(root);
    }
    std::string opened_path() {
        open_install_log(fallback, kTimestamp);
        return install_log_path();
    }
    std::string root, fallback;
    const std::string name = std::string("\\installActions") + kTimestamp + ".log";
};

TEST_F(InstallLog, WithoutInventoryTheLogGoesIntoTheFallbackDirectory) {
    EXPECT_EQ(opened_path(), fallback + name);
    log_text("first\n");
    EXPECT_EQ(close_install_log(), 0);
    EXPECT_EQ(install_log_path(), fallback + name);  // kept after closing
    log_text("lost\n");                              // no log open: nothing written
    EXPECT_EQ(opened_path(), fallback + name);
    log_and_show("second\n");
    close_install_log();
    EXPECT_EQ(read_file(fallback + name), "first\r\nsecond\r\n");
}

TEST_F(InstallLog, InventoryLocationGetsALogsDirectory) {
    const std::string inventory = root + "\\Inventory";
    create_key(kKey, inventory.c_str());
    EXPECT_EQ(opened_path(), inventory + "\\logs" + name);
    EXPECT_TRUE(is_directory(inventory + "\\logs"));
}

TEST_F(InstallLog, ExpandableInventoryLocationIsExpanded) {
    EnvironmentOverride variable("VEL_INVENTORY_ROOT", root);
    create_key(kKey, "%VEL_INVENTORY_ROOT%\\Inventory", REG_EXPAND_SZ);
    EXPECT_EQ(opened_path(), root + "\\Inventory\\logs" + name);
    EXPECT_TRUE(is_directory(root + "\\Inventory\\logs"));
}

TEST_F(InstallLog, SecondKeyOnlyWhenTheFirstCannotBeOpened) {
    const std::string inventory = root + "\\Wow";
    create_key(kWowKey, inventory.c_str());
    EXPECT_EQ(opened_path(), inventory + "\\logs" + name);
    close_install_log();
    create_key(kKey, nullptr);
    EXPECT_EQ(opened_path(), fallback + name);
}

TEST_F(InstallLog, EmptyOrUnusableInventory) {
    create_key(kKey, "");
    EXPECT_EQ(opened_path(), fallback + name);
    close_install_log();
    create_key(kKey, "Q:\\no such drive");
    EXPECT_EQ(opened_path(), "");
    log_and_show("console only\n");
    EXPECT_EQ(close_install_log(), 0);
}

}  // namespace
}  // namespace kit

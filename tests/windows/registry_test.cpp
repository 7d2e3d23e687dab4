#include <gtest/gtest.h>

#include "common/product.h"
#include "platform/registry_key.h"
#include "system/registry.h"
#include "windows_test_support.h"

namespace {

// Reads a string value straight from the registry; nullopt when missing.
std::optional<std::string> ReadValue(HKEY root, const char* keyPath, const char* name)
{
    char data[1024] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    CRegKey key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return std::nullopt;
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    return std::string(data, size > 0 ? size - 1 : 0);
}

class RegistryTest : public testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override
    {
        Clean();
        g_strInstallDir.clear();
    }
    static void Clean()
    {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "software\\tollvik");
        RegDeleteTreeA(HKEY_CURRENT_USER, "software\\setup-tests");
    }
};

TEST_F(RegistryTest, InstallRecordHoldsVersionAndPath)
{
    g_strInstallDir = "C:\\Program Files\\Ombrel\\";
    WriteInstallRecord();
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kRegistryKey, "ver"), "1.00");
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kRegistryKey, "path"), "C:\\Program Files\\Ombrel\\");
}

TEST_F(RegistryTest, ExistingKeyKeepsItsOtherValues)
{
    CRegKey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRegistryKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(),
                              nullptr),
              ERROR_SUCCESS);
    const char other[] = "keep me";
    RegSetValueExA(key.Get(), "other", 0, REG_SZ, reinterpret_cast<const BYTE*>(other), sizeof other);
    RegSetValueExA(key.Get(), "ver", 0, REG_SZ, reinterpret_cast<const BYTE*>("0.9"), 4);
    key.Close();

    g_strInstallDir = "D:\\Apps\\";
    WriteInstallRecord();
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kRegistryKey, "other"), "keep me");
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kRegistryKey, "ver"), "1.00");
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kRegistryKey, "path"), "D:\\Apps\\");
}

TEST_F(RegistryTest, OverlongPathIsLeftOutWhileVersionIsWritten)
{
    g_strInstallDir = "C:\\" + std::string(252, 'p') + "\\"; // 256 bytes
    WriteInstallRecord();
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kRegistryKey, "ver"), "1.00");
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kRegistryKey, "path"), std::nullopt);
}

TEST_F(RegistryTest, WriteStringLimitIs254Bytes)
{
    CRegistry registry;
    ASSERT_TRUE(registry.SetKey("software\\setup-tests", true));
    EXPECT_TRUE(registry.WriteString("fits", std::string(254, 'x')));
    EXPECT_FALSE(registry.WriteString("too long", std::string(255, 'x')));
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, "software\\setup-tests", "fits"), std::string(254, 'x'));
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, "software\\setup-tests", "too long"), std::nullopt);
}

TEST_F(RegistryTest, RootAndKeyChangesAreRefusedWithoutSideEffects)
{
    CRegistry registry;
    EXPECT_FALSE(registry.SetRootKey(HKEY_CURRENT_CONFIG));
    // The root is still HKEY_CURRENT_USER: the value lands there.
    ASSERT_TRUE(registry.SetKey("software\\setup-tests", true));
    // Opening a missing key without create fails and keeps the previous key.
    EXPECT_FALSE(registry.SetKey("software\\setup-tests\\missing", false));
    EXPECT_TRUE(registry.WriteString("where", "here"));
    EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, "software\\setup-tests", "where"), "here");
    EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, "software\\setup-tests\\missing", "where"));
    EXPECT_TRUE(registry.SetKey("software\\setup-tests", false));
    EXPECT_TRUE(registry.SetRootKey(HKEY_LOCAL_MACHINE));
}

} // namespace

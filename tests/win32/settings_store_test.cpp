// The settings store against the real registry, under a product key of the
// tests' own so that the program's key is never touched.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "app/settings_store.h"

namespace {

const char kProduct[] = "KorinStoreTest";
const char kProductPath[] = "Software\\Brindlemoor\\KorinStoreTest";
const char kMakerPath[] = "Software\\Brindlemoor";

bool KeyExists(const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

DWORD ValueCount(const char* path)
{
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key));
    DWORD values = ~0u;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr,
                                              nullptr, &values, nullptr, nullptr, nullptr, nullptr));
    RegCloseKey(key);
    return values;
}

// Writes a value of any type straight into the product key, as another
// program or an older version might have left it.
void PutRawValue(const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductPath, 0, nullptr, 0,
                                             KEY_SET_VALUE, nullptr, &key, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(key);
}

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveProductKey(); }
    void TearDown() override { RemoveProductKey(); }

    static void RemoveProductKey()
    {
        LONG status = RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductPath);
        ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << status;
        ASSERT_FALSE(KeyExists(kProductPath));
    }
};

TEST_F(SettingsStoreTest, ConstructionCreatesTheEmptyKeyPath)
{
    SettingsStore store(kProduct);
    EXPECT_TRUE(KeyExists(kProductPath));
    EXPECT_EQ(0u, ValueCount(kProductPath));
}

TEST_F(SettingsStoreTest, WrittenValueIsBinaryAndReadsBackInAnotherStore)
{
    const RECT written = {-12, 200, 550, 0x12345678};
    {
        SettingsStore store(kProduct);
        ASSERT_EQ(ERROR_SUCCESS, store.WriteValue("WindowPlace", &written, sizeof written));
    }

    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductPath, 0, KEY_READ, &key));
    DWORD type = 0;
    BYTE raw[32] = {};
    DWORD rawSize = sizeof raw;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "WindowPlace", nullptr, &type, raw, &rawSize));
    RegCloseKey(key);
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    ASSERT_EQ(16u, rawSize);
    EXPECT_EQ(0, std::memcmp(raw, &written, 16));

    // A later start sees what the earlier one wrote.
    SettingsStore store(kProduct);
    RECT read = {};
    DWORD sizeRead = 0;
    ASSERT_EQ(ERROR_SUCCESS, store.ReadValue("WindowPlace", &read, sizeof read, &sizeRead));
    EXPECT_EQ(16u, sizeRead);
    EXPECT_EQ(0, std::memcmp(&read, &written, sizeof read));
}

TEST_F(SettingsStoreTest, ReadFailuresLeaveTheBufferAlone)
{
    SettingsStore store(kProduct);
    BYTE buffer[16];
    std::memset(buffer, 0xAB, sizeof buffer);
    DWORD sizeRead = 77;

    EXPECT_NE(ERROR_SUCCESS, store.ReadValue("ViewOpt", buffer, sizeof buffer, &sizeRead))
        << "missing value";

    BYTE longer[20];
    for (int i = 0; i < 20; ++i) {
        longer[i] = static_cast<BYTE>(i + 1);
    }
    ASSERT_EQ(ERROR_SUCCESS, store.WriteValue("ViewOpt", longer, sizeof longer));
    EXPECT_NE(ERROR_SUCCESS, store.ReadValue("ViewOpt", buffer, sizeof buffer, &sizeRead))
        << "value longer than the buffer";

    for (BYTE b : buffer) {
        ASSERT_EQ(0xAB, b) << "a failed read copied bytes";
    }
    EXPECT_EQ(77u, sizeRead);
}

TEST_F(SettingsStoreTest, ShorterValueFillsOnlyItsBytesAndSaysHowMany)
{
    SettingsStore store(kProduct);
    const BYTE shortValue[6] = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(ERROR_SUCCESS, store.WriteValue("ViewOpt", shortValue, sizeof shortValue));

    BYTE buffer[16];
    std::memset(buffer, 0xAB, sizeof buffer);
    DWORD sizeRead = 0;
    ASSERT_EQ(ERROR_SUCCESS, store.ReadValue("ViewOpt", buffer, sizeof buffer, &sizeRead));
    EXPECT_EQ(6u, sizeRead);
    EXPECT_EQ(0, std::memcmp(buffer, shortValue, 6));
    for (int i = 6; i < 16; ++i) {
        EXPECT_EQ(0xAB, buffer[i]) << "byte " << i;
    }

    // The size out-parameter is optional.
    BYTE again[16] = {};
    EXPECT_EQ(ERROR_SUCCESS, store.ReadValue("ViewOpt", again, sizeof again));
    EXPECT_EQ(0, std::memcmp(again, shortValue, 6));
}

TEST_F(SettingsStoreTest, StoredTypeIsIgnored)
{
    const DWORD stored = 0x01020304;
    PutRawValue("ViewOpt", REG_DWORD, &stored, sizeof stored);
    SettingsStore store(kProduct);
    DWORD read = 0;
    ASSERT_EQ(ERROR_SUCCESS, store.ReadValue("ViewOpt", &read, sizeof read));
    EXPECT_EQ(stored, read);
}

TEST_F(SettingsStoreTest, DeleteKeyRemovesTheValuesForTheRestOfTheRun)
{
    SettingsStore store(kProduct);
    const BYTE value[16] = {1};
    ASSERT_EQ(ERROR_SUCCESS, store.WriteValue("WindowPlace", value, sizeof value));

    EXPECT_EQ(ERROR_SUCCESS, store.DeleteKey());
    EXPECT_FALSE(KeyExists(kProductPath));
    EXPECT_TRUE(KeyExists(kMakerPath));

    // The exit-time writes go to the deleted key and must not bring it back.
    EXPECT_EQ(ERROR_KEY_DELETED, store.WriteValue("WindowPlace", value, sizeof value));
    EXPECT_EQ(ERROR_KEY_DELETED, store.WriteValue("ViewOpt", value, sizeof value));
    EXPECT_FALSE(KeyExists(kProductPath));
    BYTE buffer[16] = {};
    EXPECT_NE(ERROR_SUCCESS, store.ReadValue("WindowPlace", buffer, sizeof buffer));

    // The next start finds an empty key.
    SettingsStore next(kProduct);
    EXPECT_TRUE(KeyExists(kProductPath));
    EXPECT_EQ(0u, ValueCount(kProductPath));
    EXPECT_NE(ERROR_SUCCESS, next.ReadValue("WindowPlace", buffer, sizeof buffer));
}

TEST_F(SettingsStoreTest, ProductNameIsCutToItsBuffer)
{
    // A name longer than the 100-byte field names a key of its first 99 bytes.
    std::string longName(150, 'K');
    std::string cutPath = std::string(kMakerPath) + "\\" + std::string(99, 'K');
    {
        SettingsStore store(longName.c_str());
        EXPECT_TRUE(KeyExists(cutPath.c_str()));
        EXPECT_EQ(ERROR_SUCCESS, store.DeleteKey());
    }
    EXPECT_FALSE(KeyExists(cutPath.c_str()));
}

} // namespace

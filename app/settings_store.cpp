#include "app/settings_store.h"

#include <cstring>
#include <vector>

namespace {

const REGSAM kAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

} // namespace

SettingsStore::SettingsStore(const char* name)
    : softwareKey(nullptr), makerKey(nullptr), productKey(nullptr)
{
    lstrcpynA(productName, name, sizeof productName);
    // A failed step leaves its handle null; every later step then fails too
    // and the program runs on its defaults.
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, kAccess, &softwareKey);
    RegCreateKeyExA(softwareKey, "Brindlemoor", 0, nullptr, REG_OPTION_NON_VOLATILE,
                    kAccess, nullptr, &makerKey, nullptr);
    RegCreateKeyExA(makerKey, productName, 0, nullptr, REG_OPTION_NON_VOLATILE,
                    kAccess, nullptr, &productKey, nullptr);
}

SettingsStore::~SettingsStore()
{
    RegCloseKey(productKey);
    RegCloseKey(makerKey);
    RegCloseKey(softwareKey);
}

LONG SettingsStore::WriteValue(const char* name, const void* data, DWORD size)
{
    return RegSetValueExA(productKey, name, 0, REG_BINARY,
                          static_cast<const BYTE*>(data), size);
}

LONG SettingsStore::ReadValue(const char* name, void* buffer, DWORD size, DWORD* sizeRead)
{
    // Read through a scratch copy: the platform leaves the buffer undefined
    // when the value is too long, and the caller's bytes must then stay as
    // they were. At least one byte: a null data pointer would only ask for
    // the size and succeed.
    std::vector<BYTE> scratch(size > 0 ? size : 1);
    DWORD filled = size;
    LONG status = RegQueryValueExA(productKey, name, nullptr, nullptr,
                                   scratch.data(), &filled);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (filled > 0) {
        std::memcpy(buffer, scratch.data(), filled);
    }
    if (sizeRead != nullptr) {
        *sizeRead = filled;
    }
    return status;
}

LONG SettingsStore::DeleteKey()
{
    // The handles stay open: writes through the deleted key fail, so the
    // values are not recreated before the next start.
    return RegDeleteKeyA(makerKey, productName);
}

// The program's persistent settings: binary values under
// HKEY_LOCAL_MACHINE\Software\Brindlemoor\<product>.
#ifndef KORIN_APP_SETTINGS_STORE_H
#define KORIN_APP_SETTINGS_STORE_H

#include <windows.h>

class SettingsStore {
public:
    // Opens the key path, creating what is missing; failures leave the store
    // unusable, and every read then reports the value absent.
    explicit SettingsStore(const char* productName);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The registry status: 0 when written.
    LONG WriteValue(const char* name, const void* data, DWORD size);
    // The registry status: 0 when the value exists and fits in size bytes;
    // then *sizeRead (when given) is the number of bytes it filled.
    LONG ReadValue(const char* name, void* buffer, DWORD size, DWORD* sizeRead = nullptr);
    // Removes the product key and its values; the maker key stays.
    LONG DeleteKey();

private:
    char productName[100];
    HKEY softwareKey;
    HKEY makerKey;
    HKEY productKey;
};

#endif

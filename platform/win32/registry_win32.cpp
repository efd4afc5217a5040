#include <windows.h>

#include "platform/registry.h"

namespace kv {

int RegistryRead(const char* key, const char* name, uint32_t* type, void* data, uint32_t* size) {
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return -1;
    DWORD t = 0, n = *size;
    LONG r = RegQueryValueExA(k, name, nullptr, &t, static_cast<BYTE*>(data), &n);
    RegCloseKey(k);
    if (r == ERROR_MORE_DATA) {
        *size = n;
        return -2;
    }
    if (r != ERROR_SUCCESS) return -1;
    *type = t;
    *size = n;
    return 0;
}

int RegistryWrite(const char* key, const char* name, uint32_t type, const void* data, uint32_t size) {
    HKEY k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, &k, nullptr) != ERROR_SUCCESS)
        return -1;
    LONG r = RegSetValueExA(k, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(k);
    return r == ERROR_SUCCESS ? 0 : -1;
}

void UseRegistryFile(const std::string&) {}
std::string RegistryFilePath() { return ""; }

}  // namespace kv

#include "app/Registry.h"

CString ReadRegistryString(HKEY root, const wchar_t* subkey, const wchar_t* valueName) {
    HKEY key = nullptr;
    if (RegOpenKeyW(root, subkey, &key) != ERROR_SUCCESS) return CString();
    // One unit more than the 520 bytes read, so that a value stored without
    // its terminating zero still ends inside the buffer.
    wchar_t buffer[261] = {};
    DWORD size = 520;
    LONG result = RegQueryValueExW(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return CString();
    return CString(buffer);
}

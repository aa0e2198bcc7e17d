#include <windows.h>

#include <cstring>

#include "platform/win32/win32_services.h"

namespace vidudi::platform {

namespace {

HKEY RootKey(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::LocalMachine:
            break;
    }
    return HKEY_LOCAL_MACHINE;
}

class SystemRegistry final : public Registry {
public:
    std::string ReadString(RegistryRoot root, const std::string& subkey, const std::string& valueName) override {
        HKEY key = nullptr;
        if (RegOpenKeyExA(RootKey(root), subkey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {};
        char text[kRegistryTextBuffer] = {};
        DWORD type = 0;
        DWORD size = sizeof text;
        const LONG result = RegQueryValueExA(key, valueName.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(text), &size);
        RegCloseKey(key);
        // Too long for the buffer (ERROR_MORE_DATA), missing, or not text: empty, see the header.
        if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
        // A value stored without its terminator fills the buffer to the end: then it did not fit.
        const void* end = std::memchr(text, '\0', size);
        if (end == nullptr) return size < sizeof text ? std::string(text, size) : std::string();
        return std::string(text, static_cast<const char*>(end) - text);
    }
};

}  // namespace

Registry& Win32Registry() {
    static SystemRegistry registry;
    return registry;
}

}  // namespace vidudi::platform

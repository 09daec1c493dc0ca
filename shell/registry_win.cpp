#include "shell/registry_win.h"

#include <windows.h>

static_assert(REGISTRY_SUCCESS == ERROR_SUCCESS);
static_assert(REGISTRY_FILE_NOT_FOUND == ERROR_FILE_NOT_FOUND);
static_assert(REGISTRY_ACCESS_DENIED == ERROR_ACCESS_DENIED);
static_assert(REGISTRY_INVALID_HANDLE == ERROR_INVALID_HANDLE);
static_assert(REGISTRY_INVALID_DATA == ERROR_INVALID_DATA);
static_assert(REGISTRY_MORE_DATA == ERROR_MORE_DATA);
static_assert(REGISTRY_NO_MORE_ITEMS == ERROR_NO_MORE_ITEMS);
static_assert(REGISTRY_QUERY_VALUE == KEY_QUERY_VALUE);
static_assert(REGISTRY_SET_VALUE == KEY_SET_VALUE);
static_assert(REGISTRY_TYPE_SZ == REG_SZ && REGISTRY_TYPE_EXPAND_SZ == REG_EXPAND_SZ);
static_assert(REGISTRY_TYPE_BINARY == REG_BINARY && REGISTRY_TYPE_DWORD == REG_DWORD);
static_assert(REGISTRY_TYPE_MULTI_SZ == REG_MULTI_SZ && REGISTRY_TYPE_QWORD == REG_QWORD);
static_assert(sizeof(wchar_t) == sizeof(char16_t));

namespace {

HKEY toHkey(RegistryKey key) {
    return reinterpret_cast<HKEY>(key);
}

class CurrentUserRegistry final : public RegistryStore {
  public:
    int32_t openKey(const wchar_t* subkey, uint32_t access, RegistryKey& key) override {
        HKEY opened = nullptr;
        const LONG status = RegOpenKeyExW(HKEY_CURRENT_USER, subkey, 0, access, &opened);
        key = reinterpret_cast<RegistryKey>(opened);
        return status;
    }

    int32_t createKey(const wchar_t* subkey, uint32_t access, RegistryKey& key) override {
        HKEY created = nullptr;
        const LONG status =
            RegCreateKeyExW(HKEY_CURRENT_USER, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                            nullptr, &created, nullptr);
        key = reinterpret_cast<RegistryKey>(created);
        return status;
    }

    int32_t queryValue(RegistryKey key, const wchar_t* name, uint32_t& type, void* data,
                       uint32_t& size) override {
        DWORD valueType = REG_NONE;
        DWORD valueSize = size;
        const LONG status = RegQueryValueExW(toHkey(key), name, nullptr, &valueType,
                                             static_cast<BYTE*>(data), &valueSize);
        type = valueType;
        size = valueSize;
        return status;
    }

    int32_t queryValueInfo(RegistryKey key, const wchar_t* name, uint32_t& type,
                           uint32_t& size) override {
        DWORD valueType = REG_NONE;
        DWORD valueSize = 0;
        const LONG status =
            RegQueryValueExW(toHkey(key), name, nullptr, &valueType, nullptr, &valueSize);
        type = valueType;
        size = valueSize;
        return status;
    }

    int32_t enumValue(RegistryKey key, uint32_t index, wchar_t* name, uint32_t& nameLength,
                      uint32_t& type, void* data, uint32_t& size) override {
        DWORD length = nameLength;
        DWORD valueType = REG_NONE;
        DWORD valueSize = size;
        const LONG status = RegEnumValueW(toHkey(key), index, name, &length, nullptr, &valueType,
                                          static_cast<BYTE*>(data), &valueSize);
        nameLength = length;
        type = valueType;
        size = valueSize;
        return status;
    }

    int32_t setValue(RegistryKey key, const wchar_t* name, uint32_t type, const void* data,
                     uint32_t size) override {
        return RegSetValueExW(toHkey(key), name, 0, type, static_cast<const BYTE*>(data), size);
    }

    int32_t deleteValue(RegistryKey key, const wchar_t* name) override {
        return RegDeleteValueW(toHkey(key), name);
    }

    void closeKey(RegistryKey key) override { RegCloseKey(toHkey(key)); }
};

} // namespace

RegistryStore& currentUserRegistry() {
    static CurrentUserRegistry registry;
    return registry;
}

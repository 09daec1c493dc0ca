#pragma once

#include <cstdint>

// The current user's registry hive as the settings store and start with Windows use it. Every
// operation returns the platform's status code unchanged, so the callers can act on each one.
// Keys are subkeys of HKEY_CURRENT_USER; a key handle is opaque to the caller.
using RegistryKey = uintptr_t;

inline constexpr int32_t REGISTRY_SUCCESS = 0;
inline constexpr int32_t REGISTRY_FILE_NOT_FOUND = 2;
inline constexpr int32_t REGISTRY_ACCESS_DENIED = 5;
inline constexpr int32_t REGISTRY_INVALID_HANDLE = 6;
inline constexpr int32_t REGISTRY_INVALID_DATA = 13;
inline constexpr int32_t REGISTRY_MORE_DATA = 234;
inline constexpr int32_t REGISTRY_NO_MORE_ITEMS = 259;

// Access rights, with the platform's values.
inline constexpr uint32_t REGISTRY_QUERY_VALUE = 0x0001;
inline constexpr uint32_t REGISTRY_SET_VALUE = 0x0002;

// Value types, with the platform's values.
inline constexpr uint32_t REGISTRY_TYPE_NONE = 0;
inline constexpr uint32_t REGISTRY_TYPE_SZ = 1;
inline constexpr uint32_t REGISTRY_TYPE_EXPAND_SZ = 2;
inline constexpr uint32_t REGISTRY_TYPE_BINARY = 3;
inline constexpr uint32_t REGISTRY_TYPE_DWORD = 4;
inline constexpr uint32_t REGISTRY_TYPE_MULTI_SZ = 7;
inline constexpr uint32_t REGISTRY_TYPE_QWORD = 11;

class RegistryStore {
  public:
    virtual ~RegistryStore() = default;
    // Opens an existing key; never creates one.
    virtual int32_t openKey(const wchar_t* subkey, uint32_t access, RegistryKey& key) = 0;
    // Opens the key, creating it (non-volatile, default security) when it does not exist.
    virtual int32_t createKey(const wchar_t* subkey, uint32_t access, RegistryKey& key) = 0;
    // Reads a value into data (size in: the buffer's bytes; out: the value's bytes). When the
    // value is larger than the buffer the result is REGISTRY_MORE_DATA and the buffer's
    // contents are undefined.
    virtual int32_t queryValue(RegistryKey key, const wchar_t* name, uint32_t& type, void* data,
                               uint32_t& size) = 0;
    // Only the type and the size in bytes of a value; reads no data.
    virtual int32_t queryValueInfo(RegistryKey key, const wchar_t* name, uint32_t& type,
                                   uint32_t& size) = 0;
    // The value at `index`: its name (nameLength in: the buffer's characters with the
    // terminator; out: the name's characters), type and data as queryValue gives them.
    // NO_MORE_ITEMS past the last; MORE_DATA when the name or the data does not fit.
    virtual int32_t enumValue(RegistryKey key, uint32_t index, wchar_t* name,
                              uint32_t& nameLength, uint32_t& type, void* data,
                              uint32_t& size) = 0;
    virtual int32_t setValue(RegistryKey key, const wchar_t* name, uint32_t type, const void* data,
                             uint32_t size) = 0;
    virtual int32_t deleteValue(RegistryKey key, const wchar_t* name) = 0;
    virtual void closeKey(RegistryKey key) = 0;
};

// Closes a key that was opened or created through it, once, at the latest when it goes out of
// scope.
class RegistryKeyHolder {
  public:
    explicit RegistryKeyHolder(RegistryStore& registry) : registry(registry) {}
    RegistryKeyHolder(const RegistryKeyHolder&) = delete;
    RegistryKeyHolder& operator=(const RegistryKeyHolder&) = delete;
    ~RegistryKeyHolder() { close(); }

    int32_t open(const wchar_t* subkey, uint32_t access) {
        return track(registry.openKey(subkey, access, key));
    }
    int32_t create(const wchar_t* subkey, uint32_t access) {
        return track(registry.createKey(subkey, access, key));
    }
    RegistryKey get() const { return key; }
    void close() {
        if (opened) {
            opened = false;
            registry.closeKey(key);
        }
    }

  private:
    int32_t track(int32_t status) {
        opened = status == REGISTRY_SUCCESS;
        return status;
    }

    RegistryStore& registry;
    RegistryKey key = 0;
    bool opened = false;
};

#pragma once

#include "shell/registry_store.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

// An in-memory HKEY_CURRENT_USER that answers like the platform's registry calls: values of any
// type and size, access rights checked per key handle, MORE_DATA for a value larger than the
// buffer. It can be told to fail any call by its number.
class MemoryRegistry final : public RegistryStore {
  public:
    struct Value {
        uint32_t type;
        std::vector<uint8_t> data;
        bool operator==(const Value&) const = default;
    };
    std::map<std::wstring, std::map<std::wstring, Value>> keys;
    // The 1-based number of a call (closing a key not counted) and the status it fails with.
    std::map<int, int32_t> failures;
    int calls = 0;
    int changes = 0; // creates, writes and deletes that went through

    void setRaw(const std::wstring& key, const std::wstring& name, uint32_t type, const void* data,
                size_t size) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        keys[key][name] = {type, std::vector<uint8_t>(bytes, bytes + size)};
    }
    void setDword(const std::wstring& key, const std::wstring& name, uint32_t number) {
        setRaw(key, name, REGISTRY_TYPE_DWORD, &number, sizeof number);
    }
    // The text and its terminating NUL, as UTF-16.
    void setText(const std::wstring& key, const std::wstring& name, const std::u16string& text,
                 uint32_t type = REGISTRY_TYPE_SZ) {
        setRaw(key, name, type, text.c_str(), (text.size() + 1) * sizeof(char16_t));
    }
    const Value* find(const std::wstring& key, const std::wstring& name) const {
        const auto found = keys.find(key);
        if (found == keys.end() || !found->second.count(name)) {
            return nullptr;
        }
        return &found->second.at(name);
    }
    bool allKeysClosed() const { return handles.empty() && !closedUnknown; }

    int32_t openKey(const wchar_t* subkey, uint32_t access, RegistryKey& key) override {
        int32_t status = failure();
        if (status == REGISTRY_SUCCESS && !keys.count(subkey)) {
            status = REGISTRY_FILE_NOT_FOUND;
        }
        return opened(status, subkey, access, key);
    }
    int32_t createKey(const wchar_t* subkey, uint32_t access, RegistryKey& key) override {
        const int32_t status = failure();
        if (status == REGISTRY_SUCCESS) {
            changes += keys.count(subkey) == 0;
            keys[subkey];
        }
        return opened(status, subkey, access, key);
    }
    int32_t queryValue(RegistryKey key, const wchar_t* name, uint32_t& type, void* data,
                       uint32_t& size) override {
        const uint32_t capacity = size;
        const Value* value = nullptr;
        const int32_t status = lookUp(key, name, type, size, value);
        // The platform leaves the buffer undefined after MORE_DATA; what fits is copied, so that
        // a caller who trusts it gets a plausible wrong number.
        if (value && std::min(size, capacity) > 0) {
            std::memcpy(data, value->data.data(), std::min(size, capacity));
        }
        return status == REGISTRY_SUCCESS && size > capacity ? REGISTRY_MORE_DATA : status;
    }
    int32_t queryValueInfo(RegistryKey key, const wchar_t* name, uint32_t& type,
                           uint32_t& size) override {
        const Value* value = nullptr;
        return lookUp(key, name, type, size, value);
    }
    // In name order, where the platform keeps its own.
    int32_t enumValue(RegistryKey key, uint32_t index, wchar_t* name, uint32_t& nameLength,
                      uint32_t& type, void* data, uint32_t& size) override {
        int32_t status = allowed(key, REGISTRY_QUERY_VALUE);
        const auto& values = keys[handles[key].path];
        if (status != REGISTRY_SUCCESS || index >= values.size()) {
            return status == REGISTRY_SUCCESS ? REGISTRY_NO_MORE_ITEMS : status;
        }
        const auto& [valueName, value] = *std::next(values.begin(), index);
        type = value.type;
        const uint32_t capacity = std::exchange(size, uint32_t(value.data.size()));
        if (valueName.size() >= nameLength || size > capacity) {
            return REGISTRY_MORE_DATA;
        }
        std::copy(valueName.c_str(), valueName.c_str() + valueName.size() + 1, name);
        nameLength = uint32_t(valueName.size());
        if (size > 0) {
            std::memcpy(data, value.data.data(), size);
        }
        return REGISTRY_SUCCESS;
    }
    int32_t setValue(RegistryKey key, const wchar_t* name, uint32_t type, const void* data,
                     uint32_t size) override {
        const int32_t status = allowed(key, REGISTRY_SET_VALUE);
        if (status == REGISTRY_SUCCESS) {
            setRaw(handles[key].path, name, type, data, size);
            ++changes;
        }
        return status;
    }
    int32_t deleteValue(RegistryKey key, const wchar_t* name) override {
        int32_t status = allowed(key, REGISTRY_SET_VALUE);
        if (status == REGISTRY_SUCCESS) {
            status = keys[handles[key].path].erase(name) ? REGISTRY_SUCCESS : REGISTRY_FILE_NOT_FOUND;
            changes += status == REGISTRY_SUCCESS;
        }
        return status;
    }
    void closeKey(RegistryKey key) override { closedUnknown |= handles.erase(key) == 0; }

  private:
    struct Handle {
        std::wstring path;
        uint32_t access;
    };
    std::map<RegistryKey, Handle> handles;
    RegistryKey nextHandle = 0x100;
    bool closedUnknown = false;

    int32_t failure() {
        const auto found = failures.find(++calls);
        return found == failures.end() ? REGISTRY_SUCCESS : found->second;
    }
    int32_t opened(int32_t status, const std::wstring& path, uint32_t access, RegistryKey& key) {
        if (status == REGISTRY_SUCCESS) {
            key = nextHandle++;
            handles[key] = {path, access};
        }
        return status;
    }
    int32_t allowed(RegistryKey key, uint32_t right) {
        const int32_t status = failure();
        if (status != REGISTRY_SUCCESS) {
            return status;
        }
        const auto handle = handles.find(key);
        if (handle == handles.end()) {
            return REGISTRY_INVALID_HANDLE;
        }
        return handle->second.access & right ? REGISTRY_SUCCESS : REGISTRY_ACCESS_DENIED;
    }
    int32_t lookUp(RegistryKey key, const wchar_t* name, uint32_t& type, uint32_t& size,
                   const Value*& value) {
        int32_t status = allowed(key, REGISTRY_QUERY_VALUE);
        if (status == REGISTRY_SUCCESS) {
            value = find(handles[key].path, name);
            status = value ? REGISTRY_SUCCESS : REGISTRY_FILE_NOT_FOUND;
        }
        if (value) {
            type = value->type;
            size = uint32_t(value->data.size());
        }
        return status;
    }
};

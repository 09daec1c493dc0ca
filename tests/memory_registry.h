#pragma once

#include "shell/registry_store.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

// An in-memory HKEY_CURRENT_USER that behaves like the platform's registry calls: values of any
// type and size, access rights checked per key handle, MORE_DATA for a value larger than the
// buffer. It can be told to fail calls, and records every call it gets.
class MemoryRegistry final : public RegistryStore {
  public:
    enum class Call { open, create, query, queryInfo, set, remove, close };

    struct Record {
        Call call;
        std::wstring target; // key path for open and create, value name otherwise
        uint32_t access = 0; // open and create
        uint32_t type = 0;   // set
        int32_t status = REGISTRY_SUCCESS;
    };

    struct Value {
        uint32_t type = REGISTRY_TYPE_NONE;
        std::vector<uint8_t> data;
    };

    // Key path -> value name -> value. Names are compared exactly, which is stricter than the
    // platform and catches a misspelt name.
    std::map<std::wstring, std::map<std::wstring, Value>> keys;

    // Failures to report instead of doing the call: by key path (open, create), by value name
    // (query and queryInfo, set, remove), or by the call's 1-based number among all calls.
    std::map<std::wstring, int32_t> openFailures, createFailures;
    std::map<std::wstring, int32_t> readFailures, writeFailures, deleteFailures;
    std::map<int, int32_t> callFailures;
    // Rights that opening or creating the key refuses with REGISTRY_ACCESS_DENIED.
    std::map<std::wstring, uint32_t> deniedAccess;

    std::vector<Record> calls;

    void setDword(const std::wstring& key, const std::wstring& name, uint32_t number) {
        setRaw(key, name, REGISTRY_TYPE_DWORD, &number, sizeof number);
    }
    void setString(const std::wstring& key, const std::wstring& name, const std::u16string& text,
                   uint32_t type = REGISTRY_TYPE_SZ) {
        setRaw(key, name, type, text.c_str(), uint32_t((text.size() + 1) * sizeof(char16_t)));
    }
    void setRaw(const std::wstring& key, const std::wstring& name, uint32_t type, const void* data,
                uint32_t size) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        keys[key][name] = Value{type, std::vector<uint8_t>(bytes, bytes + size)};
    }

    const Value* find(const std::wstring& key, const std::wstring& name) const {
        const auto keyEntry = keys.find(key);
        if (keyEntry == keys.end()) {
            return nullptr;
        }
        const auto valueEntry = keyEntry->second.find(name);
        return valueEntry == keyEntry->second.end() ? nullptr : &valueEntry->second;
    }
    // The value as a REG_DWORD number; -1 when it is missing or not a 4-byte REG_DWORD.
    int64_t dword(const std::wstring& key, const std::wstring& name) const {
        const Value* value = find(key, name);
        if (!value || value->type != REGISTRY_TYPE_DWORD || value->data.size() != 4) {
            return -1;
        }
        uint32_t number = 0;
        std::memcpy(&number, value->data.data(), 4);
        return number;
    }
    // The stored UTF-16 bytes as text, with the terminating NUL if there is one.
    std::u16string text(const std::wstring& key, const std::wstring& name) const {
        const Value* value = find(key, name);
        if (!value) {
            return {};
        }
        std::u16string units(value->data.size() / 2, u'\0');
        if (!units.empty()) {
            std::memcpy(units.data(), value->data.data(), units.size() * 2);
        }
        return units;
    }

    int count(Call call) const {
        return int(std::count_if(calls.begin(), calls.end(),
                                 [call](const Record& record) { return record.call == call; }));
    }
    // Calls that change the registry: set, remove, or a create.
    int changes() const { return count(Call::set) + count(Call::remove) + count(Call::create); }
    // Every key opened or created was closed, and nothing was closed twice.
    bool allKeysClosed() const {
        return handles.empty() && std::none_of(calls.begin(), calls.end(), [](const Record& r) {
                   return r.call == Call::close && r.status != REGISTRY_SUCCESS;
               });
    }

    int32_t openKey(const wchar_t* subkey, uint32_t access, RegistryKey& key) override {
        int32_t status = injected(Call::open, subkey, openFailures);
        if (status == REGISTRY_SUCCESS && !keys.count(subkey)) {
            status = REGISTRY_FILE_NOT_FOUND;
        }
        return finishOpen(status, subkey, access, key);
    }

    int32_t createKey(const wchar_t* subkey, uint32_t access, RegistryKey& key) override {
        const int32_t status = injected(Call::create, subkey, createFailures);
        if (status == REGISTRY_SUCCESS && deniedFor(subkey, access) == REGISTRY_SUCCESS) {
            keys[subkey];
        }
        return finishOpen(status, subkey, access, key);
    }

    int32_t queryValue(RegistryKey key, const wchar_t* name, uint32_t& type, void* data,
                       uint32_t& size) override {
        const Value* value = nullptr;
        const int32_t status = lookUp(Call::query, key, name, value);
        if (status != REGISTRY_SUCCESS) {
            return status;
        }
        type = value->type;
        const auto stored = uint32_t(value->data.size());
        const uint32_t capacity = size;
        size = stored;
        if (stored > capacity) {
            // The platform leaves the buffer undefined; copy what fits, as the kernel does, so
            // that a caller trusting the buffer after MORE_DATA gets a plausible wrong number.
            std::memcpy(data, value->data.data(), capacity);
            return finish(REGISTRY_MORE_DATA);
        }
        // An empty value has no bytes to copy, and memcpy must not be given its null pointer.
        if (stored > 0) {
            std::memcpy(data, value->data.data(), stored);
        }
        return REGISTRY_SUCCESS;
    }

    int32_t queryValueInfo(RegistryKey key, const wchar_t* name, uint32_t& type,
                           uint32_t& size) override {
        const Value* value = nullptr;
        const int32_t status = lookUp(Call::queryInfo, key, name, value);
        if (status == REGISTRY_SUCCESS) {
            type = value->type;
            size = uint32_t(value->data.size());
        }
        return status;
    }

    int32_t setValue(RegistryKey key, const wchar_t* name, uint32_t type, const void* data,
                     uint32_t size) override {
        int32_t status = injected(Call::set, name, writeFailures, type);
        if (status == REGISTRY_SUCCESS) {
            status = checkHandle(key, REGISTRY_SET_VALUE);
        }
        if (status == REGISTRY_SUCCESS) {
            setRaw(handles[key].path, name, type, data, size);
        }
        return finish(status);
    }

    int32_t deleteValue(RegistryKey key, const wchar_t* name) override {
        int32_t status = injected(Call::remove, name, deleteFailures);
        if (status == REGISTRY_SUCCESS) {
            status = checkHandle(key, REGISTRY_SET_VALUE);
        }
        if (status == REGISTRY_SUCCESS && keys[handles[key].path].erase(name) == 0) {
            status = REGISTRY_FILE_NOT_FOUND;
        }
        return finish(status);
    }

    void closeKey(RegistryKey key) override {
        const bool known = handles.erase(key) == 1;
        calls.push_back(
            {Call::close, {}, 0, 0, known ? REGISTRY_SUCCESS : REGISTRY_INVALID_HANDLE});
    }

  private:
    struct Handle {
        std::wstring path;
        uint32_t access;
    };
    std::map<RegistryKey, Handle> handles;
    RegistryKey nextHandle = 0x100;

    // Records the call and returns the failure it was told to report, if any.
    int32_t injected(Call call, const std::wstring& target,
                     const std::map<std::wstring, int32_t>& failures, uint32_t type = 0) {
        calls.push_back({call, target, 0, type, REGISTRY_SUCCESS});
        const auto byNumber = callFailures.find(int(calls.size()));
        if (byNumber != callFailures.end()) {
            return byNumber->second;
        }
        const auto byName = failures.find(target);
        return byName == failures.end() ? REGISTRY_SUCCESS : byName->second;
    }

    int32_t finish(int32_t status) {
        calls.back().status = status;
        return status;
    }

    int32_t deniedFor(const std::wstring& path, uint32_t access) const {
        const auto denied = deniedAccess.find(path);
        return denied != deniedAccess.end() && (denied->second & access) != 0
                   ? REGISTRY_ACCESS_DENIED
                   : REGISTRY_SUCCESS;
    }

    int32_t finishOpen(int32_t status, const std::wstring& path, uint32_t access,
                       RegistryKey& key) {
        calls.back().access = access;
        if (status == REGISTRY_SUCCESS) {
            status = deniedFor(path, access);
        }
        if (status == REGISTRY_SUCCESS) {
            key = nextHandle++;
            handles[key] = {path, access};
        }
        return finish(status);
    }

    int32_t checkHandle(RegistryKey key, uint32_t right) const {
        const auto handle = handles.find(key);
        if (handle == handles.end()) {
            return REGISTRY_INVALID_HANDLE;
        }
        return (handle->second.access & right) != 0 ? REGISTRY_SUCCESS : REGISTRY_ACCESS_DENIED;
    }

    int32_t lookUp(Call call, RegistryKey key, const wchar_t* name, const Value*& value) {
        int32_t status = injected(call, name, readFailures);
        if (status == REGISTRY_SUCCESS) {
            status = checkHandle(key, REGISTRY_QUERY_VALUE);
        }
        if (status == REGISTRY_SUCCESS) {
            value = find(handles.at(key).path, name);
            if (!value) {
                status = REGISTRY_FILE_NOT_FOUND;
            }
        }
        return finish(status);
    }
};

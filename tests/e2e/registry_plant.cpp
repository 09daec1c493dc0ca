// Plants and shows registry values byte for byte, which `wine reg` cannot: its import pads a
// short REG_DWORD to four bytes and its query shows such a value from a stale buffer.
//   registry_plant set SUBKEY [NAME TYPE HEX]...   the key under HKCU replaced by these values;
//                                                  TYPE a number, HEX the bytes ("" for none)
//   registry_plant show SUBKEY NAME...             "NAME TYPE SIZE HEX" each, or "NAME -"
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

bool parseHex(const wchar_t* text, std::vector<BYTE>& bytes) {
    const size_t length = std::wcslen(text);
    if (length % 2 != 0) {
        return false;
    }
    for (size_t i = 0; i < length; i += 2) {
        const wchar_t pair[3] = {text[i], text[i + 1], 0};
        wchar_t* end = nullptr;
        const unsigned long value = std::wcstoul(pair, &end, 16);
        if (*end != 0) {
            return false;
        }
        bytes.push_back(static_cast<BYTE>(value));
    }
    return true;
}

int setValues(const wchar_t* subkey, int count, wchar_t** triples) {
    const LSTATUS deleted = RegDeleteTreeW(HKEY_CURRENT_USER, subkey);
    if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND) {
        std::fprintf(stderr, "cannot delete the key: %ld\n", static_cast<long>(deleted));
        return 1;
    }
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, subkey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        std::fputs("cannot create the key\n", stderr);
        return 1;
    }
    int status = 0;
    for (int i = 0; i < count; i += 3) {
        std::vector<BYTE> bytes;
        const DWORD type = std::wcstoul(triples[i + 1], nullptr, 10);
        if (!parseHex(triples[i + 2], bytes) ||
            RegSetValueExW(key, triples[i], 0, type, bytes.empty() ? nullptr : bytes.data(),
                           static_cast<DWORD>(bytes.size())) != ERROR_SUCCESS) {
            std::fprintf(stderr, "cannot set %ls\n", triples[i]);
            status = 1;
        }
    }
    RegCloseKey(key);
    return status;
}

int showValues(const wchar_t* subkey, int count, wchar_t** names) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        std::fputs("no key\n", stderr);
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExW(key, names[i], nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
            std::printf("%ls -\n", names[i]);
            continue;
        }
        std::vector<BYTE> bytes(size);
        RegQueryValueExW(key, names[i], nullptr, &type, bytes.data(), &size);
        std::printf("%ls %lu %lu ", names[i], type, size);
        for (DWORD b = 0; b < size; ++b) {
            std::printf("%02x", bytes[b]);
        }
        std::printf("\n");
    }
    RegCloseKey(key);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    int status = 2;
    if (argc >= 3 && std::wcscmp(argv[1], L"set") == 0 && (argc - 3) % 3 == 0) {
        status = setValues(argv[2], argc - 3, argv + 3);
    } else if (argc >= 3 && std::wcscmp(argv[1], L"show") == 0) {
        status = showValues(argv[2], argc - 3, argv + 3);
    } else {
        std::fputs("usage: registry_plant set SUBKEY [NAME TYPE HEX]... | show SUBKEY NAME...\n",
                   stderr);
    }
    std::fflush(stdout);
    return status;
}

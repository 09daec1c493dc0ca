#include "shell/autostart.h"

#include <vector>

bool isAutostartRegistered(RegistryStore& registry) {
    RegistryKeyHolder key(registry);
    if (key.open(RUN_KEY, REGISTRY_QUERY_VALUE) != REGISTRY_SUCCESS) {
        return false;
    }
    uint32_t type = REGISTRY_TYPE_NONE;
    uint32_t size = 0;
    const int32_t status = registry.queryValueInfo(key.get(), AUTOSTART_VALUE, type, size);
    key.close();
    // More than two bytes: more than a lone terminating NUL. The text itself is not compared.
    return status == REGISTRY_SUCCESS &&
           (type == REGISTRY_TYPE_SZ || type == REGISTRY_TYPE_EXPAND_SZ) && size > 2;
}

std::wstring buildAutostartCommandLine(ModulePathReader readModulePath) {
    std::vector<wchar_t> path(MODULE_PATH_CAPACITY, L'\0');
    const uint32_t length = readModulePath(path.data(), MODULE_PATH_CAPACITY);
    if (length == 0 || length >= MODULE_PATH_CAPACITY) {
        return {};
    }
    std::wstring commandLine;
    commandLine.reserve(length + 10);
    commandLine += L'"';
    commandLine.append(path.data(), length);
    commandLine += L"\" ";
    commandLine += AUTOSTART_SWITCH;
    return commandLine;
}

namespace {

// The registry holds UTF-16; wchar_t is UTF-16 on Windows and UTF-32 on the host.
std::u16string toUtf16(const std::wstring& text) {
    std::u16string units;
    units.reserve(text.size());
    for (const wchar_t character : text) {
        const auto code = static_cast<uint32_t>(character);
        if (code > 0xFFFF) {
            units += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            units += static_cast<char16_t>(code);
        }
    }
    return units;
}

int32_t unregisterAutostart(RegistryStore& registry) {
    RegistryKeyHolder key(registry);
    const int32_t opened = key.open(RUN_KEY, REGISTRY_SET_VALUE);
    if (opened == REGISTRY_FILE_NOT_FOUND) {
        return REGISTRY_SUCCESS;
    }
    if (opened != REGISTRY_SUCCESS) {
        return opened;
    }
    const int32_t deleted = registry.deleteValue(key.get(), AUTOSTART_VALUE);
    key.close();
    // A value that someone else removed in the meantime counts as deleted.
    return deleted == REGISTRY_FILE_NOT_FOUND ? REGISTRY_SUCCESS : deleted;
}

int32_t registerAutostart(RegistryStore& registry, ModulePathReader readModulePath) {
    RegistryKeyHolder key(registry);
    const int32_t created = key.create(RUN_KEY, REGISTRY_SET_VALUE);
    if (created != REGISTRY_SUCCESS) {
        return created;
    }
    const std::wstring commandLine = buildAutostartCommandLine(readModulePath);
    if (commandLine.empty()) {
        return REGISTRY_INVALID_DATA;
    }
    const std::u16string text = toUtf16(commandLine);
    // The terminating NUL is part of the value.
    const auto size = static_cast<uint32_t>((text.size() + 1) * sizeof(char16_t));
    return registry.setValue(key.get(), AUTOSTART_VALUE, REGISTRY_TYPE_SZ, text.c_str(), size);
}

} // namespace

int32_t toggleAutostart(RegistryStore& registry, ModulePathReader readModulePath) {
    if (isAutostartRegistered(registry)) {
        return unregisterAutostart(registry);
    }
    return registerAutostart(registry, readModulePath);
}

#pragma once

#include "shell/registry_store.h"

#include <cstdint>
#include <string>

inline constexpr wchar_t RUN_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t AUTOSTART_VALUE[] = L"Rolvane";
inline constexpr wchar_t AUTOSTART_SWITCH[] = L"--tray";
// The path buffer's size in characters; a path this long or longer was cut.
inline constexpr uint32_t MODULE_PATH_CAPACITY = 32768;

// Writes the running executable's full path into buffer (capacity characters) and returns its
// length: 0 on failure, capacity when the path did not fit (as GetModuleFileNameW does).
using ModulePathReader = uint32_t (*)(wchar_t* buffer, uint32_t capacity);

// On when the Run value is a REG_SZ or REG_EXPAND_SZ with more than a lone NUL in it.
bool isAutostartRegistered(RegistryStore& registry);

// "PATH" --tray, or an empty text when the path cannot be had whole.
std::wstring buildAutostartCommandLine(ModulePathReader readModulePath);

// Deletes the Run value when it is registered, writes it otherwise; returns the status of the
// step that failed (REGISTRY_INVALID_DATA when there is no whole path), or REGISTRY_SUCCESS.
int32_t toggleAutostart(RegistryStore& registry, ModulePathReader readModulePath);

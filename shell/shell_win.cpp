#include "shell/shell_win.h"

#include "engine/engine_state.h"
#include "shell/autostart.h"
#include "shell/registry_win.h"
#include "shell/settings.h"
#include "shell/ui_strings.h"

#include <windows.h>

namespace {

uint32_t readModulePath(wchar_t* buffer, uint32_t capacity) {
    return GetModuleFileNameW(nullptr, buffer, capacity);
}

uint32_t languageChoiceInForce = 0;

void putLanguageInForce(uint32_t choice) {
    languageChoiceInForce = knownLanguageChoice(choice);
    uiLanguage = chooseUiLanguage(languageChoiceInForce, GetUserDefaultUILanguage());
}

} // namespace

void detectUiLanguage() {
    putLanguageInForce(loadLanguageChoice(currentUserRegistry()));
}

uint32_t languageChoice() {
    return languageChoiceInForce;
}

bool chooseLanguage(uint32_t choice) {
    putLanguageInForce(choice);
    return saveLanguageChoice(currentUserRegistry(), languageChoiceInForce);
}

void loadSettings() {
    loadSettings(engine, currentUserRegistry());
}

bool saveSettings() {
    return saveSettings(engine, currentUserRegistry());
}

void saveSettingsIfDirty() {
    saveSettingsIfDirty(engine, currentUserRegistry());
}

bool isAutostartRegistered() {
    return isAutostartRegistered(currentUserRegistry());
}

std::wstring buildAutostartCommandLine() {
    return buildAutostartCommandLine(readModulePath);
}

bool toggleAutostart() {
    return toggleAutostart(currentUserRegistry(), readModulePath) == REGISTRY_SUCCESS;
}

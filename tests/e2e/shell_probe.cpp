// Runs one of the shell's Win32 entry points on the real registry of the Wine prefix and prints
// what came of it, one "key value..." line each, for shell_e2e.sh to check from outside.
//   shell_probe save PROFILE STEP ACCELERATION WINDOW DURATION
//   shell_probe load | autostart-query | autostart-toggle | language
#include "engine/engine_state.h"
#include "shell/shell_win.h"
#include "shell/ui_strings.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr int EXIT_BAD_ARGUMENTS = 1;

void printUtf8(const char* key, const std::wstring& text) {
    std::string bytes;
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    if (size > 0) {
        bytes.resize(size);
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), bytes.data(), size, nullptr,
                            nullptr);
    }
    std::printf("%s %s\n", key, bytes.c_str());
}

void printParameters(const char* key, const ScrollParameters& values) {
    std::printf("%s %d %d %d %d\n", key, values.stepPercent, values.maxAccelerationPercent,
                values.accelerationWindowMs, values.smoothDurationMs);
}

bool parseNumber(const wchar_t* text, int32_t& number) {
    wchar_t* end = nullptr;
    const long value = std::wcstol(text, &end, 10);
    number = int32_t(value);
    return end != text && *end == L'\0';
}

int save(int argc, wchar_t** argv) {
    int32_t numbers[5];
    if (argc != 7) {
        return EXIT_BAD_ARGUMENTS;
    }
    for (int i = 0; i < 5; ++i) {
        if (!parseNumber(argv[i + 2], numbers[i])) {
            return EXIT_BAD_ARGUMENTS;
        }
    }
    applyCustomValues(engine, numbers[1], numbers[2], numbers[3], numbers[4]);
    applyProfile(engine, numbers[0], false);
    std::printf("saved %d\n", saveSettings() ? 1 : 0);
    return 0;
}

int load() {
    loadSettings();
    std::printf("profile %d\n", engine.activeProfile);
    printParameters("active", activeParameters(engine));
    printParameters("custom", customParameters(engine));
    std::printf("dirty %d\n", engine.settingsDirty ? 1 : 0);
    return 0;
}

int queryAutostart() {
    std::printf("registered %d\n", isAutostartRegistered() ? 1 : 0);
    printUtf8("commandline", buildAutostartCommandLine());
    return 0;
}

int toggle() {
    std::printf("toggled %d\n", toggleAutostart() ? 1 : 0);
    std::printf("registered %d\n", isAutostartRegistered() ? 1 : 0);
    return 0;
}

int language() {
    detectUiLanguage();
    std::printf("uilanguage 0x%04x\n", unsigned(GetUserDefaultUILanguage()));
    std::printf("language %s\n", uiLanguageIsCzech == 1 ? "cs" : "en");
    printUtf8("profile-names", std::wstring(uiString(23)) + L"|" + uiString(24) + L"|" +
                                   uiString(25) + L"|" + uiString(26));
    printUtf8("state-line", uiString(18));
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    // Binary: msvcrt's text mode would end every line with CRLF.
    _setmode(_fileno(stdout), _O_BINARY);
    int result = EXIT_BAD_ARGUMENTS;
    const std::wstring verb = argc >= 2 ? argv[1] : L"";
    if (verb == L"save") {
        result = save(argc, argv);
    } else if (argc == 2 && verb == L"load") {
        result = load();
    } else if (argc == 2 && verb == L"autostart-query") {
        result = queryAutostart();
    } else if (argc == 2 && verb == L"autostart-toggle") {
        result = toggle();
    } else if (argc == 2 && verb == L"language") {
        result = language();
    }
    if (result == EXIT_BAD_ARGUMENTS) {
        std::fputs("usage: shell_probe save PROFILE STEP ACCELERATION WINDOW DURATION | load | "
                   "autostart-query | autostart-toggle | language\n",
                   stderr);
    }
    std::fflush(stdout);
    return result;
}

#include "shell/ui_strings.h"

#include <array>

// UTF-8 source: GCC and mingw-w64 GCC read it as UTF-8 by default and store the wide literals
// as UTF-32 (host) or UTF-16 (Windows).

int32_t uiLanguageIsCzech = 0;

bool isCzechUiLanguage(uint16_t languageId) {
    constexpr uint16_t primaryLanguageMask = 0x3FF;
    constexpr uint16_t czechPrimaryLanguage = 5;
    return (languageId & primaryLanguageMask) == czechPrimaryLanguage;
}

namespace {

struct UiText {
    const wchar_t* english;
    const wchar_t* czech;
};

// Indexed by id; the ids without an entry hold empty texts.
constexpr std::array<UiText, 50> uiTexts{{
    /* 0 */
    {PROGRAM_NAME_AND_VERSION L" - Smooth Control",
     PROGRAM_NAME_AND_VERSION L" - Plynulé ovládání"},
    /* 1 */
    {L"Smoother mouse wheel, no driver and no registry tweaks",
     L"Plynulejší kolečko myši, bez ovladače a bez zásahu do registru"},
    /* 2 */ {L"Initializing...", L"Inicializace..."},
    /* 3 */ {L"Smooth scrolling", L"Plynulé scrollování"},
    /* 4 */ {L"Start with Windows", L"Spouštět po startu"},
    /* 5 */ {L"Scroll step (60-140 %)", L"Krok scrollování (60-140 %)"},
    /* 6 */ {L"Max. acceleration (100-240 %)", L"Max. akcelerace (100-240 %)"},
    /* 7 */ {L"Acceleration window (40-180 ms)", L"Okno akcelerace (40-180 ms)"},
    /* 8 */ {L"Pulse animation length (160-500 ms)", L"Délka pulzní animace (160-500 ms)"},
    /* 9 */
    {L"The selected profile is restored after startup; the effect remains off.",
     L"Po startu se obnoví zvolený profil; efekt zůstává vypnutý."},
    /* 10 */
    {L"Closing the window keeps Rolvane running in the notification area.",
     L"Zavřením okna zůstane Rolvane běžet v oznamovací oblasti."},
    /* 11 */ {L"", L""},
    /* 12 */
    {L"Step %d %%   |   Acceleration %d %%   |   Window %d ms   |   Tail %d ms",
     L"Krok %d %%   |   Akcelerace %d %%   |   Okno %d ms   |   Dojezd %d ms"},
    /* 13 */
    {L"Input protection is unavailable. The effect remains off.",
     L"Ochrana vstupu není dostupná. Efekt zůstává vypnutý."},
    /* 14 */
    {L"The start-with-Windows setting could not be saved.",
     L"Nastavení spouštění po startu se nepodařilo uložit."},
    /* 15 */ {L"", L""},
    /* 16 */
    {L"Protection is unavailable \u2014 the effect remains off",
     L"Ochrana není dostupná \u2014 efekt zůstává vypnutý"},
    /* 17 */
    {L"ACTIVE  \u2022  smooth scrolling is enabled",
     L"AKTIVNÍ  \u2022  plynulé scrollování je zapnuto"},
    /* 18 */
    {L"OFF  \u2022  the wheel works normally", L"VYPNUTO  \u2022  kolečko funguje standardně"},
    /* 19 */ {L"", L""},
    /* 20 */ {L"protection unavailable", L"ochrana není dostupná"},
    /* 21 */ {L"smooth scrolling is enabled", L"plynulé scrollování je zapnuto"},
    /* 22 */ {L"smooth scrolling is disabled", L"plynulé scrollování je vypnuto"},
    /* 23 */ {L"Soft", L"Jemný"},
    /* 24 */ {L"Balanced", L"Vyvážený"},
    /* 25 */ {L"Fast", L"Rychlý"},
    /* 26 */ {L"Custom", L"Vlastní"},
    /* 27 */ {L"Open Rolvane", L"Otevřít Rolvane"},
    /* 28 */ {L"Smoothness profile", L"Profil plynulosti"},
    /* 29 */ {L"Exit Rolvane", L"Ukončit Rolvane"},
    /* 30 */ {L"Rolvane is still running", L"Rolvane je stále spuštěný"},
    /* 31 */
    {L"Click the notification-area icon to control it.",
     L"Ovládání najdete po kliknutí na ikonu v oznamovací oblasti."},
    /* 32 */ {L"In %s", L"V %s"},
    /* 33 */ {L"Programs with their own setting", L"Programy s vlastním nastavením"},
    /* 34 */ {L"Off in full-screen programs", L"Vypnuto v programech na celou obrazovku"},
    /* 35 */ {L"paused in %s (excluded)", L"pozastaveno v %s (vyloučeno)"},
    /* 36 */
    {L"paused in a full-screen program", L"pozastaveno v programu na celou obrazovku"},
    /* 37 */ {L"In the program in front", L"V programu v popředí"},
    /* 38 */ {L"The setting could not be saved.", L"Nastavení se nepodařilo uložit."},
    /* 39 */ {L"Like everywhere else", L"Jako všude jinde"},
    /* 40 */ {L"Off", L"Vypnuto"},
    /* 41 */
    {L"smooth scrolling is enabled, Soft in %s", L"plynulé scrollování je zapnuto, Jemný v %s"},
    /* 42 */
    {L"smooth scrolling is enabled, Balanced in %s",
     L"plynulé scrollování je zapnuto, Vyvážený v %s"},
    /* 43 */
    {L"smooth scrolling is enabled, Fast in %s", L"plynulé scrollování je zapnuto, Rychlý v %s"},
    /* 44 */
    {L"smooth scrolling is enabled, Custom in %s", L"plynulé scrollování je zapnuto, Vlastní v %s"},
    /* 45 */ {L"Wheel", L"Kolečko"},
    /* 46 */ {L"Smooth sideways scrolling", L"Plynulé vodorovné scrollování"},
    /* 47 */ {L"Reverse vertical scrolling", L"Obrácené svislé scrollování"},
    /* 48 */ {L"Reverse horizontal scrolling", L"Obrácené vodorovné scrollování"},
    /* 49 */ {L"Shift scrolls sideways", L"Shift scrolluje do strany"},
}};

} // namespace

const wchar_t* uiString(uint32_t id) {
    if (id >= uiTexts.size()) {
        return L"";
    }
    const UiText& text = uiTexts[id];
    return uiLanguageIsCzech == 1 ? text.czech : text.english;
}

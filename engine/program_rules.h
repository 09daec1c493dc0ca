#pragma once

#include "engine/engine_state.h"
#include "engine/excluded_programs.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr size_t PROGRAM_PROFILES_LIMIT = 64;

struct ProgramProfile {
    std::wstring name;
    int32_t profile;
    bool operator==(const ProgramProfile&) const = default;
};

// The per-program rules: the programs the effect stays out of and the programs with a profile
// of their own, by file name (compared as sameProgramName does). The hook thread reads an
// immutable copy. The functions below keep each list's names unique and sound, at most 64 of
// them, and every profile one of the four.
struct ProgramRules {
    ExcludedPrograms excluded;
    std::vector<ProgramProfile> profiles;

    // PROGRAM_OFF for an excluded program (also when it has a profile), else its profile, else
    // PROGRAM_LIKE_EVERYWHERE; for a file name or a path. Allocates nothing.
    int32_t settingOf(std::wstring_view path) const;
    bool operator==(const ProgramRules&) const = default;
};

// Gives the program (a file name, or a path's) its own profile; PROGRAM_LIKE_EVERYWHERE takes it
// away. False when nothing changed: a name that does not fit, none of the four profiles, 64
// programs with a profile already, or the same profile.
bool setProgramProfile(std::vector<ProgramProfile>& profiles, std::wstring_view name,
                       int32_t profile);

// Gives the program one setting: like everywhere else, off, or a profile; it is taken off the
// other list. False when nothing changed.
bool setProgramSetting(ProgramRules& rules, std::wstring_view name, int32_t setting);

// Every program with a setting of its own, in the order the lists hold them, the excluded
// first; a program in both counts once, as off.
std::vector<std::wstring> programsWithOwnSetting(const ProgramRules& rules);

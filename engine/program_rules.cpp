#include "engine/program_rules.h"

#include <algorithm>
#include <utility>

namespace {

auto findProfile(std::vector<ProgramProfile>& profiles, std::wstring_view fileName) {
    return std::find_if(profiles.begin(), profiles.end(), [fileName](const ProgramProfile& p) {
        return sameProgramName(p.name, fileName);
    });
}

} // namespace

int32_t ProgramRules::settingOf(std::wstring_view path) const {
    const std::wstring_view fileName = programFileName(path);
    if (fileName.empty()) {
        return PROGRAM_LIKE_EVERYWHERE;
    }
    if (excluded.excludes(fileName)) {
        return PROGRAM_OFF;
    }
    for (const ProgramProfile& program : profiles) {
        if (sameProgramName(program.name, fileName)) {
            return program.profile;
        }
    }
    return PROGRAM_LIKE_EVERYWHERE;
}

bool setProgramProfile(std::vector<ProgramProfile>& profiles, std::wstring_view name,
                       int32_t profile) {
    const std::wstring_view fileName = programFileName(name);
    const auto found = findProfile(profiles, fileName);
    if (profile == PROGRAM_LIKE_EVERYWHERE) {
        if (found == profiles.end()) {
            return false;
        }
        profiles.erase(found);
        return true;
    }
    if (!isProfileId(profile) || fileName.empty() || fileName.size() > PROGRAM_NAME_LIMIT) {
        return false;
    }
    if (found != profiles.end()) {
        return std::exchange(found->profile, profile) != profile;
    }
    if (profiles.size() >= PROGRAM_PROFILES_LIMIT) {
        return false;
    }
    profiles.push_back({std::wstring(fileName), profile});
    return true;
}

bool setProgramSetting(ProgramRules& rules, std::wstring_view name, int32_t setting) {
    if (setting != PROGRAM_OFF && setting != PROGRAM_LIKE_EVERYWHERE && !isProfileId(setting)) {
        return false;
    }
    if (setting == PROGRAM_OFF) {
        // A full list keeps the program's profile: it loses nothing it had.
        const bool added = addExcludedProgram(rules.excluded, name);
        if (!added && !rules.excluded.excludes(name)) {
            return false;
        }
        return setProgramProfile(rules.profiles, name, PROGRAM_LIKE_EVERYWHERE) || added;
    }
    const bool removed = removeExcludedProgram(rules.excluded, name);
    return setProgramProfile(rules.profiles, name, setting) || removed;
}

std::vector<std::wstring> programsWithOwnSetting(const ProgramRules& rules) {
    std::vector<std::wstring> names = rules.excluded.names;
    for (const ProgramProfile& program : rules.profiles) {
        if (!rules.excluded.excludes(program.name)) {
            names.push_back(program.name);
        }
    }
    return names;
}

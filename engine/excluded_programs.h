#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

inline constexpr size_t EXCLUDED_PROGRAMS_LIMIT = 64;
// Characters of one file name, without its terminator.
inline constexpr size_t PROGRAM_NAME_LIMIT = 260;

// The programs the effect stays out of, by file name ("game.exe"). The functions below keep the
// names 1 to PROGRAM_NAME_LIMIT characters long, free of path separators, unique under
// sameProgramName, and at most EXCLUDED_PROGRAMS_LIMIT of them; the names keep the case they
// were given in.
struct ExcludedPrograms {
    std::vector<std::wstring> names;

    // True when the file name, or the file name at the end of a full path, is in the list.
    // Allocates nothing, so that the hook thread can ask it of a shared snapshot.
    bool excludes(std::wstring_view path) const;
    bool operator==(const ExcludedPrograms&) const = default;
};

// Equal without regard to case in ASCII, Latin-1 Supplement and Latin Extended-A, as simple
// upper-case mappings, the same for every locale. Dotless i and long s keep out of ASCII.
bool sameProgramName(std::wstring_view a, std::wstring_view b);

// What follows the last '\\' or '/'.
std::wstring_view programFileName(std::wstring_view path);

// The names of REG_MULTI_SZ data of the given length in characters, which may be damaged: an
// empty string ends the list, an unterminated last string still counts, and each string goes
// through addExcludedProgram (so a path gives its file name and what does not fit is skipped).
ExcludedPrograms parseExcludedPrograms(const wchar_t* data, size_t characters);

// Adds the file name of name; false when that is empty, too long, already in, or the list is
// full.
bool addExcludedProgram(ExcludedPrograms& programs, std::wstring_view name);
// Removes the file name of name; false when it is not in.
bool removeExcludedProgram(ExcludedPrograms& programs, std::wstring_view name);

// REG_MULTI_SZ data: every name with its NUL, then the final NUL. An empty list is two NULs, so
// that it ends with two NULs like every other list.
std::vector<wchar_t> excludedProgramsData(const ExcludedPrograms& programs);

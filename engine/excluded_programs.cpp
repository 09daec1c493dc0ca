#include "engine/excluded_programs.h"

#include <algorithm>
#include <cstdint>

namespace {

// The simple upper-case mapping of the three blocks. Dotless i (U+0131) and long s (U+017F)
// stay as they are: mapped to I and S they would make an ASCII name match a non-ASCII one.
uint32_t upperCase(wchar_t character) {
    const auto c = static_cast<uint32_t>(character);
    if (c < 0x80) {
        return c >= 'a' && c <= 'z' ? c - 0x20 : c;
    }
    if (c < 0x100) {
        if (c == 0xFF) {
            return 0x178;
        }
        return c >= 0xE0 && c != 0xF7 ? c - 0x20 : c;
    }
    // Latin Extended-A pairs each capital with the small letter after it; the pairs start at an
    // even point up to U+0137, at an odd one from U+0139 to U+0148 and again from U+0179.
    const bool evenPairs = (c <= 0x137 && c != 0x131) || (c >= 0x14A && c <= 0x177);
    const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if ((evenPairs && c % 2 == 1) || (oddPairs && c % 2 == 0)) {
        return c - 1;
    }
    return c;
}

bool contains(const ExcludedPrograms& programs, std::wstring_view name) {
    return std::any_of(
        programs.names.begin(), programs.names.end(),
        [name](const std::wstring& listed) { return sameProgramName(listed, name); });
}

} // namespace

bool ExcludedPrograms::excludes(std::wstring_view path) const {
    return contains(*this, programFileName(path));
}

bool sameProgramName(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](wchar_t x, wchar_t y) { return upperCase(x) == upperCase(y); });
}

std::wstring_view programFileName(std::wstring_view path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring_view::npos ? path : path.substr(separator + 1);
}

ExcludedPrograms parseExcludedPrograms(const wchar_t* data, size_t characters) {
    ExcludedPrograms programs;
    const std::wstring_view all(data, data ? characters : 0);
    for (size_t start = 0; start < all.size();) {
        const size_t end = std::min(all.find(L'\0', start), all.size());
        if (end == start) {
            break;
        }
        addExcludedProgram(programs, all.substr(start, end - start));
        start = end + 1;
    }
    return programs;
}

bool addExcludedProgram(ExcludedPrograms& programs, std::wstring_view name) {
    const std::wstring_view fileName = programFileName(name);
    if (fileName.empty() || fileName.size() > PROGRAM_NAME_LIMIT ||
        programs.names.size() >= EXCLUDED_PROGRAMS_LIMIT || contains(programs, fileName)) {
        return false;
    }
    programs.names.emplace_back(fileName);
    return true;
}

bool removeExcludedProgram(ExcludedPrograms& programs, std::wstring_view name) {
    const std::wstring_view fileName = programFileName(name);
    const auto found = std::find_if(
        programs.names.begin(), programs.names.end(),
        [fileName](const std::wstring& listed) { return sameProgramName(listed, fileName); });
    if (found == programs.names.end()) {
        return false;
    }
    programs.names.erase(found);
    return true;
}

std::vector<wchar_t> excludedProgramsData(const ExcludedPrograms& programs) {
    std::vector<wchar_t> data;
    for (const std::wstring& name : programs.names) {
        data.insert(data.end(), name.begin(), name.end());
        data.push_back(L'\0');
    }
    data.push_back(L'\0');
    if (programs.names.empty()) {
        data.push_back(L'\0');
    }
    return data;
}

#pragma once

#include <ostream>
#include <string>
#include <vector>

inline constexpr int exitOk = 0;
inline constexpr int exitUnsettled = 1;
inline constexpr int exitBadArguments = 2;

// The whole command: parses `args` (without the program name), runs, writes, returns the exit code.
int runSimTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

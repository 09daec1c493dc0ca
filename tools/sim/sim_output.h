#pragma once

#include "tools/sim/sim_run.h"

#include <string>

// "events N sum S last MS", with "last -" when nothing was injected.
std::string summaryLine(const SimResult& result);

std::string formatText(const SimResult& result);
std::string formatCsv(const SimResult& result);
std::string formatSvg(const SimResult& result);
std::string formatResult(const SimResult& result, OutputFormat format);

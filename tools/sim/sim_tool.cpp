#include "tools/sim/sim_tool.h"

#include "tools/sim/sim_exactness.h"
#include "tools/sim/sim_output.h"

#include <exception>

int runSimTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        const ParseResult parsed = parseArguments(args);
        if (parsed.helpRequested) {
            out << usageText();
            return exitOk;
        }
        if (!parsed.ok()) {
            err << parsed.error << "\n";
            return exitBadArguments;
        }
        if (parsed.config.exactness) {
            const ExactnessReport report = measureExactness(parsed.config);
            const ExactnessReport sideways = measureExactness(parsed.config, AXIS_HORIZONTAL);
            out << formatExactness(report, sideways, parsed.config.format);
            if (!report.settled) {
                err << "rolvane-sim: still scrolling at " << report.endMs
                    << " ms, an hour after the last event; stopped there\n";
                return exitUnsettled;
            }
            return exitOk;
        }
        const SimResult result = simulate(parsed.config);
        out << formatResult(result, parsed.config.format);
        if (result.hitSettleLimit) {
            err << "rolvane-sim: still scrolling at " << result.endMs
                << " ms, an hour after the last event; stopped there\n";
            return exitUnsettled;
        }
        return exitOk;
    } catch (const std::exception& failure) {
        // Only allocation can throw here; say so instead of aborting.
        err << "rolvane-sim: " << failure.what() << "\n";
        return exitUnsettled;
    }
}

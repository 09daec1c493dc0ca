#include "tools/sim/sim_output.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr double svgWidth = 800;
constexpr double svgHeight = 480;
constexpr double plotLeft = 80;
constexpr double plotRight = 720;
constexpr double plotTop = 70;
constexpr double plotBottom = 420;
constexpr const char* lineColor = "#1f5fbf";
constexpr const char* barColor = "#e08a1e";

// One decimal, never "-0.0": the same run always gives the same bytes.
std::string num(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", value);
    std::string text = buffer;
    return text == "-0.0" ? "0.0" : text;
}

// The smallest of 1, 2, 5, 10, 20, 50, ... that covers span in at most `count` steps.
int64_t niceStep(int64_t span, int64_t count) {
    for (int64_t magnitude = 1;; magnitude *= 10) {
        for (int64_t factor : {1, 2, 5}) {
            if (factor * magnitude * count >= span) {
                return factor * magnitude;
            }
        }
    }
}

int64_t stepsToCover(int64_t value, int64_t step) {
    return (value + step - 1) / step;
}

// Both y axes share their gridlines and their zero: `up` steps above zero, `down` below.
struct YAxes {
    int64_t lineStep;
    int64_t barStep;
    int64_t up;
    int64_t down;
};

YAxes layoutYAxes(int64_t lineMin, int64_t lineMax, int64_t barMin, int64_t barMax) {
    YAxes axes{};
    axes.lineStep = niceStep(lineMax - lineMin, 5);
    axes.barStep = niceStep(barMax - barMin, 5);
    axes.up = std::max(stepsToCover(lineMax, axes.lineStep), stepsToCover(barMax, axes.barStep));
    axes.down =
        std::max(stepsToCover(-lineMin, axes.lineStep), stepsToCover(-barMin, axes.barStep));
    if (axes.up + axes.down == 0) {
        axes.up = 1;
    }
    return axes;
}

double yPixel(double value, int64_t step, const YAxes& axes) {
    const double top = double(axes.up * step);
    const double span = double((axes.up + axes.down) * step);
    return plotTop + (top - value) / span * (plotBottom - plotTop);
}

std::string text(double x, double y, const std::string& anchor, const std::string& content,
                 const std::string& extra = "") {
    return "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\" text-anchor=\"" + anchor + "\"" +
           extra + ">" + content + "</text>\n";
}

std::string line(double x1, double y1, double x2, double y2, const std::string& stroke) {
    return "<line x1=\"" + num(x1) + "\" y1=\"" + num(y1) + "\" x2=\"" + num(x2) + "\" y2=\"" +
           num(y2) + "\" stroke=\"" + stroke + "\"/>\n";
}

std::string rotatedText(double x, double y, const std::string& content, const char* color) {
    return text(x, y, "middle", content,
                " fill=\"" + std::string(color) + "\" transform=\"rotate(-90 " + num(x) + " " +
                    num(y) + ")\"");
}

std::string title(const SimResult& result) {
    const ScrollParameters& p = result.parameters;
    return "Rolvane " + std::string(profileName(result.profileId)) + " profile: step " +
           std::to_string(p.stepPercent) + "%, max acceleration " +
           std::to_string(p.maxAccelerationPercent) + "%, window " +
           std::to_string(p.accelerationWindowMs) + " ms, tail " +
           std::to_string(p.smoothDurationMs) + " ms" + result.programs;
}

} // namespace

std::string summaryLine(const SimResult& result) {
    const std::string last = result.events.empty() ? "-" : std::to_string(result.events.back().ms);
    const bool sideways = std::any_of(result.events.begin(), result.events.end(),
                                      [](const InjectedEvent& event) { return event.horizontal; });
    return "events " + std::to_string(result.events.size()) + " sum " +
           std::to_string(sumOf(result.events)) +
           (sideways ? " sideways " + std::to_string(sumOf(result.events, true)) : "") + " last " +
           last;
}

// A horizontal event is marked as the input marks it: "MS AMOUNT h".
std::string formatText(const SimResult& result) {
    std::string out;
    for (const InjectedEvent& event : result.events) {
        out += std::to_string(event.ms) + " " + std::to_string(event.amount) +
               (event.horizontal ? " h\n" : "\n");
    }
    return out + summaryLine(result) + "\n";
}

std::string formatCsv(const SimResult& result) {
    std::string out = "ms,amount,axis\n";
    for (const InjectedEvent& event : result.events) {
        out += std::to_string(event.ms) + "," + std::to_string(event.amount) +
               (event.horizontal ? ",h\n" : ",v\n");
    }
    return out + "# " + summaryLine(result) + "\n";
}

std::string formatSvg(const SimResult& result) {
    int64_t cumulative = 0;
    int64_t lineMin = 0, lineMax = 0, barMin = 0, barMax = 0;
    for (const InjectedEvent& event : result.events) {
        cumulative += event.amount;
        lineMin = std::min(lineMin, cumulative);
        lineMax = std::max(lineMax, cumulative);
        barMin = std::min<int64_t>(barMin, event.amount);
        barMax = std::max<int64_t>(barMax, event.amount);
    }
    const YAxes axes = layoutYAxes(lineMin, lineMax, barMin, barMax);
    const int64_t endMs = std::max<int64_t>(result.endMs, tickPeriodMs);
    const int64_t xStep = niceStep(endMs, 8);
    const int64_t xMax = stepsToCover(endMs, xStep) * xStep;
    auto xPixel = [&](int64_t ms) {
        return plotLeft + double(ms) / double(xMax) * (plotRight - plotLeft);
    };
    const double zeroY = yPixel(0, axes.lineStep, axes);

    std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(svgWidth) +
                      "\" height=\"" + num(svgHeight) + "\" viewBox=\"0 0 " + num(svgWidth) + " " +
                      num(svgHeight) + "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    out += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    out += text(svgWidth / 2, 24, "middle", title(result), " font-size=\"15\"");
    out += text(svgWidth / 2, 44, "middle", summaryLine(result), " fill=\"#555\"");

    for (int64_t i = -axes.down; i <= axes.up; ++i) {
        const double y = yPixel(double(i * axes.lineStep), axes.lineStep, axes);
        out += line(plotLeft, y, plotRight, y, i == 0 ? "#888" : "#ddd");
        out += text(plotLeft - 6, y + 4, "end", std::to_string(i * axes.lineStep),
                    " fill=\"" + std::string(lineColor) + "\"");
        out += text(plotRight + 6, y + 4, "start", std::to_string(i * axes.barStep),
                    " fill=\"" + std::string(barColor) + "\"");
    }
    for (int64_t ms = 0; ms <= xMax; ms += xStep) {
        const double x = xPixel(ms);
        out += line(x, plotBottom, x, plotBottom + 5, "#888");
        out += text(x, plotBottom + 18, "middle", std::to_string(ms));
    }
    out += line(plotLeft, plotTop, plotLeft, plotBottom, "#888");
    out += line(plotRight, plotTop, plotRight, plotBottom, "#888");
    out += line(plotLeft, plotBottom, plotRight, plotBottom, "#888");
    out += text((plotLeft + plotRight) / 2, plotBottom + 40, "middle", "time (ms)");
    out += rotatedText(plotLeft - 50, (plotTop + plotBottom) / 2, "cumulative units (line)",
                       lineColor);
    out += rotatedText(plotRight + 50, (plotTop + plotBottom) / 2,
                       "units per injected event (bars)", barColor);

    const double tickWidth = xPixel(tickPeriodMs) - xPixel(0);
    const double barWidth = std::clamp(tickWidth * 0.6, 0.5, 8.0);
    out += "<g fill=\"" + std::string(barColor) + "\">\n";
    for (const InjectedEvent& event : result.events) {
        const double y = yPixel(event.amount, axes.barStep, axes);
        out += "<rect x=\"" + num(xPixel(event.ms) - barWidth / 2) + "\" y=\"" +
               num(std::min(y, zeroY)) + "\" width=\"" + num(barWidth) + "\" height=\"" +
               num(std::max(y, zeroY) - std::min(y, zeroY)) + "\"/>\n";
    }
    out += "</g>\n";
    const auto tallest = std::max_element(result.events.begin(), result.events.end(),
                                          [](const InjectedEvent& a, const InjectedEvent& b) {
                                              return std::abs(a.amount) < std::abs(b.amount);
                                          });
    if (tallest != result.events.end()) {
        const double y = yPixel(tallest->amount, axes.barStep, axes);
        out += text(xPixel(tallest->ms) + barWidth, y + (tallest->amount < 0 ? 14 : -4), "start",
                    "injected events", " fill=\"" + std::string(barColor) + "\"");
    }

    auto point = [&](int64_t ms, double value) {
        return num(xPixel(ms)) + "," + num(yPixel(value, axes.lineStep, axes));
    };
    std::string points = point(0, 0);
    cumulative = 0;
    for (const InjectedEvent& event : result.events) {
        cumulative += event.amount;
        points += ' ';
        points += point(event.ms, double(cumulative));
    }
    points += ' ';
    points += point(result.endMs, double(cumulative));
    const double endY = yPixel(double(cumulative), axes.lineStep, axes);
    out += "<polyline fill=\"none\" stroke=\"" + std::string(lineColor) +
           "\" stroke-width=\"2\" points=\"" + points + "\"/>\n";
    out += text(xPixel(result.endMs) - 4, endY + (cumulative < 0 ? 16 : -8), "end",
                "cumulative " + std::to_string(cumulative),
                " fill=\"" + std::string(lineColor) + "\"");
    return out + "</svg>\n";
}

std::string formatResult(const SimResult& result, OutputFormat format) {
    switch (format) {
    case OutputFormat::csv:
        return formatCsv(result);
    case OutputFormat::svg:
        return formatSvg(result);
    default:
        return formatText(result);
    }
}

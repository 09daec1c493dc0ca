#include "tools/sim/sim_exactness.h"

#include "engine/wheel_filter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

// Units of the axis on their way: not yet drained, not yet produced by a pulse, or produced and
// not sent.
double unitsInFlight(const AnimatorState& animator, const EngineState& state, Axis axis) {
    const AxisAnimation& animation = animator.axes[axis];
    double units = pendingOf(state, axis).load() + animation.remainder;
    const PulseQueue& queue = animation.pulseQueue;
    for (int i = 0; i < queue.count; ++i) {
        units += queue.pulses[i].amount * (1.0 - queue.pulses[i].progress);
    }
    return units;
}

// The ideal position, computed afresh at every tick from each pulse's start, length and
// amounts and the easing curve, not from the animator's running sums. A pulse that took
// merged amounts delivers each of them over what was left of its curve when it came:
// scale * (E(t) - E at the merge), summed as scale * E(t) - offset.
struct IdealPulse {
    double scale;
    double offset;
    int64_t startMs;
    int32_t durationMs;
    double lastEased;
};

class ExactnessObserver final : public SimObserver {
  public:
    ExactnessObserver(ExactnessReport& report, Axis axis) : report_(report), axis_(axis) {}

    void feeding(const SimEvent& event, uint64_t tick, const EngineState& state,
                 int32_t setting) override {
        const uintptr_t message =
            event.horizontal ? WHEEL_MESSAGE_HORIZONTAL : WHEEL_MESSAGE_VERTICAL;
        pendingBefore_ = pendingOf(state, axis_).load();
        swallowing_ = event.kind == SimEventKind::wheel && event.horizontal == (axis_ == AXIS_HORIZONTAL) &&
                      setting != PROGRAM_OFF && state.effectEnabled.load() &&
                      isRealWheelEvent(state, 0, message, 0, 0, event.delta) &&
                      isWholeNotch(event.delta);
        if (!swallowing_) {
            return;
        }
        const uint64_t previous = lastNotchTickOf(state, axis_).load();
        const uint64_t gap =
            (previous == 0 || tick < previous) ? NO_PREVIOUS_NOTCH_GAP_MS : tick - previous;
        const ScrollParameters parameters = parametersOfProfile(state, setting);
        amount_ = acceleratedAmount(event.delta, gap, parameters.stepPercent,
                                    parameters.maxAccelerationPercent,
                                    parameters.accelerationWindowMs);
    }

    void fed(const SimEvent& event, const EngineState& state) override {
        // A leave or a click that ended the movement dropped what was pending with it.
        if (event.kind != SimEventKind::wheel && state.resetRequested.load()) {
            ++report_.movementsEnded;
            const int64_t dropped = pendingBefore_ - pendingOf(state, axis_).load();
            report_.droppedUnits += double(dropped);
            report_.droppedSize += std::fabs(double(dropped));
        }
        if (!swallowing_) {
            return;
        }
        const int64_t added = int64_t{pendingOf(state, axis_).load()} - pendingBefore_;
        ++report_.notchEvents;
        report_.acceptedUnits += added;
        report_.acceptedSize += std::abs(added);
        report_.refusedUnits += std::abs(amount_ - added);
    }

    void tickStarting(int64_t, const AnimatorState& animator, const EngineState& state) override {
        const AxisAnimation& animation = animator.axes[axis_];
        before_ = unitsInFlight(animator, state, axis_);
        boundDroppedBefore_ = animation.boundDroppedUnits;
        pending_ = pendingOf(state, axis_).load();
        const int direction = pending_ > 0 ? 1 : -1;
        reversal_ = pending_ != 0 && animation.lastDirection != 0 &&
                    animation.lastDirection != direction;
        ended_ = state.resetRequested.load();
        queueWasFull_ = animation.pulseQueue.full();
    }

    void tickDone(int64_t ms, const AnimatorState& animator, const EngineState& state,
                  std::span<const InjectedEvent> injected) override {
        int64_t sent = 0;
        for (const InjectedEvent& event : injected) {
            if (event.horizontal != (axis_ == AXIS_HORIZONTAL)) {
                continue;
            }
            sent += event.amount;
            report_.deliveredSize += std::abs(event.amount);
            ++report_.injectedEvents;
        }
        report_.deliveredUnits += sent;
        const AxisAnimation& animation = animator.axes[axis_];
        const int64_t boundDropped = animation.boundDroppedUnits - boundDroppedBefore_;
        report_.boundDroppedUnits += boundDropped;
        report_.boundDroppedSize += std::abs(boundDropped);
        const double imbalance =
            before_ - double(sent) - double(boundDropped) -
            unitsInFlight(animator, state, axis_);
        if (reversal_ || ended_) {
            report_.reversals += reversal_;
            report_.droppedUnits += imbalance;
            report_.droppedSize += std::fabs(imbalance);
        } else {
            report_.largestTickImbalance =
                std::max(report_.largestTickImbalance, std::fabs(imbalance));
        }
        addToIdeal(ms, state, pending_ - boundDropped);

        const double gap = std::fabs(idealPosition(ms) - double(report_.deliveredUnits));
        const bool clamped =
            std::abs(sent) == MAX_UNITS_PER_EVENT && std::fabs(animation.remainder) >= 1.0;
        if (clamped) {
            ++report_.clampedTicks;
            report_.largestGapClamped = std::max(report_.largestGapClamped, gap);
        } else {
            report_.largestGap = std::max(report_.largestGap, gap);
        }
        held_ = unitsInFlight(animator, state, axis_);
    }

    double held() const { return held_; }

  private:
    // What this tick drained, less what the outstanding limit dropped, joins the ideal.
    void addToIdeal(int64_t ms, const EngineState& state, int64_t kept) {
        if (pending_ == 0) {
            return;
        }
        if (reversal_ || ended_) {
            ideal_.clear();
            idealBase_ = double(report_.deliveredUnits);
        }
        if (kept == 0) {
            return;
        }
        if (!reversal_ && queueWasFull_) {
            ++report_.fullQueueMerges;
            report_.mergedUnits += kept;
            IdealPulse& newest = ideal_.back();
            const double left = 1.0 - newest.lastEased;
            if (left > 1e-6) {
                newest.scale += double(kept) / left;
                newest.offset += double(kept) / left * newest.lastEased;
            } else {
                idealBase_ += double(kept);
            }
            return;
        }
        const int32_t ownMs = pendingDurationOf(state, axis_).load();
        ideal_.push_back(
            {double(kept), 0.0, ms, ownMs > 0 ? ownMs : state.smoothDurationMs.load(), 0.0});
    }

    double idealPosition(int64_t ms) {
        double position = idealBase_;
        for (size_t i = 0; i < ideal_.size();) {
            IdealPulse& pulse = ideal_[i];
            const double t =
                std::clamp(double(ms - pulse.startMs) / double(pulse.durationMs), 0.0, 1.0);
            pulse.lastEased = easeCurve(t);
            if (t >= 1.0) {
                idealBase_ += pulse.scale - pulse.offset;
                position += pulse.scale - pulse.offset;
                ideal_.erase(ideal_.begin() + static_cast<std::ptrdiff_t>(i));
                continue;
            }
            position += pulse.scale * pulse.lastEased - pulse.offset;
            ++i;
        }
        return position;
    }

    ExactnessReport& report_;
    Axis axis_;
    bool swallowing_ = false;
    int32_t amount_ = 0;
    int64_t pendingBefore_ = 0;
    double before_ = 0;
    int64_t boundDroppedBefore_ = 0;
    int32_t pending_ = 0;
    bool reversal_ = false;
    bool ended_ = false;
    bool queueWasFull_ = false;
    double held_ = 0;
    std::vector<IdealPulse> ideal_;
    double idealBase_ = 0;
};

std::string withoutMinusZero(std::string text) {
    // "-0.000000" would read as a loss where there is none.
    if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-') {
        text.erase(0, 1);
    }
    return text;
}

std::string fixed(double value, int decimals) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return withoutMinusZero(buffer);
}

} // namespace

ExactnessReport measureExactness(const SimConfig& config, Axis axis) {
    ExactnessReport report;
    ExactnessObserver observer(report, axis);
    const SimResult result = simulate(config, &observer);
    report.profileId = result.profileId;
    report.parameters = result.parameters;
    report.endMs = result.endMs;
    report.settled = !result.hitSettleLimit;
    report.heldUnits = observer.held();
    report.lostOrInvented = double(report.acceptedUnits) - double(report.deliveredUnits) -
                            report.droppedUnits - double(report.boundDroppedUnits) -
                            report.heldUnits;
    return report;
}

namespace {

std::vector<std::pair<std::string, std::string>> fieldsOf(const ExactnessReport& report) {
    return {
        {"notch_events", std::to_string(report.notchEvents)},
        {"accepted_units", std::to_string(report.acceptedUnits)},
        {"accepted_size", std::to_string(report.acceptedSize)},
        {"refused_at_limit_units", std::to_string(report.refusedUnits)},
        {"delivered_units", std::to_string(report.deliveredUnits)},
        {"delivered_size", std::to_string(report.deliveredSize)},
        {"injected_events", std::to_string(report.injectedEvents)},
        {"reversals", std::to_string(report.reversals)},
        {"movements_ended", std::to_string(report.movementsEnded)},
        {"dropped_units", fixed(report.droppedUnits, 6)},
        {"dropped_size", fixed(report.droppedSize, 6)},
        {"bound_dropped_units", std::to_string(report.boundDroppedUnits)},
        {"bound_dropped_size", std::to_string(report.boundDroppedSize)},
        {"cancelled_size", fixed(report.cancelledSize(), 6)},
        {"held_units", fixed(report.heldUnits, 6)},
        {"lost_or_invented_units", fixed(report.lostOrInvented, 6)},
        {"largest_tick_imbalance_units", fixed(report.largestTickImbalance, 9)},
        {"full_queue_merges", std::to_string(report.fullQueueMerges)},
        {"merged_units", std::to_string(report.mergedUnits)},
        {"clamped_ticks", std::to_string(report.clampedTicks)},
        {"largest_gap_units", fixed(report.largestGap, 6)},
        {"largest_gap_clamped_units", fixed(report.largestGapClamped, 6)},
    };
}

} // namespace

std::string formatExactness(const ExactnessReport& vertical, const ExactnessReport& horizontal,
                            OutputFormat format) {
    const ScrollParameters& p = vertical.parameters;
    std::vector<std::pair<std::string, std::string>> fields = {
        {"profile", std::string(profileName(vertical.profileId))},
        {"step_percent", std::to_string(p.stepPercent)},
        {"max_acceleration_percent", std::to_string(p.maxAccelerationPercent)},
        {"acceleration_window_ms", std::to_string(p.accelerationWindowMs)},
        {"tail_ms", std::to_string(p.smoothDurationMs)},
    };
    for (auto& field : fieldsOf(vertical)) {
        fields.push_back(std::move(field));
    }
    for (auto& [name, value] : fieldsOf(horizontal)) {
        fields.emplace_back("horizontal_" + name, std::move(value));
    }
    fields.emplace_back("end_ms", std::to_string(vertical.endMs));
    std::string out;
    if (format == OutputFormat::csv) {
        std::string row;
        for (const auto& [name, value] : fields) {
            const char* separator = row.empty() ? "" : ",";
            out.append(separator).append(name);
            row.append(separator).append(value);
        }
        return out.append("\n").append(row).append("\n");
    }
    for (const auto& [name, value] : fields) {
        out.append(name).append(" ").append(value).append("\n");
    }
    return out;
}

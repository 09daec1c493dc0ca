#pragma once

#include "tools/sim/sim_run.h"

#include <cmath>
#include <cstdint>
#include <string>

// Where every wheel unit of a run went. The units the hook accepted either reached the
// injected events, were dropped by a reversal of the wheel, by the pointer leaving the
// movement's window or a click, or by the animator's limit on what
// may be outstanding, or are still held below half a unit at the end; anything else was lost
// or invented.
struct ExactnessReport {
    int32_t profileId = IDM_PROFILE_BALANCED;
    ScrollParameters parameters{};
    // Signed sums, in which up and down cancel, make the balance; the sizes beside them
    // (sums of magnitudes) say how much moved.
    int64_t notchEvents = 0;      // events the hook swallowed
    int64_t acceptedUnits = 0;    // what they added to pendingDelta
    int64_t acceptedSize = 0;
    int64_t refusedUnits = 0;     // what pendingDelta's limit of +-1920 kept out
    int64_t deliveredUnits = 0;   // the sum of the injected events
    int64_t deliveredSize = 0;
    int64_t injectedEvents = 0;
    int64_t reversals = 0;        // ticks at which a reversal dropped what was in flight
    int64_t movementsEnded = 0;   // leaves and clicks that ended the movement in flight
    double droppedUnits = 0;      // what both dropped, fractions included
    double droppedSize = 0;
    int64_t boundDroppedUnits = 0; // what the limit on outstanding units dropped at drains
    int64_t boundDroppedSize = 0;
    double heldUnits = 0;         // the rest below half a unit that the run ended with
    double lostOrInvented = 0;    // accepted - delivered - dropped - bound-dropped - held
    double largestTickImbalance = 0; // the worst single tick outside reversals and bound drops
    int64_t fullQueueMerges = 0; // amounts merged into the newest pulse of a full queue
    int64_t mergedUnits = 0;
    int64_t clampedTicks = 0;    // ticks that sent 48 units and still held a unit or more
    // Largest distance between the ideal eased position and the injected position, in units,
    // at the ticks where the 48-unit clamp did not hold, and at those where it did.
    double largestGap = 0;
    double largestGapClamped = 0;
    int64_t endMs = 0;
    bool settled = true;

    // Units of one direction that met as many of the other in the animator's remainder and
    // so were sent by neither: a reversal after the last pulse ended, while the 48-unit clamp
    // still held units back, is no reversal to the animator and drops nothing.
    double cancelledSize() const {
        return (double(acceptedSize) - double(deliveredSize) - droppedSize -
                double(boundDroppedSize) - std::fabs(heldUnits)) /
               2.0;
    }
};

// The account of one axis; the run is the same for both.
ExactnessReport measureExactness(const SimConfig& config, Axis axis = AXIS_VERTICAL);

// text: "name value" lines; csv: a header line and one row. The horizontal axis's names begin
// with "horizontal_".
std::string formatExactness(const ExactnessReport& vertical, const ExactnessReport& horizontal,
                            OutputFormat format);

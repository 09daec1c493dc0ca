#!/usr/bin/env bash
# Real wheel input (xdotool) through the engine under Wine to a window that logs what it gets.
# Usage: wheel_e2e.sh effect_on|effect_off|cadence
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
: "${ROLVANE_WIN_BUILD_DIR:=$HERE/../../build/win}"
: "${E2E_WORK:=${ROLVANE_E2E_WORK:-$HERE/../../build/e2e-work}}"
# shellcheck source-path=SCRIPTDIR source=e2e_lib.sh
source "$HERE/e2e_lib.sh"

WHEEL_UP=4
WHEEL_DOWN=5
WHEEL_LEFT=6
WHEEL_RIGHT=7

# Events that must arrive as they were made: "KIND DELTA" each, in order, none tagged.
check_untouched() {
    local from=$1 what=$2
    shift 2
    local want="$*" got
    got=$(e2e_events_after "$from" | awk -v tag="$INJECTION_TAG" '
        { printf "%s%s %d%s", sep, $2, $3, (tolower($4) == tag ? " tagged" : ""); sep = " " }')
    local shown=$got
    [ ${#shown} -le 160 ] || shown="${got:0:160} ... ($(e2e_events_after "$from" | wc -l) events)"
    printf '%s: got [%s]\n' "$what" "$shown"
    [ "$got" = "$want" ] || e2e_fail "$what: want [$want]"
}

# Intervals between successive vertical events after FROM, which must be one unbroken replay.
print_cadence() {
    local from=$1 what=$2
    e2e_events_after "$from" | awk '$2 == "v" {
            if (seen) printf "%.3f\n", ($1 - last) / 1000
            last = $1; seen = 1
        }' | sort -n | awk -v what="$what" '
        { gap[NR] = $1; total += $1 }
        function rank(p,   i) { i = int(p * NR + 0.999999); if (i < 1) i = 1; return gap[i] }
        END {
            if (NR == 0) { print "cadence " what ": no intervals"; exit 1 }
            printf "cadence %s: %d intervals, median %.2f ms, p90 %.2f ms, p99 %.2f ms, max %.2f ms, mean %.2f ms\n",
                what, NR, rank(0.5), rank(0.9), rank(0.99), gap[NR], total / NR
            if (rank(0.5) < 3 || rank(0.5) > 6) { print "median outside 3-6 ms"; exit 1 }
        }'
}

finish() {
    e2e_stop || e2e_fail "a program did not end cleanly"
    grep -q '^stopped' "$E2E_ENGINE_LOG" || e2e_fail "engine_host did not log its shutdown"
    printf 'engine_host: %s\n' "$(tail -n 1 "$E2E_ENGINE_LOG")"
}

case_effect_on() {
    e2e_start_engine --profile balanced
    e2e_start_target
    e2e_point_at_target
    local from=0
    e2e_wheel "$WHEEL_DOWN" 3 400
    e2e_wait_for_sum "$from" v -360
    e2e_check_smoothed "$from" -360 "three notches down"

    from=$(e2e_event_count)
    e2e_wheel "$WHEEL_UP" 3 400
    e2e_wait_for_sum "$from" v 360
    e2e_check_smoothed "$from" 360 "three notches up"

    from=$(e2e_event_count)
    e2e_wheel "$WHEEL_LEFT"
    e2e_wait_for_sum "$from" h -120
    local second
    second=$(e2e_event_count)
    e2e_wheel "$WHEEL_RIGHT"
    e2e_wait_for_sum "$second" h 120
    check_untouched "$from" "horizontal with the effect on" h -120 h 120
    finish
}

case_effect_off() {
    e2e_start_engine --effect-off
    e2e_start_target
    e2e_point_at_target
    e2e_wheel "$WHEEL_DOWN" 3 150
    e2e_wait_for_sum 0 v -360
    check_untouched 0 "three notches down with the effect off" v -120 v -120 v -120
    local from
    from=$(e2e_event_count)
    e2e_wheel "$WHEEL_UP" 2 150
    e2e_wait_for_sum "$from" v 240
    check_untouched "$from" "two notches up with the effect off" v 120 v 120
    finish
}

case_cadence() {
    e2e_start_engine --profile balanced
    e2e_start_target
    e2e_point_at_target
    e2e_wheel "$WHEEL_DOWN" 1
    e2e_wait_for_sum 0 v -120
    e2e_check_smoothed 0 -120 "one notch"
    print_cadence 0 "one notch (Balanced, 360 ms)" || e2e_fail "cadence out of bounds"
    local from
    from=$(e2e_event_count)
    e2e_wheel "$WHEEL_DOWN" 5 40
    e2e_wait_for_sum "$from" v -600
    e2e_check_smoothed "$from" -600 "burst of five notches"
    print_cadence "$from" "burst of five notches" || e2e_fail "cadence out of bounds"
    finish
}

[ $# -eq 1 ] || e2e_fail "usage: $0 effect_on|effect_off|cadence"
declare -F "case_$1" >/dev/null || e2e_fail "unknown case $1"
e2e_require_environment
e2e_begin "$1"
trap 'e2e_stop >/dev/null 2>&1 || true' EXIT
"case_$1"
printf 'PASS %s\n' "$1"

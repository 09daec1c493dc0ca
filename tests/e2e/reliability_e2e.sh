#!/usr/bin/env bash
# Reliability of the real Rolvane.exe under Wine: a soak of random wheel input and random
# commands, starts with every stored setting damaged in turn, and start with Windows from a
# path with blanks and non-ASCII letters.
# Usage: reliability_e2e.sh soak|bad_starts|odd_path
#   ROLVANE_SOAK_SECONDS (default 120) and ROLVANE_SOAK_SEED (default: the clock) shape the soak.
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
: "${ROLVANE_WIN_BUILD_DIR:=$HERE/../../build/win}"
: "${E2E_WORK:=${ROLVANE_E2E_WORK:-$HERE/../../build/e2e-work}}"
# shellcheck source-path=SCRIPTDIR source=e2e_lib.sh
source "$HERE/e2e_lib.sh"

IDC_EFFECT_SWITCH=1005
IDC_AUTOSTART_SWITCH=1007
IDM_PROFILE_CUSTOM=1204
TRACKBARS=(1101 1102 1103 1104)
RANGE_LOW=(60 100 40 160)
RANGE_HIGH=(140 240 180 500)
VALUE_NAMES=(Profile CustomStepPercent CustomMaxAccelerationPercent CustomAccelerationWindowMs
    CustomSmoothDurationMs)
declare -A PROFILE_VALUES=([1201]="100 100 125 430" [1202]="100 100 110 360"
    [1203]="110 150 80 240")
BUILT_IN_CUSTOM="100 100 110 360"
STATE_ON="ACTIVE  •  smooth scrolling is enabled"
STATE_OFF="OFF  •  the wheel works normally"
WHEEL_UP=4
WHEEL_DOWN=5
WHEEL_LEFT=6
WHEEL_RIGHT=7
MEGABYTE=1048576

ok() {
    printf 'ok: %s\n' "$*"
}

# The four numbers of the parameter line, blank-separated.
shown_parameters() {
    e2e_driver_value text text parameters | grep -o '[0-9]\+' | paste -sd ' '
}

expect_parameters() {
    local want=$1 what=$2 got
    got=$(shown_parameters)
    [ "$got" = "$want" ] || e2e_fail "$what: the parameter line shows [$got], want [$want]"
}

# The first refresh of the state line comes with the window's first 250 ms tick.
expect_state() {
    e2e_expect_driver "$1" 5 text text state
}

# ---------------------------------------------------------------------------------------------
# Soak

effect=0
profile=1202
active=(100 100 110 360)
custom=(100 100 110 360)
settings_changed=0
declare -A counts=()
accepted_exact=0
delivered=0
dropped_by_reversal=0
dropped_by_switch_off=0

count() {
    counts[$1]=$((${counts[$1]:-0} + 1))
}

# Clicks BUTTON... with DELAY_MS between them, as one xdotool run recorded by its pid.
click_sequence() {
    local delay=$1 seconds args=() button pid
    shift
    seconds=$(printf '0.%03d' "$delay")
    for button in "$@"; do
        [ ${#args[@]} -eq 0 ] || args+=(sleep "$seconds")
        args+=(click "$button")
    done
    xdotool "${args[@]}" &
    pid=$!
    echo xdotool >"$E2E_WORK/pids/$pid"
    wait "$pid" || e2e_fail "xdotool ${args[*]} failed"
    rm -f "$E2E_WORK/pids/$pid"
}

# Waits until the target has had nothing new for 0.8 s; fails after 15 s.
settle() {
    local timeout=15 previous=-1 quiet=0 now deadline
    deadline=$((SECONDS + timeout))
    while :; do
        now=$(e2e_event_count)
        if [ "$now" = "$previous" ]; then
            quiet=$((quiet + 1))
            [ "$quiet" -lt 16 ] || return 0
        else
            quiet=0
        fi
        previous=$now
        [ "$SECONDS" -lt "$deadline" ] || e2e_fail "the target did not go quiet within $timeout s"
        sleep 0.05
    done
}

# What a notch is worth under the active values: unaccelerated, and at full acceleration.
notch_amount() {
    printf '%d\n' $(((120 * active[0] + 50) / 100))
}
notch_amount_at_most() {
    printf '%d\n' $(((120 * active[0] * active[1] + 5000) / 10000 + 1))
}

# The events after FROM as "vertical runs|horizontal deltas|problems": the sums of the runs of
# vertical events of one sign, the horizontal deltas in order, and the count of events that
# break the rules of the effect's state (ON: vertical small and tagged, horizontal whole and
# untagged; OFF: everything whole and untagged).
summarise_events() {
    local from=$1 on=$2
    e2e_events_after "$from" | awk -v tag="$INJECTION_TAG" -v on="$on" '
        {
            tagged = tolower($4) == tag
            if ($2 == "h") {
                horizontal = horizontal sep $3; sep = " "
                if (tagged || ($3 != 120 && $3 != -120)) bad++
                next
            }
            size = $3 < 0 ? -$3 : $3
            if (on) {
                if (!tagged || size == 0 || size > 48) bad++
            } else if (tagged || size != 120) bad++
            sign = $3 > 0 ? 1 : -1
            if (runs == 0 || sign != last) { runs++; sum[runs] = 0; last = sign }
            sum[runs] += $3
        }
        END {
            for (i = 1; i <= runs; i++) printf "%s%d", (i > 1 ? " " : ""), sum[i]
            printf "|%s|%d\n", horizontal, bad + 0
        }'
}

# One random wheel action: a notch, a burst, a reversal, horizontal notches, or a mix; then
# the target's total is checked against what the program accepted.
wheel_action() {
    local kind=$((RANDOM % 5)) direction=$((RANDOM % 2)) delay=$((20 + RANDOM % 41))
    local down=$WHEEL_DOWN up=$WHEEL_UP buttons=() first=0 second=0 i
    if [ "$direction" = 1 ]; then down=$WHEEL_UP up=$WHEEL_DOWN; fi
    case $kind in
    0) buttons=("$down"); first=1 ;;
    1) first=$((2 + RANDOM % 5)); for ((i = 0; i < first; i++)); do buttons+=("$down"); done ;;
    2)
        first=$((1 + RANDOM % 4)) second=$((1 + RANDOM % 4)) delay=$((25 + RANDOM % 36))
        for ((i = 0; i < first; i++)); do buttons+=("$down"); done
        for ((i = 0; i < second; i++)); do buttons+=("$up"); done
        ;;
    3)
        for ((i = 0; i < 1 + RANDOM % 3; i++)); do
            buttons+=($((RANDOM % 2 ? WHEEL_LEFT : WHEEL_RIGHT)))
        done
        ;;
    *)
        first=$((2 + RANDOM % 3))
        for ((i = 0; i < first; i++)); do
            buttons+=("$down" $((RANDOM % 2 ? WHEEL_LEFT : WHEEL_RIGHT)))
        done
        ;;
    esac
    local from
    from=$(e2e_event_count)
    click_sequence "$delay" "${buttons[@]}"
    settle
    count wheel
    check_wheel_action "$from" "$kind" "$direction" "$first" "$second" "${buttons[@]}"
}

check_wheel_action() {
    local from=$1 kind=$2 direction=$3 first=$4 second=$5
    shift 5
    local summary runs horizontal bad want_horizontal='' button sign=-1
    [ "$direction" = 0 ] || sign=1
    for button in "$@"; do
        case $button in
        "$WHEEL_LEFT") want_horizontal+="${want_horizontal:+ }-120" ;;
        "$WHEEL_RIGHT") want_horizontal+="${want_horizontal:+ }120" ;;
        esac
    done
    summary=$(summarise_events "$from" "$effect")
    IFS='|' read -r runs horizontal bad <<<"$summary"
    local what="wheel action ${kind} ($*) with the effect off"
    [ "$effect" = 0 ] || what="wheel action ${kind} ($*) with the effect on"
    [ "$bad" = 0 ] || { e2e_events_after "$from" | head -n 80; e2e_fail "$what: $bad events break the rules"; }
    [ "$horizontal" = "$want_horizontal" ] ||
        e2e_fail "$what: horizontal [$horizontal], want [$want_horizontal]"
    local vertical=$((first + second))
    counts[horizontal]=$((${counts[horizontal]:-0} + $# - vertical))
    if [ "$effect" = 0 ]; then
        counts[notches_off]=$((${counts[notches_off]:-0} + vertical))
        local want_runs=''
        [ "$first" = 0 ] || want_runs=$((sign * 120 * first))
        [ "$second" = 0 ] || want_runs+=" $((-sign * 120 * second))"
        [ "$runs" = "$want_runs" ] || e2e_fail "$what: vertical runs [$runs], want [$want_runs]"
        return 0
    fi
    [ "$vertical" -gt 0 ] || { [ -z "$runs" ] || e2e_fail "$what: vertical [$runs] from nothing"; return 0; }
    counts[notches_on]=$((${counts[notches_on]:-0} + vertical))
    local low high exact=0 run_list
    low=$(notch_amount)
    high=$(notch_amount_at_most)
    [ "${active[1]}" != 100 ] || { high=$low; exact=1; }
    read -r -a run_list <<<"$runs"
    # The last group arrives whole; a reversal may drop part of the one before it, never more.
    local last_group=$first last_sign=$sign
    if [ "$second" -gt 0 ]; then last_group=$second last_sign=$((-sign)); fi
    local last=${run_list[-1]:-0}
    local most_runs=1
    [ "$second" = 0 ] || most_runs=2
    [ "${#run_list[@]}" -le "$most_runs" ] || e2e_fail "$what: vertical runs [$runs]"
    (((last > 0 ? 1 : -1) == last_sign)) || e2e_fail "$what: the last run [$last] has the wrong sign"
    local size=$((last < 0 ? -last : last))
    ((size >= last_group * low && size <= last_group * high)) ||
        e2e_fail "$what: the last group of $last_group notches delivered $last, want" \
            "$((last_sign * last_group * low))$([ "$exact" = 1 ] || echo "..$((last_sign * last_group * high))")"
    delivered=$((delivered + size))
    if [ "$second" -gt 0 ]; then
        local early=0
        [ "${#run_list[@]}" -lt 2 ] || early=${run_list[0]}
        local early_size=$((early < 0 ? -early : early))
        ((early == 0 || (early > 0 ? 1 : -1) == sign)) || e2e_fail "$what: first run [$early]"
        ((early_size <= first * high)) || e2e_fail "$what: the reversed group delivered $early"
        delivered=$((delivered + early_size))
        if [ "$exact" = 1 ]; then
            dropped_by_reversal=$((dropped_by_reversal + first * low - early_size))
            accepted_exact=$((accepted_exact + first * low))
        fi
        count reversal
    fi
    [ "$exact" = 0 ] || accepted_exact=$((accepted_exact + last_group * low))
    if [ "$exact" = 1 ]; then count exact_total; else count bounded_total; fi
}

# Notches, then the effect switched off while they still play: nothing may come a tick later.
switch_off_in_flight() {
    local from after_off
    from=$(e2e_event_count)
    click_sequence 30 "$WHEEL_DOWN" "$WHEEL_DOWN" "$WHEEL_DOWN" "$WHEEL_DOWN"
    e2e_driver command "$IDC_EFFECT_SWITCH" >/dev/null || e2e_fail "the effect switch did not answer"
    effect=0
    # Far more than one 4 ms tick, and the target's queue.
    sleep 0.1
    after_off=$(e2e_event_count)
    sleep 1
    local late
    late=$(e2e_events_after "$after_off" | wc -l)
    [ "$late" = 0 ] || { e2e_events_after "$after_off"; e2e_fail "$late events arrived after the effect went off"; }
    local summary runs horizontal bad
    summary=$(summarise_events "$from" 1)
    IFS='|' read -r runs horizontal bad <<<"$summary"
    if [ "$bad" != 0 ] || [ -n "$horizontal" ]; then
        e2e_fail "switch-off in flight: [$summary]"
    fi
    local sent=$((4 * $(notch_amount))) got=${runs:-0}
    got=${got#-}
    ((got <= 4 * $(notch_amount_at_most))) || e2e_fail "switch-off in flight delivered $runs"
    [ "${active[1]}" != 100 ] || dropped_by_switch_off=$((dropped_by_switch_off + sent - got))
    delivered=$((delivered + got))
    expect_state "$STATE_OFF"
    count switch_off_in_flight
}

toggle_effect() {
    e2e_driver command "$IDC_EFFECT_SWITCH" >/dev/null || e2e_fail "the effect switch did not answer"
    effect=$((1 - effect))
    expect_state "$([ "$effect" = 1 ] && echo "$STATE_ON" || echo "$STATE_OFF")"
    count toggle
}

choose_profile() {
    local chosen=$((1201 + RANDOM % 4))
    e2e_driver command "$chosen" >/dev/null || e2e_fail "profile $chosen did not answer"
    profile=$chosen
    if [ "$chosen" = "$IDM_PROFILE_CUSTOM" ]; then
        active=("${custom[@]}")
    else
        read -r -a active <<<"${PROFILE_VALUES[$chosen]}"
    fi
    expect_parameters "${active[*]}" "profile $chosen"
    settings_changed=1
    count profile
}

move_slider() {
    local index=$((RANDOM % 4)) position
    position=$((RANGE_LOW[index] + RANDOM % (RANGE_HIGH[index] - RANGE_LOW[index] + 1)))
    # No acceleration half the time, so that bursts can be summed exactly.
    [ "$index" != 1 ] || [ $((RANDOM % 2)) = 0 ] || position=100
    e2e_driver slide "${TRACKBARS[$index]}" "$position" >/dev/null ||
        e2e_fail "trackbar ${TRACKBARS[$index]} did not take $position"
    active[index]=$position
    custom=("${active[@]}")
    profile=$IDM_PROFILE_CUSTOM
    expect_parameters "${active[*]}" "slider ${TRACKBARS[$index]} at $position"
    settings_changed=1
    count slider
}

check_alive() {
    local pid
    pid=$(e2e_driver_value pid info) || true
    [ -n "$pid" ] || e2e_fail "Rolvane does not answer"
    kill -0 "$E2E_ROLVANE_PID" 2>/dev/null || e2e_fail "Rolvane.exe is gone"
    expect_state "$([ "$effect" = 1 ] && echo "$STATE_ON" || echo "$STATE_OFF")"
    count alive
}

# "PROFILE C1 C2 C3 C4" as stored; a value that is not a REG_DWORD reads "-".
stored_settings() {
    local name value line=()
    for name in "${VALUE_NAMES[@]}"; do
        value=$(e2e_reg_value "$ROLVANE_SETTINGS_KEY" "$name")
        case $value in
        "REG_DWORD "*) line+=("$((${value#REG_DWORD }))") ;;
        *) line+=(-) ;;
        esac
    done
    printf '%s\n' "${line[*]}"
}

# The registry holds the profile and Custom values in force, within their ranges; the save
# comes with the next 250 ms tick.
check_registry() {
    [ "$settings_changed" = 1 ] || return 0
    local want="$profile ${custom[*]}" got deadline=$((SECONDS + 5))
    while got=$(stored_settings) && [ "$got" != "$want" ]; do
        [ "$SECONDS" -lt "$deadline" ] || e2e_fail "the registry holds [$got], want [$want]"
        sleep 0.1
    done
    count registry
}

# Bytes: the working set as Windows reports it, and the process's anonymous memory.
memory_now() {
    local working_set anonymous
    working_set=$(e2e_driver_value working-set memory)
    anonymous=$(awk '/^Anonymous:/ { print $2 * 1024 }' "/proc/$E2E_ROLVANE_PID/smaps_rollup")
    printf '%s %s\n' "$working_set" "$anonymous"
}

case_soak() {
    local seconds=${ROLVANE_SOAK_SECONDS:-120} seed=${ROLVANE_SOAK_SEED:-$(date +%s)}
    RANDOM=$seed
    printf 'soak: %s s, seed %s (ROLVANE_SOAK_SEED repeats the choices)\n' "$seconds" "$seed"
    e2e_rolvane_end_leftovers
    e2e_reset_registry
    e2e_start_target
    e2e_point_at_target
    e2e_rolvane_start --tray
    expect_state "$STATE_OFF"
    toggle_effect

    local start=$SECONDS elapsed=0 middle='' action
    while [ "$elapsed" -lt "$seconds" ]; do
        if [ -z "$middle" ] && [ "$elapsed" -ge $((seconds / 2)) ]; then
            middle=$(memory_now)
        fi
        action=$((RANDOM % 20))
        if [ "$action" -lt 11 ]; then
            wheel_action
        elif [ "$action" -lt 13 ]; then
            choose_profile
        elif [ "$action" -lt 15 ]; then
            move_slider
        elif [ "$action" -lt 18 ]; then
            # Mostly on: with the effect off the program only has to stay out of the way.
            if [ "$effect" = 0 ]; then
                toggle_effect
            elif [ "$action" = 17 ]; then
                switch_off_in_flight
            elif [ $((RANDOM % 4)) = 0 ]; then
                toggle_effect
            else
                wheel_action
            fi
        elif [ "$action" -lt 19 ]; then
            check_registry
        else
            check_alive
        fi
        elapsed=$((SECONDS - start))
    done
    check_alive
    check_registry
    local end
    end=$(memory_now)
    local middle_ws middle_anon end_ws end_anon
    read -r middle_ws middle_anon <<<"$middle"
    read -r end_ws end_anon <<<"$end"
    printf 'soak: %s s; %s wheel actions: %s notches with the effect on (%s actions summed' \
        "$elapsed" "${counts[wheel]:-0}" "${counts[notches_on]:-0}" "${counts[exact_total]:-0}"
    printf ' exactly, %s within the bounds of acceleration, %s reversals), %s with it off,' \
        "${counts[bounded_total]:-0}" "${counts[reversal]:-0}" "${counts[notches_off]:-0}"
    printf ' %s horizontal; %s profile changes, %s slider moves, %s toggles,' \
        "${counts[horizontal]:-0}" "${counts[profile]:-0}" "${counts[slider]:-0}" \
        "${counts[toggle]:-0}"
    printf ' %s switch-offs in flight, %s registry and %s liveness checks\n' \
        "${counts[switch_off_in_flight]:-0}" "${counts[registry]:-0}" "${counts[alive]:-0}"
    printf 'soak: %s units delivered; where exact, %s accepted, %s dropped by reversals, %s by' \
        "$delivered" "$accepted_exact" "$dropped_by_reversal" "$dropped_by_switch_off"
    printf ' switch-offs, 0 lost\n'
    printf 'soak: working set %s bytes after %s s, %s at the end; anonymous memory %s, %s\n' \
        "$middle_ws" "$((seconds / 2))" "$end_ws" "$middle_anon" "$end_anon"
    local growth=$((end_ws - middle_ws)) anonymous_growth=$((end_anon - middle_anon))
    ((${growth#-} <= MEGABYTE)) || e2e_fail "the working set moved by $growth bytes"
    ((${anonymous_growth#-} <= MEGABYTE)) || e2e_fail "anonymous memory moved by $anonymous_growth bytes"
    e2e_rolvane_exit
    e2e_stop || e2e_fail "the scroll target did not end cleanly"
}

# ---------------------------------------------------------------------------------------------
# Bad starts

# Little-endian hex bytes "b3040000" of a 32-bit NUMBER, or of its first COUNT bytes.
le_bytes() {
    local number=$1 count=${2:-4} i out=''
    for ((i = 0; i < count; i++)); do
        out+=$(printf '%02x' $(((number >> (8 * i)) & 255)))
    done
    printf '%s\n' "$out"
}

# UTF-16LE hex bytes of ASCII TEXT followed by NULS terminating NULs.
utf16_bytes() {
    local text=$1 nuls=$2 out='' i
    for ((i = 0; i < ${#text}; i++)); do
        out+="$(printf '%02x' "'${text:i:1}")00"
    done
    for ((i = 0; i < nuls; i++)); do out+=0000; done
    printf '%s\n' "$out"
}

zeros() {
    printf '%0*d\n' $((2 * $1)) 0
}

# "TYPE HEX" of value NUMBER damaged as DAMAGE: another type, or a REG_DWORD of another size.
damaged_value() {
    local damage=$1 number=$2
    case $damage in
    string) printf '1 %s\n' "$(utf16_bytes "$number" 1)" ;;
    expand_string) printf '2 %s\n' "$(utf16_bytes "$number" 1)" ;;
    multi_string) printf '7 %s\n' "$(utf16_bytes "$number" 2)" ;;
    binary) printf '3 %s\n' "$(le_bytes "$number")" ;;
    qword) printf '11 %s%s\n' "$(le_bytes "$number")" "$(zeros 4)" ;;
    none) printf '0 %s\n' "$(le_bytes "$number")" ;;
    empty) printf '4 \n' ;;
    1_byte) printf '4 %s\n' "$(le_bytes "$number" 1)" ;;
    3_bytes) printf '4 %s\n' "$(le_bytes "$number" 3)" ;;
    8_bytes) printf '4 %s%s\n' "$(le_bytes "$number")" "$(zeros 4)" ;;
    1_kb) printf '4 %s%s\n' "$(le_bytes "$number")" "$(zeros 1020)" ;;
    esac
}

# The size in bytes of DAMAGE, for the profile's reading: the 4-byte buffer preset to 1202
# takes up to 4 bytes of any type; a longer value leaves the preset.
damaged_size() {
    case $1 in
    empty) echo 0 ;;
    1_byte) echo 1 ;;
    3_bytes) echo 3 ;;
    binary | none) echo 4 ;;
    *) echo 99 ;;
    esac
}

# The profile in force with "Profile" = NUMBER damaged as DAMAGE.
profile_read_from() {
    local damage=$1 number=$2 size buffer=1202 mask
    size=$(damaged_size "$damage")
    if [ "$size" -le 4 ]; then
        mask=$(((1 << (8 * size)) - 1))
        buffer=$(((1202 & ~mask) | (number & mask)))
    fi
    if [ "$buffer" -ge 1201 ] && [ "$buffer" -le 1204 ]; then echo "$buffer"; else echo 1202; fi
}

values_of_profile() {
    local chosen=$1 custom_values=$2
    if [ "$chosen" = "$IDM_PROFILE_CUSTOM" ]; then echo "$custom_values"; else echo "${PROFILE_VALUES[$chosen]}"; fi
}

# Once in a long scripts/test run this helper has failed without a word; it is only the test's
# own access to the registry, so it is tried again and the failure reported.
registry_plant() {
    local attempt status=0 output
    for attempt in 1 2 3; do
        if output=$(timeout 30 wine "$ROLVANE_WIN_BUILD_DIR/tests/e2e/registry_plant.exe" "$@" \
            2>>"$E2E_CASE_DIR/wine.log" | tr -d '\r'); then
            [ -z "$output" ] || printf '%s\n' "$output"
            return 0
        else
            status=$?
        fi
        printf 'registry_plant %s failed with status %s (attempt %s)\n' "$1" "$status" "$attempt" >&2
        sleep 0.5
    done
    return "$status"
}

# The five values byte for byte: "NAME TYPE SIZE HEX" each.
stored_bytes() {
    registry_plant show 'Software\Rolvane' "${VALUE_NAMES[@]}"
}

# All five values valid but the one at INDEX, damaged as DAMAGE; the key replaced whole.
plant_settings() {
    local index=$1 damage=$2 profile_number=$3 i type data arguments=()
    local numbers=("$profile_number" 70 200 60 300)
    for i in "${!VALUE_NAMES[@]}"; do
        if [ "$i" = "$index" ]; then
            read -r type data <<<"$(damaged_value "$damage" "${numbers[$i]}")"
        else
            type=4 data=$(le_bytes "${numbers[$i]}")
        fi
        arguments+=("${VALUE_NAMES[$i]}" "$type" "$data")
    done
    registry_plant set 'Software\Rolvane' "${arguments[@]}" >/dev/null ||
        e2e_fail "could not plant ${VALUE_NAMES[$index]} as $damage"
}

case_bad_starts() {
    e2e_rolvane_end_leftovers
    e2e_reset_registry
    local damages=(string expand_string multi_string binary qword none empty 1_byte 3_bytes 8_bytes
        1_kb)
    local index damage starts=0 profile_number shown_profile planted after want_custom
    for index in "${!VALUE_NAMES[@]}"; do
        for damage in "${damages[@]}"; do
            # Fast when the profile is valid; its damaged forms are read from 1203.
            profile_number=1203
            plant_settings "$index" "$damage" "$profile_number"
            planted=$(stored_bytes) || e2e_fail "no settings key planted"
            e2e_rolvane_start --tray
            if [ "$index" = 0 ]; then
                shown_profile=$(profile_read_from "$damage" "$profile_number")
                want_custom="70 200 60 300"
            else
                shown_profile=$profile_number
                want_custom=$BUILT_IN_CUSTOM
            fi
            expect_parameters "$(values_of_profile "$shown_profile" "$want_custom")" \
                "${VALUE_NAMES[$index]} as $damage"
            after=$(stored_bytes) || e2e_fail "the settings key is gone"
            [ "$after" = "$planted" ] ||
                e2e_fail "${VALUE_NAMES[$index]} as $damage: the start changed the stored values"
            # Custom shows the Custom values that were loaded: all four valid ones, or none.
            e2e_driver command "$IDM_PROFILE_CUSTOM" >/dev/null || e2e_fail "Custom did not answer"
            expect_parameters "$want_custom" "${VALUE_NAMES[$index]} as $damage, then Custom"
            e2e_rolvane_exit
            starts=$((starts + 1))
            printf 'ok: %s as %s: profile %s in force, Custom %s, nothing written at start\n' \
                "${VALUE_NAMES[$index]}" "$damage" "$shown_profile" "$want_custom"
        done
    done
    e2e_rolvane_forget_settings
    ok "$starts starts, each with one stored value damaged, each valid value kept"
}

# ---------------------------------------------------------------------------------------------
# Start with Windows from a path with blanks and non-ASCII letters

# The Run value "Rolvane" as text, read from an export (UTF-16) so no letter is lost.
run_value() {
    local file=$E2E_CASE_DIR/run.reg
    rm -f "$file"
    e2e_reg export "$ROLVANE_RUN_KEY" "$(windows_path "$file")" /y >/dev/null 2>&1 || true
    [ -f "$file" ] || return 0
    iconv -f UTF-16LE -t UTF-8 "$file" | tr -d '\r' |
        sed -n 's/^"Rolvane"="\(.*\)"$/\1/p' | sed 's/\\"/"/g; s/\\\\/\\/g'
}

# Starts Rolvane.exe by its Windows path, as a logon start would, and waits for its window.
start_rolvane_at() {
    local windows_exe=$1
    ! e2e_driver wait-window 0 >/dev/null || e2e_fail "a Rolvane window is already open"
    wine "$windows_exe" --tray >>"$E2E_CASE_DIR/wine.log" 2>&1 &
    E2E_ROLVANE_PID=$!
    echo Rolvane >"$E2E_WORK/rolvane-pids/$E2E_ROLVANE_PID"
    e2e_driver wait-window $((E2E_READY_TIMEOUT * 1000)) >/dev/null ||
        e2e_fail "no Rolvane window from [$windows_exe] within ${E2E_READY_TIMEOUT} s"
}

case_odd_path() {
    e2e_rolvane_end_leftovers
    e2e_reset_registry
    local folder='Program Files/Plynulé kolečko Ω'
    local unix_dir="$WINEPREFIX/drive_c/$folder"
    local windows_exe="C:\\${folder//\//\\}\\Rolvane.exe"
    mkdir -p "$unix_dir"
    cp "$ROLVANE_WIN_BUILD_DIR/Rolvane.exe" "$unix_dir/Rolvane.exe"
    start_rolvane_at "$windows_exe"
    e2e_driver command "$IDC_AUTOSTART_SWITCH" >/dev/null || e2e_fail "the autostart switch did not answer"
    local want="\"$windows_exe\" --tray" got
    got=$(run_value)
    [ "$got" = "$want" ] || e2e_fail "the Run value is [$got], want [$want]"
    ok "Run value: $got"
    e2e_rolvane_exit

    # What the logon start does: run the stored command line's program with its switch.
    local stored_path=${got#\"}
    stored_path=${stored_path%%\"*}
    [ "${got#\""$stored_path"\" }" = --tray ] || e2e_fail "no --tray after the quoted path in [$got]"
    start_rolvane_at "$stored_path"
    [ "$(e2e_driver_value visible info)" = 0 ] || e2e_fail "the logon start showed its window"
    e2e_driver command "$IDC_AUTOSTART_SWITCH" >/dev/null || e2e_fail "the autostart switch did not answer"
    [ -z "$(run_value)" ] || e2e_fail "the Run value is still there after switching it off"
    e2e_rolvane_exit
    rm -rf "$unix_dir"
    ok "started hidden from [$stored_path]; switched off again, the Run value is gone"
}

[ $# -eq 1 ] || e2e_fail "usage: $0 soak|bad_starts|odd_path"
declare -F "case_$1" >/dev/null || e2e_fail "unknown case $1"
e2e_require_program
e2e_begin "reliability_$1"
trap 'e2e_rolvane_stop_quietly; e2e_stop >/dev/null 2>&1 || true; e2e_reset_registry >/dev/null 2>&1 || true' EXIT
"case_$1"
printf 'PASS %s\n' "$1"

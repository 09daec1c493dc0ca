# shellcheck shell=bash
# The Wine part of scripts/measure; sourced, not run. Runs the real Rolvane.exe in an Xvfb
# and a Wine prefix of its own (build/measure/wine-prefix), so it neither waits for nor
# disturbs scripts/test, and records start-up time, size, CPU time and what real notches
# turn into at a window that logs every wheel message it receives.

ROLVANE_WIN_BUILD_DIR=$WIN_TREE
E2E_WORK=$MEASURE_DIR/wine-work
# shellcheck source-path=SCRIPTDIR source=../tests/e2e/e2e_lib.sh
source "$ROLVANE_ROOT/tests/e2e/e2e_lib.sh"

ROLVANE_TITLE_PATTERN='^Rolvane 0\.6 - '
IDC_EFFECT_SWITCH=1005
WHEEL_DOWN=5
BURST_NOTCHES=5
BURST_GAP_MS=30
# Notches closer together than this make one movement; the paces below keep them apart.
MOVEMENT_GAP_MS=300
# Relaxed notches come this long after the previous pulse has ended.
RELAXED_PAUSE_MS=150
SETTLE_MS=400
SCROLL_NOTCHES_PER_SECOND=10

if [ -n "$SHORT" ]; then
    RELAXED_NOTCHES=5 BURSTS=2 COST_SECONDS=5 STARTS=3
else
    RELAXED_NOTCHES=50 BURSTS=10 COST_SECONDS=30 STARTS=10
fi

IDLE_PID=
WINESERVER_PID=
PROBE_LOG=

wine_cleanup() {
    if [ -n "$IDLE_PID" ]; then
        kill "$IDLE_PID" 2>/dev/null || true
        IDLE_PID=
    fi
    e2e_stop >/dev/null 2>&1 || true
    e2e_rolvane_stop_quietly >/dev/null 2>&1 || true
    stop_wineserver
    stop_xvfb
}

sleep_ms() {
    sleep "$(awk -v ms="$1" 'BEGIN { printf "%.3f", ms / 1000 }')"
}

now_us() {
    echo $(($(date +%s%N) / 1000))
}

# The wineserver of our prefix: the one whose working folder is named after the prefix's
# device and inode.
find_wineserver() {
    local suffix pid
    suffix=server-$(stat -c %D "$WINEPREFIX")-$(printf %x "$(stat -c %i "$WINEPREFIX")")
    for pid in $(pgrep wineserver || true); do
        if [[ $(readlink "/proc/$pid/cwd" 2>/dev/null) == */"$suffix" ]]; then
            echo "$pid"
            return 0
        fi
    done
}

# User plus system time of a process, in clock ticks; 0 for none.
cpu_ticks() {
    if [ -n "$1" ] && [ -r "/proc/$1/stat" ]; then
        sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
    else
        echo 0
    fi
}

# Context switches of all threads of a process (each wake-up is one); 0 for none.
context_switches() {
    if [ -n "$1" ] && [ -d "/proc/$1/task" ]; then
        cat "/proc/$1"/task/*/status 2>/dev/null |
            awk '/^(non)?voluntary_ctxt_switches:/ { n += $2 } END { print n + 0 }'
    else
        echo 0
    fi
}

# Balanced in force, and the Custom profile with values of its own.
plant_settings() {
    local file=$E2E_CASE_DIR/settings.reg step acceleration window tail
    IFS=, read -r step acceleration window tail <<<"$CUSTOM_VALUES"
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Rolvane]\r\n' >"$file"
    printf '"%s"=dword:%08x\r\n' Profile 1202 CustomStepPercent "$step" \
        CustomMaxAccelerationPercent "$acceleration" CustomAccelerationWindowMs "$window" \
        CustomSmoothDurationMs "$tail" >>"$file"
    timeout 60 wine reg import "$(windows_path "$file")" >>"$E2E_CASE_DIR/wine.log" 2>&1 ||
        e2e_fail "could not plant the settings"
}

# "count median p90 p99 max mean" of the numbers on stdin, ranks as in wheel_e2e.sh.
percentiles() {
    sort -g | awk '
        { value[NR] = $1; total += $1 }
        function rank(p,   i) { i = int(p * NR + 0.999999); if (i < 1) i = 1; return value[i] }
        END {
            if (NR == 0) { print "0 - - - - -"; exit }
            printf "%d %.2f %.2f %.2f %.2f %.2f\n", NR, rank(0.5), rank(0.9), rank(0.99),
                value[NR], total / NR
        }'
}

measure_size() {
    record program Rolvane.exe size_bytes "$(stat -c %s "$WIN_TREE/Rolvane.exe")"
}

# From the start of the process to its window being mapped on the X display, with the
# server warm; a first start that is not counted warms the caches.
measure_startup() {
    local run started pid deadline median max times=()
    note "start-up: $STARTS starts to a visible window"
    for run in $(seq 0 "$STARTS"); do
        started=$(now_us)
        wine "$WIN_TREE/Rolvane.exe" >>"$E2E_CASE_DIR/wine.log" 2>&1 &
        pid=$!
        E2E_ROLVANE_PID=$pid
        echo Rolvane >"$E2E_WORK/rolvane-pids/$pid"
        deadline=$((SECONDS + 20))
        until xdotool search --all --onlyvisible --pid "$pid" --name "$ROLVANE_TITLE_PATTERN" \
            >/dev/null 2>&1; do
            kill -0 "$pid" 2>/dev/null || e2e_fail "Rolvane.exe exited during start-up"
            [ "$SECONDS" -lt "$deadline" ] || e2e_fail "no visible Rolvane window within 20 s"
            sleep 0.005
        done
        [ "$run" -eq 0 ] || times+=("$((($(now_us) - started) / 1000))")
        e2e_rolvane_exit
    done
    read -r _ median _ _ max _ < <(printf '%s\n' "${times[@]}" | percentiles)
    record startup Rolvane.exe median_ms "$median"
    record startup Rolvane.exe max_ms "$max"
    record startup Rolvane.exe all_ms "${times[*]}"
}

# CPU time over one phase, as a share of one core, for Rolvane.exe, the idle program and
# the Wine server (which works for every program of the prefix).
cost_phase() {
    local phase=$1 before=() after switches=() start_us end_us index who
    shift
    local pids=("$E2E_ROLVANE_PID" "$IDLE_PID" "$WINESERVER_PID") names=(rolvane idle_app wineserver)
    for index in 0 1 2; do
        before+=("$(cpu_ticks "${pids[$index]}")")
        switches+=("$(context_switches "${pids[$index]}")")
    done
    start_us=$(now_us)
    "$@"
    end_us=$(now_us)
    for index in 0 1 2; do
        who=${names[$index]}
        after=$(cpu_ticks "${pids[$index]}")
        record cost "$phase" "${who}_percent" "$(awk -v d="$((after - before[index]))" \
            -v hz="$(getconf CLK_TCK)" -v us="$((end_us - start_us))" \
            'BEGIN { printf "%.2f", d / hz / (us / 1e6) * 100 }')"
        after=$(context_switches "${pids[$index]}")
        record cost "$phase" "${who}_switches_per_second" "$(awk \
            -v d="$((after - switches[index]))" -v us="$((end_us - start_us))" \
            'BEGIN { printf "%.0f", d / (us / 1e6) }')"
    done
    record cost "$phase" seconds "$(awk -v us="$((end_us - start_us))" 'BEGIN { printf "%.1f", us / 1e6 }')"
}

measure_cost() {
    local from notches=$((COST_SECONDS * SCROLL_NOTCHES_PER_SECOND))
    note "cost: ${COST_SECONDS} s each idle with the effect off, idle with it on, scrolling"
    cost_phase idle_effect_off sleep "$COST_SECONDS"
    e2e_driver command "$IDC_EFFECT_SWITCH" >/dev/null || e2e_fail "could not switch the effect on"
    cost_phase idle_effect_on sleep "$COST_SECONDS"
    from=$(e2e_event_count)
    cost_phase scrolling e2e_wheel "$WHEEL_DOWN" "$notches" $((1000 / SCROLL_NOTCHES_PER_SECOND))
    # Balanced has no acceleration: every notch is worth exactly -120.
    e2e_wait_for_sum "$from" v $((notches * -120)) 15
    local untagged
    untagged=$(e2e_events_after "$from" |
        awk -v tag="$INJECTION_TAG" '$2 == "v" && tolower($4) != tag { n++ } END { print n + 0 }')
    [ "$untagged" -eq 0 ] || e2e_fail "$untagged notches reached the target: the effect is not on"
    record cost scrolling notches "$notches"
    record cost scrolling sum "$(e2e_sum_after "$from" v)"
}

probe_notch_count() {
    grep -c '^[0-9]' "$PROBE_LOG" || true
}

# Waits until the target has received nothing new for half a second.
wait_until_quiet() {
    local count previous=-1 quiet=0 deadline=$((SECONDS + 20))
    while [ "$quiet" -lt 10 ] && [ "$SECONDS" -lt "$deadline" ]; do
        count=$(e2e_event_count)
        if [ "$count" = "$previous" ]; then quiet=$((quiet + 1)); else quiet=0; fi
        previous=$count
        sleep 0.05
    done
}

# Per movement (notches less than MOVEMENT_GAP_MS apart): "start notches events sum first
# last" in µs; the intervals between its events, in ms, go to INTERVALS. Input: the notches
# ("TIME_US ... DELTA"), then the events ("TIME_US KIND DELTA ...").
movements() {
    awk -v gap_us=$((MOVEMENT_GAP_MS * 1000)) -v intervals="$3" '
        FNR == NR {
            if (groups == 0 || $1 - lastNotch >= gap_us) { start[++groups] = $1 }
            notches[groups]++
            lastNotch = $1
            next
        }
        $2 == "v" {
            while (current < groups && $1 >= start[current + 1]) current++
            if (current == 0) { stray++; next }
            if (count[current] == 0) first[current] = $1
            else printf "%.3f\n", ($1 - last[current]) / 1000 > intervals
            count[current]++
            sum[current] += $3
            last[current] = $1
        }
        END {
            for (g = 1; g <= groups; g++)
                printf "%.0f %d %d %d %.0f %.0f\n", start[g], notches[g], count[g], sum[g],
                    first[g], last[g]
            if (stray) printf "%d stray events before the first notch\n", stray > "/dev/stderr"
        }' "$1" "$2"
}

# "MIN MAX" of the sums that rolvane-sim gives for COUNT notches of a phase from the FIRST
# (1-based) on, when Rolvane's hook read each notch's millisecond tick either as the probe
# did or one later: it reads it a little after the probe, and a tick may turn in between.
tick_rounding_range() {
    local file=$1 first=$2 count=$3 mask
    shift 3
    [ "$count" -le 8 ] || { echo "- -"; return 0; }
    for ((mask = 0; mask < 1 << count; mask++)); do
        sed -n "${first},$((first + count - 1))p" "$file" |
            awk -v mask="$mask" 'NR == 1 { first = $2 }
                { late = int(mask / 2 ^ (NR - 1)) % 2; printf "%d:%d\n", $2 - first + late, $3 }' |
            xargs "$SIM" "$@" | sed -n 's/^events [0-9]* sum \(-*[0-9]*\) .*/\1/p'
    done | sort -n | sed -n '1p;$p' | paste -sd ' '
}

# Movements whose sum differs from the expected one but lies within what the two hooks'
# tick readings can make of it.
within_tick_rounding() {
    local dir=$1 number=0 first=1 notches sum expected min max within=0
    shift
    while read -r _ notches _ sum _ _ expected; do
        number=$((number + 1))
        if [ "$sum" != "$expected" ]; then
            read -r min max < <(tick_rounding_range "$dir/notches.txt" "$first" "$notches" "$@")
            if [ "$min" != - ] && [ "$sum" -ge "$min" ] && [ "$sum" -le "$max" ]; then
                within=$((within + 1))
            fi
            printf 'movement %d: sum %s, expected %s, %s to %s with the tick read 1 ms later\n' \
                "$number" "$sum" "$expected" "$min" "$max" >>"$dir/inexact.txt"
        fi
        first=$((first + notches))
    done < <(paste -d ' ' "$dir/movements.txt" <(awk '{ print $4 }' "$dir/sim-movements.txt"))
    echo "$within"
}

# Records what one phase of real notches became, beside what rolvane-sim makes of the same
# notches at the same millisecond ticks (the ideal: a perfect 4 ms clock).
analyse_phase() {
    local profile=$1 pace=$2 probe_from=$3 probe_to=$4 target_from=$5 target_to=$6
    local dir=$RAW/wine/$profile-$pace subject=$profile.$pace args=()
    mkdir -p "$dir"
    grep '^[0-9]' "$PROBE_LOG" | sed -n "$((probe_from + 1)),${probe_to}p" >"$dir/notches.txt"
    grep '^[0-9]' "$E2E_TARGET_LOG" | sed -n "$((target_from + 1)),${target_to}p" >"$dir/events.txt"
    [ -s "$dir/notches.txt" ] || e2e_fail "$subject: the probe saw no notches"

    mapfile -t args < <(sim_profile_args "$profile")
    awk 'NR == 1 { first = $2 } { printf "%d:%d\n", $2 - first, $3 }' "$dir/notches.txt" \
        >"$dir/sim-input.txt"
    xargs "$SIM" "${args[@]}" <"$dir/sim-input.txt" >"$dir/sim.txt"
    awk 'NR == 1 { first = $2 } { print ($2 - first) * 1000, $3 }' "$dir/notches.txt" \
        >"$dir/sim-notches.txt"
    awk 'NF == 2 { print $1 * 1000, "v", $2 }' "$dir/sim.txt" >"$dir/sim-events.txt"

    movements "$dir/notches.txt" "$dir/events.txt" "$dir/intervals.txt" >"$dir/movements.txt" \
        2>"$dir/stray.txt"
    movements "$dir/sim-notches.txt" "$dir/sim-events.txt" "$dir/sim-intervals.txt" \
        >"$dir/sim-movements.txt" 2>/dev/null
    touch "$dir/intervals.txt" "$dir/sim-intervals.txt"

    local notches events sum expected movements exact
    read -r movements notches events sum < <(awk '
        { n++; notches += $2; events += $3; sum += $4 } END { print n, notches, events, sum }' \
        "$dir/movements.txt")
    expected=$(awk '{ sum += $4 } END { print sum }' "$dir/sim-movements.txt")
    exact=$(paste -d ' ' "$dir/movements.txt" "$dir/sim-movements.txt" |
        awk '$4 == $10 { n++ } END { print n + 0 }')
    record wine "$subject" notches "$notches"
    record wine "$subject" movements "$movements"
    record wine "$subject" events "$events"
    record wine "$subject" events_per_notch "$(awk -v e="$events" -v n="$notches" 'BEGIN { printf "%.1f", e / n }')"
    record wine "$subject" sum "$sum"
    record wine "$subject" expected_sum "$expected"
    record wine "$subject" exact_movements "$exact"
    record wine "$subject" tick_rounding_movements "$(within_tick_rounding "$dir" "${args[@]}")"
    local stray
    stray=$(awk '{ print $1 }' "$dir/stray.txt" | head -n 1)
    record wine "$subject" stray_events "${stray:-0}"

    local count median p90 p99 max mean
    read -r count median p90 p99 max mean < <(percentiles <"$dir/intervals.txt")
    record wine "$subject" intervals "$count"
    record wine "$subject" interval_median_ms "$median"
    record wine "$subject" interval_p90_ms "$p90"
    record wine "$subject" interval_p99_ms "$p99"
    record wine "$subject" interval_max_ms "$max"
    record wine "$subject" interval_mean_ms "$mean"
    record wine "$subject" intervals_under_1ms "$(awk '$1 < 1 { n++ } END { print n + 0 }' "$dir/intervals.txt")"
    read -r count median p90 p99 max mean < <(percentiles <"$dir/sim-intervals.txt")
    record wine "$subject" ideal_interval_median_ms "$median"
    record wine "$subject" ideal_interval_p90_ms "$p90"
    record wine "$subject" ideal_interval_p99_ms "$p99"
    record wine "$subject" ideal_interval_max_ms "$max"

    [ "$pace" = relaxed ] || return 0
    # An isolated notch: from the notch to its first and last event, and first to last.
    # Movement columns: 1 notch, 5 first event, 6 last event.
    local what to from
    for what in latency:5:1 span:6:5 to_last:6:1; do
        IFS=: read -r what to from <<<"$what"
        read -r _ median _ _ max _ < <(awk -v to="$to" -v from="$from" \
            '$3 > 0 { printf "%.3f\n", ($to - $from) / 1000 }' "$dir/movements.txt" | percentiles)
        record wine "$subject" "${what}_median_ms" "$median"
        record wine "$subject" "${what}_max_ms" "$max"
        read -r _ median _ _ _ _ < <(awk -v to="$to" -v from="$from" \
            '$3 > 0 { printf "%.3f\n", ($to - $from) / 1000 }' "$dir/sim-movements.txt" | percentiles)
        record wine "$subject" "ideal_${what}_ms" "$median"
    done
}

# One phase of real notches under one profile: relaxed single notches or bursts.
input_phase() {
    local profile=$1 pace=$2 tail=${PROFILE_TAIL_MS[$1]} want
    local probe_from target_from
    probe_from=$(probe_notch_count)
    target_from=$(e2e_event_count)
    if [ "$pace" = relaxed ]; then
        want=$RELAXED_NOTCHES
        e2e_wheel "$WHEEL_DOWN" "$RELAXED_NOTCHES" $((tail + RELAXED_PAUSE_MS))
        sleep_ms $((tail + SETTLE_MS))
    else
        want=$((BURSTS * BURST_NOTCHES))
        for _ in $(seq "$BURSTS"); do
            e2e_wheel "$WHEEL_DOWN" "$BURST_NOTCHES" "$BURST_GAP_MS"
            sleep_ms $((tail + SETTLE_MS))
        done
    fi
    wait_until_quiet
    [ "$(probe_notch_count)" -eq $((probe_from + want)) ] ||
        e2e_fail "$profile $pace: the probe saw $(($(probe_notch_count) - probe_from)) notches, not $want"
    analyse_phase "$profile" "$pace" "$probe_from" "$(probe_notch_count)" "$target_from" \
        "$(e2e_event_count)"
}

measure_input() {
    local profile
    PROBE_LOG=$E2E_CASE_DIR/probe.log
    : >"$PROBE_LOG"
    e2e_launch notch_probe --log "$(windows_path "$PROBE_LOG")"
    e2e_wait_for_line "$PROBE_LOG" '^ready' "$E2E_LAST_PID" notch_probe
    for profile in "${PROFILES[@]}"; do
        note "real notches, $profile: $RELAXED_NOTCHES relaxed, $BURSTS bursts of $BURST_NOTCHES"
        e2e_driver command "${PROFILE_ID[$profile]}" >/dev/null ||
            e2e_fail "could not choose the $profile profile"
        sleep 0.3
        input_phase "$profile" relaxed
        input_phase "$profile" bursts
    done
}

measure_under_wine() {
    trap wine_cleanup EXIT
    trap 'exit 130' INT TERM
    export_wine_environment "$MEASURE_DIR/wine-prefix"
    # A server of this prefix left by an earlier run would still show its desktop on that
    # run's display, which is gone.
    wineserver -k >/dev/null 2>&1 || true
    start_xvfb
    note "Xvfb on $DISPLAY, Wine prefix build/measure/wine-prefix"
    run_logged measure-prefix prepare_prefix
    keep_wineserver_warm
    record machine - wine "$(wine --version)"
    e2e_begin measure
    mkdir -p "$E2E_WORK/rolvane-pids" "$RAW/wine"
    e2e_rolvane_end_leftovers
    plant_settings
    WINESERVER_PID=$(find_wineserver)

    measure_size
    measure_startup

    note "Rolvane.exe, a do-nothing program and the scroll target"
    # shellcheck disable=SC2119 # started without arguments, window shown
    e2e_rolvane_start
    wine "$WIN_TREE/tests/e2e/idle_app.exe" >>"$E2E_CASE_DIR/wine.log" 2>&1 &
    IDLE_PID=$!
    e2e_start_target
    e2e_point_at_target
    sleep 1
    measure_cost
    measure_input
    cp "$E2E_CASE_DIR/probe.log" "$E2E_TARGET_LOG" "$RAW/wine/"
    wine_cleanup
    trap - EXIT
}

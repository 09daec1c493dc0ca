# shellcheck shell=bash
# The Markdown tables of scripts/measure, from the RESULT figures; sourced, not run.

r() {
    printf '%s' "${RESULT[$1]:--}"
}

# "met" when A <= B, "missed" when not, "-" when a figure is missing.
goal() {
    awk -v a="$1" -v b="$2" 'BEGIN {
        if (a == "" || a == "-" || b == "" || b == "-") print "-"
        else print (a + 0 <= b + 0) ? "met" : "missed" }'
}

# A time in ns, in the unit that suits it.
duration() {
    awk -v ns="$1" 'BEGIN {
        if (ns == "" || ns == "-") print "-"
        else if (ns >= 1e6) printf "%.1f ms\n", ns / 1e6
        else if (ns >= 1e3) printf "%.2f µs\n", ns / 1e3
        else printf "%.1f ns\n", ns }'
}

report_header() {
    printf '# Rolvane performance: figures from scripts/measure\n\n'
    printf -- '- Date: %s; commit %s; the whole run took %s s\n' "$(r machine/-/date)" \
        "$(r machine/-/commit)" "$(r machine/-/run_seconds)"
    printf -- '- Processor: %s, %s cores (shared with other work)\n' "$(r machine/-/cpu)" \
        "$(r machine/-/cores)"
    printf -- '- Load average (1, 5, 15 min): %s at the start, %s at the end\n' \
        "$(r machine/-/load_start)" "$(r machine/-/load_end)"
    printf -- '- Linux %s; %s; %s; %s\n\n' "$(r machine/-/kernel)" "$(r machine/-/host_compiler)" \
        "$(r machine/-/windows_compiler)" "$(r machine/-/wine)"
}

report_benchmarks() {
    local accepted=${RESULT[bench/BM_FilterAcceptedNotch/cpu_ns]:-}
    local ratio=${RESULT[bench/BM_FilterAcceptedNotch/ratio_to_floor]:-}
    local tick=${RESULT[bench/BM_AnimatorTick/64/cpu_ns]:-}
    printf '## Host benchmarks\n\n'
    printf 'CPU time per call, median of 5 repetitions (Google Benchmark, Release build).\n\n'
    printf '| Hot path | CPU time | × empty call | Goal | |\n|---|---:|---:|---|---|\n'
    printf '| Empty function of the filter'"'"'s shape, called the same way (the floor) | %s | 1.0 | | |\n' \
        "$(duration "$(r bench/BM_EmptyFunction/cpu_ns)")"
    printf '| Filter: mouse move, passed on | %s | %s | | |\n' \
        "$(duration "$(r bench/BM_FilterMouseMove/cpu_ns)")" "$(r bench/BM_FilterMouseMove/ratio_to_floor)"
    printf '| Filter: injected wheel event, passed on | %s | %s | | |\n' \
        "$(duration "$(r bench/BM_FilterInjectedWheel/cpu_ns)")" \
        "$(r bench/BM_FilterInjectedWheel/ratio_to_floor)"
    printf '| Filter: accepted notch | %s | %s | < 100 ns | %s |\n' \
        "$(duration "$accepted")" "$ratio" "$(goal "$accepted" 100)"
    printf '| … of which its two atomic read-modify-writes alone | %s | %s | | |\n' \
        "$(duration "$(r bench/BM_NotchAtomicsOnly/cpu_ns)")" "$(r bench/BM_NotchAtomicsOnly/ratio_to_floor)"
    printf '| Accepted notch ÷ its atomic read-modify-writes | %s× | | ≤ 2.5× | %s |\n' \
        "$(r bench/BM_FilterAcceptedNotch/ratio_to_atomics)" \
        "$(goal "$(r bench/BM_FilterAcceptedNotch/ratio_to_atomics)" 2.5)"
    local pulses
    for pulses in 0 1 16; do
        printf '| Animator tick, %s pulses | %s | | | |\n' "$pulses" \
            "$(duration "$(r "bench/BM_AnimatorTick/$pulses/cpu_ns")")"
    done
    printf '| Animator tick, 64 pulses | %s | | < 5 µs | %s |\n' "$(duration "$tick")" \
        "$(goal "$tick" 5000)"
    printf '| rolvane-sim engine run, 10,000 random notches | %s | | | |\n\n' \
        "$(duration "$(r bench/BM_SimulateRandomNotches/10000/cpu_ns)")"
}

report_exactness() {
    local profile p
    printf '## Exactness: %s random notches per profile in rolvane-sim (seed %s)\n\n' \
        "$EXACTNESS_NOTCHES" "$EXACTNESS_SEED"
    printf 'Units as sizes (both directions counted positive); the balance itself is signed.\n\n'
    printf '| Profile | Accepted | Injected | Dropped by reversals | Held at end | Lost or invented | Cancelled in the remainder | Full-queue merges | Largest gap | Largest gap, 48-unit clamp holding |\n'
    printf '|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n'
    for profile in "${PROFILES[@]}"; do
        p=exactness/$profile
        printf '| %s | %s | %s | %s (%s reversals) | %s | %s | %s | %s | %s | %s |\n' "$profile" \
            "$(r "$p/accepted_size")" "$(r "$p/delivered_size")" "$(r "$p/dropped_size")" \
            "$(r "$p/reversals")" "$(r "$p/held_units")" "$(r "$p/lost_or_invented_units")" \
            "$(r "$p/cancelled_size")" "$(r "$p/full_queue_merges")" "$(r "$p/largest_gap_units")" \
            "$(r "$p/largest_gap_clamped_units")"
    done
    printf '\nGoal: nothing lost or invented; a gap of at most one unit except while the clamp holds.\n\n'
}

tick_rounding_note() {
    local within=${RESULT[$1/tick_rounding_movements]:-0}
    [ "$within" = 0 ] || printf ' (+%s within tick rounding)' "$within"
}

report_wine() {
    local profile pace w
    [ -n "${RESULT[wine/soft.relaxed/notches]:-}" ] || return 0
    printf '## Real notches under Wine\n\n'
    printf 'Rolvane.exe with the effect on, notches from xdotool over a window that logs each\n'
    printf 'wheel message with its performance-counter time. Relaxed: one notch %s ms after the\n' \
        "$RELAXED_PAUSE_MS"
    printf 'previous pulse ended; bursts: %s notches %s ms apart. Custom is %s (step %%,\n' \
        "$BURST_NOTCHES" "$BURST_GAP_MS" "$CUSTOM_VALUES"
    printf 'max. acceleration %%, window ms, tail ms). A second low-level hook (probe.exe),\n'
    printf 'ahead of Rolvane'"'"'s in the chain, logged when each notch came and the millisecond tick\n'
    printf 'that Rolvane'"'"'s hook reads for its gaps. Expected and ideal: rolvane-sim with the same\n'
    printf 'notches at the same ticks, on a perfect 4 ms clock. A movement is one notch, or one burst.\n\n'
    printf '| Profile | Pace | Notches | Events per notch | Sum (expected) | Exact movements | Interval median | p90 | p99 | max | mean | Ideal p90 / p99 / max |\n'
    printf '|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n'
    for profile in "${PROFILES[@]}"; do
        for pace in relaxed bursts; do
            w=wine/$profile.$pace
            printf '| %s | %s | %s | %s | %s (%s) | %s of %s%s | %s | %s | %s | %s | %s | %s / %s / %s |\n' \
                "$profile" "$pace" "$(r "$w/notches")" "$(r "$w/events_per_notch")" "$(r "$w/sum")" \
                "$(r "$w/expected_sum")" "$(r "$w/exact_movements")" "$(r "$w/movements")" \
                "$(tick_rounding_note "$w")" \
                "$(r "$w/interval_median_ms")" "$(r "$w/interval_p90_ms")" \
                "$(r "$w/interval_p99_ms")" "$(r "$w/interval_max_ms")" "$(r "$w/interval_mean_ms")" \
                "$(r "$w/ideal_interval_p90_ms")" "$(r "$w/ideal_interval_p99_ms")" \
                "$(r "$w/ideal_interval_max_ms")"
        done
    done
    printf '\nIntervals in ms. Goal: sums exact; interval median within 5 %% of 4 ms (3.8 to 4.2);\n'
    printf 'at full speed the 99th percentile under 6 ms. Full speed, %s fast bursts with only\n' \
        "$((BURSTS * 3))"
    printf 'Rolvane'"'"'s hook in the chain: %s intervals, median %s, p90 %s, p99 %s (%s), max %s.\n' \
        "$(r wine/fast.full_speed/intervals)" "$(r wine/fast.full_speed/interval_median_ms)" \
        "$(r wine/fast.full_speed/interval_p90_ms)" "$(r wine/fast.full_speed/interval_p99_ms)" \
        "$(goal "$(r wine/fast.full_speed/interval_p99_ms)" 5.999)" \
        "$(r wine/fast.full_speed/interval_max_ms)"
    printf 'Within tick rounding: the sum differs from the expected\n'
    printf 'one, but equals what it is when Rolvane'"'"'s hook read some notch'"'"'s tick 1 ms later than\n'
    printf 'the probe did (an accelerated notch is worth about one unit more or less per ms of gap).\n\n'
    printf '### An isolated notch (relaxed pace, medians; ms)\n\n'
    printf '| Profile | Pulse length | Notch to first event (max) | First to last event (max) | Ideal first to last | Notch to last event (max) |\n'
    printf '|---|---:|---:|---:|---:|---:|\n'
    for profile in "${PROFILES[@]}"; do
        w=wine/$profile.relaxed
        printf '| %s | %s | %s (%s) | %s (%s) | %s | %s (%s) |\n' "$profile" \
            "${PROFILE_TAIL_MS[$profile]}" "$(r "$w/latency_median_ms")" "$(r "$w/latency_max_ms")" \
            "$(r "$w/span_median_ms")" "$(r "$w/span_max_ms")" "$(r "$w/ideal_span_ms")" \
            "$(r "$w/to_last_median_ms")" "$(r "$w/to_last_max_ms")"
    done
    printf '\n'
}

# At rest: wake-ups within the floor's plus 2 a second, CPU within its plus 0.05 points.
idle_goal() {
    [[ $1 == */idle_* ]] || return 0
    local wakes cpu
    wakes=$(goal "$(r "$1/rolvane_switches_per_second")" \
        "$(awk -v f="$(r "$1/idle_app_switches_per_second")" 'BEGIN { print f + 2 }')")
    cpu=$(goal "$(r "$1/rolvane_percent")" \
        "$(awk -v f="$(r "$1/idle_app_percent")" 'BEGIN { print f + 0.05 }')")
    printf 'wake-ups %s, CPU %s' "$wakes" "$cpu"
}

report_cost() {
    local phase label c
    [ -n "${RESULT[cost/idle_effect_off/rolvane_percent]:-}" ] || return 0
    printf '## Cost under Wine\n\n'
    printf 'CPU time of all the process'"'"'s threads (the scheduler'"'"'s account, /proc/PID/task/*/schedstat)\n'
    printf 'as a share of one core; in brackets, wake-ups a second: context switches, voluntary and\n'
    printf 'not, of all its threads (/proc/PID/task/*/status).\n\n'
    printf 'Rolvane.exe runs in the notification area, its window hidden, as it does all day. The\n'
    printf 'do-nothing program (the floor) is a hidden window with one 250 ms timer, as Rolvane'"'"'s\n'
    printf 'refresh timer, and a message loop. Goal at rest: no more than the floor'"'"'s wake-ups plus\n'
    printf '2 a second, and a CPU share no more than the floor'"'"'s plus 0.05 points.\n\n'
    printf '| Phase | Seconds | Rolvane.exe | Do-nothing program | Goal | wineserver (all programs of the prefix) |\n'
    printf '|---|---:|---:|---:|---|---:|\n'
    for phase in idle_effect_off idle_effect_on scrolling; do
        case $phase in
        idle_effect_off) label='Idle, effect off' ;;
        idle_effect_on) label='Idle, effect on' ;;
        scrolling) label="Scrolling, $SCROLL_NOTCHES_PER_SECOND notches a second (Balanced)" ;;
        esac
        c=cost/$phase
        printf '| %s | %s | %s %% (%s/s) | %s %% (%s/s) | %s | %s %% (%s/s) |\n' "$label" \
            "$(r "$c/seconds")" "$(r "$c/rolvane_percent")" "$(r "$c/rolvane_switches_per_second")" \
            "$(r "$c/idle_app_percent")" "$(r "$c/idle_app_switches_per_second")" \
            "$(idle_goal "$c")" \
            "$(r "$c/wineserver_percent")" "$(r "$c/wineserver_switches_per_second")"
    done
    printf '\nWhile scrolling: %s notches, the target received a sum of %s.\n\n' \
        "$(r cost/scrolling/notches)" "$(r cost/scrolling/sum)"
    printf '## Size and start-up\n\n'
    printf '| Figure | Value |\n|---|---:|\n'
    printf '| Rolvane.exe (static, stripped) | %s bytes |\n' "$(r program/Rolvane.exe/size_bytes)"
    printf '| Start to visible window, warm wineserver, median of %s (max) | %s ms (%s ms) |\n\n' \
        "$STARTS" "$(r startup/Rolvane.exe/median_ms)" "$(r startup/Rolvane.exe/max_ms)"
}

# A share of a core to one decimal.
one_decimal() {
    awk -v v="$1" 'BEGIN { if (v == "" || v == "-") print "-"; else printf "%.1f\n", v }'
}

# The paired figure in one line: each build's range over the rounds, the ratio of the medians;
# and that of the wake-ups, which the machine's load moves far less than the CPU time.
pair_summary() {
    local against p=pair
    against=$(r pair/-/against_commit)
    printf 'CPU while scrolling: %s %s–%s %%, this build %s–%s %%, ratio %.2f (wake-ups %.2f), goal ≤ %s (%s)' \
        "$against" "$(one_decimal "$(r $p/against/rolvane_percent_min)")" \
        "$(one_decimal "$(r $p/against/rolvane_percent_max)")" \
        "$(one_decimal "$(r $p/this/rolvane_percent_min)")" \
        "$(one_decimal "$(r $p/this/rolvane_percent_max)")" "$(r $p/-/rolvane_percent_ratio)" \
        "$(r $p/-/rolvane_switches_per_second_ratio)" \
        "$PAIR_GOAL_RATIO" "$(goal "$(r $p/-/rolvane_percent_ratio)" "$PAIR_GOAL_RATIO")"
}

report_pair() {
    local against round who cells
    [ -n "${RESULT[pair/-/rounds]:-}" ] || return 0
    against=$(r pair/-/against_commit)
    printf '## CPU while scrolling: this build against %s\n\n' "$against"
    printf '%s.\n\n' "$(pair_summary)"
    printf 'Both programs scroll alike: %s notches at %s a second (Balanced) over the probe'"'"'s\n' \
        "$(r pair/-/notches)" "$SCROLL_NOTCHES_PER_SECOND"
    printf 'scroll target, each started afresh in the notification area with the same settings\n'
    printf 'and the effect switched on, in the same Xvfb and Wine prefix, in turn: each round runs\n'
    printf 'both, %s first in odd rounds and this build first in even ones, so that the load of\n' \
        "$against"
    printf 'the shared machine falls on both alike. CPU time of all threads as a share of one core;\n'
    printf 'in brackets, wake-ups a second. Ratio: this build over %s, in the same round and,\n' \
        "$against"
    printf 'in the last row, of the medians.\n\n'
    printf '| Round | %s: Rolvane.exe | wineserver | This build: Rolvane.exe | wineserver | Ratio, Rolvane.exe |\n' \
        "$against"
    printf '|---|---:|---:|---:|---:|---:|\n'
    for ((round = 1; round <= ${RESULT[pair/-/rounds]}; round++)); do
        cells=
        for who in against this; do
            cells+=$(printf '| %s %% (%s/s) | %s %% ' "$(r "pair/$who/rolvane_percent_$round")" \
                "$(r "pair/$who/rolvane_switches_per_second_$round")" \
                "$(r "pair/$who/wineserver_percent_$round")")
        done
        printf '| %s %s| %s |\n' "$round" "$cells" "$(r "pair/-/rolvane_percent_ratio_$round")"
    done
    cells=
    for who in against this; do
        cells+=$(printf '| %s %% (%s/s) | %s %% ' "$(r "pair/$who/rolvane_percent_median")" \
            "$(r "pair/$who/rolvane_switches_per_second_median")" \
            "$(r "pair/$who/wineserver_percent_median")")
    done
    printf '| Median %s| %s |\n\n' "$cells" "$(r pair/-/rolvane_percent_ratio)"
    printf 'Ratio of the medians: Rolvane.exe %s (goal: at most %s), its wake-ups %s, wineserver\n' \
        "$(r pair/-/rolvane_percent_ratio)" "$PAIR_GOAL_RATIO" \
        "$(r pair/-/rolvane_switches_per_second_ratio)"
    printf '%s. Rolvane.exe'"'"'s ratio within a round: %s to %s, median %s.\n\n' \
        "$(r pair/-/wineserver_percent_ratio)" "$(r pair/-/rolvane_percent_ratio_min)" \
        "$(r pair/-/rolvane_percent_ratio_max)" "$(r pair/-/rolvane_percent_ratio_median)"
}

write_report() {
    report_header
    if [ -z "$ONLY" ]; then
        report_benchmarks
        report_exactness
        report_wine
        report_cost
    fi
    report_pair
}

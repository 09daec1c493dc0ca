# shellcheck shell=bash disable=SC2034
# Starting, driving and stopping the Wine programs of the wheel tests; sourced, not run.
# Needs DISPLAY and WINEPREFIX from the caller, ROLVANE_WIN_BUILD_DIR and E2E_WORK set.

TARGET_TITLE="Rolvane scroll target"
INJECTION_TAG=0x524c5633
E2E_READY_TIMEOUT=20

E2E_PIDS=()
E2E_PID_NAMES=()
E2E_TARGET_WINDOW=

e2e_fail() {
    printf 'FAIL: %s\n' "$*" >&2
    exit 1
}

# A Unix path as the Windows programs see it through Wine's Z: drive.
windows_path() {
    local path
    path=$(realpath -m -- "$1")
    printf 'Z:%s' "${path//\//\\}"
}

e2e_require_environment() {
    [ -n "${DISPLAY:-}" ] || e2e_fail "DISPLAY is not set (scripts/test prepares it)"
    [ -n "${WINEPREFIX:-}" ] || e2e_fail "WINEPREFIX is not set (scripts/test prepares it)"
    local program
    for program in engine_host scroll_target; do
        [ -f "$ROLVANE_WIN_BUILD_DIR/tests/e2e/$program.exe" ] ||
            e2e_fail "$program.exe is missing in $ROLVANE_WIN_BUILD_DIR (build the win preset)"
    done
    command -v xdotool >/dev/null || e2e_fail "xdotool is not installed"
}

# Ends programs that an earlier, interrupted run left behind; each was recorded by its pid.
e2e_kill_leftovers() {
    local record pid
    mkdir -p "$E2E_WORK/pids"
    for record in "$E2E_WORK"/pids/*; do
        [ -e "$record" ] || continue
        pid=${record##*/}
        if grep -qa -e engine_host -e scroll_target -e xdotool "/proc/$pid/cmdline" 2>/dev/null
        then
            printf 'killing leftover %s (pid %s)\n' "$(cat "$record")" "$pid"
            kill -9 "$pid" 2>/dev/null || true
            local deadline=$((SECONDS + 5))
            while [ -e "/proc/$pid" ] && [ "$SECONDS" -lt "$deadline" ]; do
                sleep 0.02
            done
        fi
        rm -f "$record"
    done
}

# A fresh case folder, and no program of ours running.
e2e_begin() {
    E2E_CASE_DIR=$E2E_WORK/$1
    e2e_kill_leftovers
    rm -rf "$E2E_CASE_DIR"
    mkdir -p "$E2E_CASE_DIR"
    E2E_STOP_FILE=$E2E_CASE_DIR/stop
    E2E_TARGET_LOG=$E2E_CASE_DIR/target.log
    E2E_ENGINE_LOG=$E2E_CASE_DIR/engine.log
    : >"$E2E_TARGET_LOG"
    : >"$E2E_ENGINE_LOG"
}

e2e_launch() {
    local name=$1
    shift
    wine "$ROLVANE_WIN_BUILD_DIR/tests/e2e/$name.exe" "$@" \
        --stop-file "$(windows_path "$E2E_STOP_FILE")" >>"$E2E_CASE_DIR/wine.log" 2>&1 &
    local pid=$!
    E2E_PIDS+=("$pid")
    E2E_PID_NAMES+=("$name")
    echo "$name" >"$E2E_WORK/pids/$pid"
    E2E_LAST_PID=$pid
}

e2e_wait_for_line() {
    local file=$1 pattern=$2 pid=$3 what=$4 code
    local deadline=$((SECONDS + E2E_READY_TIMEOUT))
    until grep -q -- "$pattern" "$file"; do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid" && code=0 || code=$?
            e2e_fail "$what exited with code $code before it was ready; its log: $(cat "$file")"
        fi
        [ "$SECONDS" -lt "$deadline" ] || e2e_fail "$what not ready within ${E2E_READY_TIMEOUT} s"
        sleep 0.02
    done
}

# Starts engine_host with the given options and waits until its hook is in place.
e2e_start_engine() {
    e2e_launch engine_host --log "$(windows_path "$E2E_ENGINE_LOG")" "$@"
    e2e_wait_for_line "$E2E_ENGINE_LOG" '^ready' "$E2E_LAST_PID" engine_host
}

e2e_start_target() {
    e2e_launch scroll_target --log "$(windows_path "$E2E_TARGET_LOG")"
    E2E_TARGET_PID=$E2E_LAST_PID
    e2e_wait_for_line "$E2E_TARGET_LOG" '^ready' "$E2E_LAST_PID" scroll_target
}

# The wheel goes to the window under the pointer, not to the focused one (Wine desktop).
e2e_point_at_target() {
    E2E_TARGET_WINDOW=$(timeout 10 xdotool search --sync --onlyvisible --name "^$TARGET_TITLE\$" |
        head -n 1) || true
    [ -n "$E2E_TARGET_WINDOW" ] || e2e_fail "no X window titled '$TARGET_TITLE' appeared"
    # --sync would wait 15 s when the pointer is already there (it is, after an earlier case).
    xdotool mousemove --window "$E2E_TARGET_WINDOW" 400 300
}

# Turns the wheel: BUTTON (4 up, 5 down, 6 left, 7 right), COUNT times, DELAY_MS apart.
# Recorded like the programs: an interrupted run must not leave clicks still coming.
e2e_wheel() {
    local button=$1 count=${2:-1} delay=${3:-0} pid
    xdotool click --repeat "$count" --delay "$delay" "$button" &
    pid=$!
    echo xdotool >"$E2E_WORK/pids/$pid"
    wait "$pid" || e2e_fail "xdotool click $button failed"
    rm -f "$E2E_WORK/pids/$pid"
}

e2e_event_count() {
    grep -c '^[0-9]' "$E2E_TARGET_LOG" || true
}

# Event lines ("time kind delta extra") after the first FROM of them.
e2e_events_after() {
    grep '^[0-9]' "$E2E_TARGET_LOG" | tail -n +"$(($1 + 1))"
}

e2e_sum_after() {
    local from=$1 kind=$2
    e2e_events_after "$from" | awk -v kind="$kind" '$2 == kind { sum += $3 } END { print sum + 0 }'
}

# Waits until the KIND events after FROM add up to EXPECTED and then stay quiet for a moment,
# so that a stray extra event would still be seen.
e2e_wait_for_sum() {
    local from=$1 kind=$2 expected=$3 timeout=${4:-10}
    local deadline=$((SECONDS + timeout)) count previous=-1 quiet=0
    while :; do
        count=$(e2e_event_count)
        if [ "$(e2e_sum_after "$from" "$kind")" = "$expected" ]; then
            if [ "$count" = "$previous" ]; then
                quiet=$((quiet + 1))
                [ "$quiet" -lt 10 ] || return 0
            else
                quiet=0
            fi
        fi
        previous=$count
        if [ "$SECONDS" -ge "$deadline" ]; then
            printf 'received after line %s:\n' "$from" >&2
            e2e_events_after "$from" | head -n 200 >&2
            e2e_fail "the $kind events did not add up to $expected within $timeout s (sum" \
                "$(e2e_sum_after "$from" "$kind"))"
        fi
        sleep 0.03
    done
}

# Asks both programs to end, waits for them, and ends by pid whatever does not.
# Returns non-zero when a program exited with an error or had to be killed.
e2e_stop() {
    local index pid name code status=0 deadline
    [ ${#E2E_PIDS[@]} -gt 0 ] || return 0
    touch "$E2E_STOP_FILE"
    deadline=$((SECONDS + 10))
    for index in "${!E2E_PIDS[@]}"; do
        pid=${E2E_PIDS[$index]}
        name=${E2E_PID_NAMES[$index]}
        while kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
            sleep 0.02
        done
        if kill -0 "$pid" 2>/dev/null; then
            printf '%s (pid %s) did not stop within 10 s; killing it\n' "$name" "$pid" >&2
            kill -9 "$pid" 2>/dev/null || true
            status=1
        fi
        wait "$pid" && code=0 || code=$?
        if [ "$code" -ne 0 ]; then
            printf '%s exited with code %s\n' "$name" "$code" >&2
            status=1
        fi
        rm -f "$E2E_WORK/pids/$pid"
    done
    E2E_PIDS=()
    E2E_PID_NAMES=()
    return "$status"
}

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

# The real Rolvane.exe: started and ended one at a time, its window read and driven with
# rolvane_driver.exe, and what it shows read from screenshots of the X display.

ROLVANE_SETTINGS_KEY='HKCU\Software\Rolvane'
ROLVANE_IDM_EXIT=1003
# Per channel: room for anti-aliasing, far below the distance between any two colours checked.
E2E_PIXEL_TOLERANCE=6
E2E_ROLVANE_PID=
E2E_DESKTOP_OFFSET=

# The driver, with its CRLF line ends turned into LF; its exit code passes through.
e2e_driver() {
    mkdir -p "$E2E_WORK"
    timeout 30 wine "$ROLVANE_WIN_BUILD_DIR/tests/e2e/rolvane_driver.exe" "$@" \
        2>>"${E2E_CASE_DIR:-$E2E_WORK}/wine.log" | tr -d '\r'
}

# The value after KEY in what the driver prints for the rest of the arguments.
e2e_driver_value() {
    local key=$1 output
    shift
    output=$(e2e_driver "$@") || e2e_fail "rolvane_driver $* failed"
    sed -n "s/^$key //p" <<<"$output" | head -n 1
}

# Ends a Rolvane of an earlier, interrupted run: its window is asked to exit, and a recorded
# process that still lingers is ended by its pid. Its records live apart from the other
# programs' ones, which e2e_begin clears.
e2e_rolvane_end_leftovers() {
    local record pid deadline
    mkdir -p "$E2E_WORK/rolvane-pids"
    if e2e_driver wait-window 0 >/dev/null; then
        printf 'a Rolvane window is still open; sending it Exit\n'
        e2e_driver command "$ROLVANE_IDM_EXIT" >/dev/null || true
        e2e_driver wait-gone 10000 >/dev/null || true
    fi
    for record in "$E2E_WORK"/rolvane-pids/*; do
        [ -e "$record" ] || continue
        pid=${record##*/}
        if grep -qa Rolvane.exe "/proc/$pid/cmdline" 2>/dev/null; then
            printf 'killing leftover Rolvane.exe (pid %s)\n' "$pid"
            kill -9 "$pid" 2>/dev/null || true
            deadline=$((SECONDS + 5))
            while [ -e "/proc/$pid" ] && [ "$SECONDS" -lt "$deadline" ]; do
                sleep 0.02
            done
        fi
        rm -f "$record"
    done
}

# No settings key, so the next start puts Balanced in force.
e2e_rolvane_forget_settings() {
    timeout 60 wine reg delete "$ROLVANE_SETTINGS_KEY" /f >/dev/null 2>&1 || true
    ! timeout 60 wine reg query "$ROLVANE_SETTINGS_KEY" >/dev/null 2>&1 ||
        e2e_fail "could not delete $ROLVANE_SETTINGS_KEY"
}

# Starts Rolvane.exe with ARGS and waits until its window exists. E2E_ROLVANE_LOCALE, when
# set, becomes the program's LC_ALL and so chooses its UI language (the shell keeps its own).
e2e_rolvane_start() {
    ! e2e_driver wait-window 0 >/dev/null || e2e_fail "a Rolvane window is already open"
    local locale_env=()
    [ -z "${E2E_ROLVANE_LOCALE:-}" ] || locale_env=("LC_ALL=$E2E_ROLVANE_LOCALE")
    env "${locale_env[@]}" wine "$ROLVANE_WIN_BUILD_DIR/Rolvane.exe" "$@" \
        >>"$E2E_CASE_DIR/wine.log" 2>&1 &
    E2E_ROLVANE_PID=$!
    echo Rolvane >"$E2E_WORK/rolvane-pids/$E2E_ROLVANE_PID"
    e2e_driver wait-window $((E2E_READY_TIMEOUT * 1000)) >/dev/null ||
        e2e_fail "no Rolvane window within ${E2E_READY_TIMEOUT} s"
    kill -0 "$E2E_ROLVANE_PID" 2>/dev/null || e2e_fail "Rolvane.exe exited right after it started"
}

# Ends the program with its Exit command and waits for the process, which must end with 0.
e2e_rolvane_exit() {
    local pid=$E2E_ROLVANE_PID code deadline=$((SECONDS + 15))
    [ -n "$pid" ] || return 0
    e2e_driver command "$ROLVANE_IDM_EXIT" >/dev/null || e2e_fail "could not send Exit to Rolvane"
    while kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
        sleep 0.02
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -9 "$pid" 2>/dev/null || true
        e2e_fail "Rolvane.exe did not exit within 15 s of the Exit command; killed"
    fi
    wait "$pid" && code=0 || code=$?
    rm -f "$E2E_WORK/rolvane-pids/$pid"
    E2E_ROLVANE_PID=
    [ "$code" -eq 0 ] || e2e_fail "Rolvane.exe exited with code $code"
}

# For an EXIT trap: ends a program this script started, without judging how.
e2e_rolvane_stop_quietly() {
    local pid=$E2E_ROLVANE_PID
    [ -n "$pid" ] || return 0
    e2e_driver command "$ROLVANE_IDM_EXIT" >/dev/null 2>&1 || true
    local deadline=$((SECONDS + 10))
    while kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
        sleep 0.02
    done
    kill -9 "$pid" 2>/dev/null || true
    rm -f "$E2E_WORK/rolvane-pids/$pid"
    E2E_ROLVANE_PID=
}

# "X Y": where the Wine virtual desktop sits on the X screen. Screen coordinates inside Wine
# count from its corner; without a virtual desktop they are the X screen's own.
e2e_desktop_offset() {
    if [ -z "$E2E_DESKTOP_OFFSET" ]; then
        local window geometry
        window=$(xdotool search --name ' - Wine desktop$' 2>/dev/null | head -n 1) || true
        if [ -z "$window" ]; then
            E2E_DESKTOP_OFFSET="0 0"
        else
            geometry=$(xdotool getwindowgeometry --shell "$window") ||
                e2e_fail "xdotool cannot read the Wine desktop's geometry"
            E2E_DESKTOP_OFFSET="$(sed -n 's/^X=//p' <<<"$geometry") $(sed -n 's/^Y=//p' <<<"$geometry")"
        fi
    fi
    printf '%s\n' "$E2E_DESKTOP_OFFSET"
}

e2e_screenshot() {
    xwd -root -silent | /usr/bin/convert xwd:- png:"$1"
}

# The colours (RRGGBB) of the screenshot SHOT at X screen points "X,Y", on one line.
e2e_pixels() {
    local shot=$1 format='' point
    shift
    for point in "$@"; do
        format+="%[hex:p{$point}] "
    done
    /usr/bin/convert "$shot" -format "$format" info: | awk '{
        for (i = 1; i <= NF; i++) printf "%s%s", substr($i, 1, 6), (i < NF ? " " : "\n") }'
}

# True when the colours RRGGBB A and B differ by at most TOLERANCE in every channel.
e2e_colour_near() {
    local a=$1 b=$2 tolerance=$3 shift difference
    for shift in 0 2 4; do
        difference=$((16#${a:shift:2} - 16#${b:shift:2}))
        [ "${difference#-}" -le "$tolerance" ] || return 1
    done
}

# Takes screenshots until every CHECK holds, or fails after TIMEOUT seconds showing what the
# last one had. A CHECK is "NAME@X,Y=RRGGBB" (that colour) or "NAME@X,Y!RRGGBB" (any colour
# but that one), X and Y in Wine's screen coordinates, compared with E2E_PIXEL_TOLERANCE.
e2e_wait_for_pixels() {
    local timeout=$1 what=$2
    shift 2
    local offset_x offset_y check name point want operator x y
    local points=() names=() wants=() operators=()
    read -r offset_x offset_y <<<"$(e2e_desktop_offset)"
    for check in "$@"; do
        name=${check%%@*}
        point=${check#*@}
        if [[ $point == *'!'* ]]; then operator='!'; else operator='='; fi
        want=${point#*[=!]}
        point=${point%%[=!]*}
        x=$((${point%,*} + offset_x))
        y=$((${point#*,} + offset_y))
        names+=("$name")
        points+=("$x,$y")
        wants+=("${want^^}")
        operators+=("$operator")
    done
    local shot=$E2E_CASE_DIR/shot.png deadline=$((SECONDS + timeout)) colours index ok
    while :; do
        e2e_screenshot "$shot"
        read -r -a colours <<<"$(e2e_pixels "$shot" "${points[@]}")"
        ok=1
        for index in "${!points[@]}"; do
            if e2e_colour_near "${colours[$index]}" "${wants[$index]}" "$E2E_PIXEL_TOLERANCE"
            then
                [ "${operators[$index]}" = '=' ] || ok=0
            else
                [ "${operators[$index]}" = '!' ] || ok=0
            fi
        done
        if [ "$ok" = 1 ] || [ "$SECONDS" -ge "$deadline" ]; then
            break
        fi
        sleep 0.05
    done
    local wanted
    printf '%s:' "$what"
    for index in "${!points[@]}"; do
        wanted=${wants[$index]}
        [ "${operators[$index]}" = '=' ] || wanted="not $wanted"
        printf ' %s %s (want %s)' "${names[$index]}" "${colours[$index]}" "$wanted"
    done
    printf '\n'
    if [ "$ok" != 1 ]; then
        local kept=$E2E_CASE_DIR/failed-${what//[^A-Za-z0-9]/-}.png
        cp "$shot" "$kept"
        e2e_fail "$what: not shown within $timeout s (points in X screen coordinates:" \
            "${points[*]}; screenshot kept in $kept)"
    fi
}

# The real program's commands, registry and notification area, as the program tests use them.

ROLVANE_RUN_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'

e2e_require_program() {
    [ -n "${DISPLAY:-}" ] || e2e_fail "DISPLAY is not set (scripts/test prepares it)"
    [ -n "${WINEPREFIX:-}" ] || e2e_fail "WINEPREFIX is not set (scripts/test prepares it)"
    local program
    for program in Rolvane.exe tests/e2e/rolvane_driver.exe tests/e2e/scroll_target.exe; do
        [ -f "$ROLVANE_WIN_BUILD_DIR/$program" ] ||
            e2e_fail "$program is missing in $ROLVANE_WIN_BUILD_DIR (build the win preset)"
    done
    command -v xdotool >/dev/null || e2e_fail "xdotool is not installed"
}

# Polls the driver until the line KEY of what it prints for the remaining arguments reads
# WANT, for up to TIMEOUT seconds; fails with the last value seen. E2E_WAITED_MS is how long
# it took.
e2e_expect_driver() {
    local want=$1 timeout=$2 key=$3 got output start
    shift 3
    start=$(date +%s%N)
    local deadline=$((SECONDS + timeout))
    while :; do
        output=$(e2e_driver "$@" 2>/dev/null) || output=
        got=$(sed -n "s/^$key //p" <<<"$output" | head -n 1)
        [ "$got" != "$want" ] || break
        [ "$SECONDS" -lt "$deadline" ] ||
            e2e_fail "driver $* ($key): want [$want], got [$got] after $timeout s"
        sleep 0.05
    done
    E2E_WAITED_MS=$((($(date +%s%N) - start) / 1000000))
}

# Starts one more Rolvane.exe beside the case's own (a second instance), recorded like it;
# its pid is in E2E_LAST_PID.
e2e_rolvane_launch_again() {
    mkdir -p "$E2E_WORK/rolvane-pids"
    wine "$ROLVANE_WIN_BUILD_DIR/Rolvane.exe" "$@" >>"$E2E_CASE_DIR/wine.log" 2>&1 &
    E2E_LAST_PID=$!
    echo Rolvane >"$E2E_WORK/rolvane-pids/$E2E_LAST_PID"
}

# Waits up to TIMEOUT seconds for the Rolvane process PID to end and forgets its record;
# E2E_EXIT_CODE is its exit code. Returns non-zero while it still runs.
e2e_rolvane_wait_exit() {
    local pid=$1 timeout=$2
    local deadline=$((SECONDS + timeout))
    while kill -0 "$pid" 2>/dev/null; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.02
    done
    wait "$pid" && E2E_EXIT_CODE=0 || E2E_EXIT_CODE=$?
    rm -f "$E2E_WORK/rolvane-pids/$pid"
}

# `wine reg` with its CRLF line ends turned into LF; its exit code passes through.
e2e_reg() {
    timeout 60 wine reg "$@" 2>>"$E2E_CASE_DIR/wine.log" | tr -d '\r'
}

# "TYPE DATA" of one value as `wine reg query` shows it; nothing when it is missing.
e2e_reg_value() {
    local key=$1 name=$2
    e2e_reg query "$key" /v "$name" 2>/dev/null |
        sed -n "s/^    $name    \(REG_[A-Z_]*\)    \(.*\)\$/\1 \2/p" || true
}

e2e_reg_plant() {
    local key=$1 name=$2 type=$3 data=$4
    e2e_reg add "$key" /v "$name" /t "$type" /d "$data" /f >/dev/null ||
        e2e_fail "could not plant $name ($type $data)"
}

# Neither the settings key nor the Run value.
e2e_reset_registry() {
    e2e_rolvane_forget_settings
    e2e_reg delete "$ROLVANE_RUN_KEY" /v Rolvane /f >/dev/null 2>&1 || true
    ! e2e_reg query "$ROLVANE_RUN_KEY" /v Rolvane >/dev/null 2>&1 ||
        e2e_fail "could not delete the Run value"
}

# "X Y" on the X screen of the notification icon: the only one in the virtual desktop's
# taskbar, at its right end, about 10 px in from the bottom-right corner.
e2e_tray_icon_point() {
    local window geometry x y width height
    window=$(xdotool search --name ' - Wine desktop$' 2>/dev/null | head -n 1) || true
    [ -n "$window" ] || e2e_fail "no Wine desktop window on $DISPLAY"
    geometry=$(xdotool getwindowgeometry --shell "$window") ||
        e2e_fail "xdotool cannot read the Wine desktop's geometry"
    x=$(sed -n 's/^X=//p' <<<"$geometry")
    y=$(sed -n 's/^Y=//p' <<<"$geometry")
    width=$(sed -n 's/^WIDTH=//p' <<<"$geometry")
    height=$(sed -n 's/^HEIGHT=//p' <<<"$geometry")
    printf '%s %s\n' $((x + width - 12)) $((y + height - 10))
}

# A PNG of the Rolvane window, frame included, cropped from a screenshot of the display.
e2e_window_screenshot() {
    local file=$1 offset_x offset_y left top right bottom shot
    read -r offset_x offset_y <<<"$(e2e_desktop_offset)"
    IFS=, read -r left top right bottom <<<"$(e2e_driver_value window window-rect)"
    shot=$(mktemp --suffix=.png)
    e2e_screenshot "$shot"
    /usr/bin/convert "$shot" \
        -crop "$((right - left))x$((bottom - top))+$((left + offset_x))+$((top + offset_y))" \
        +repage -strip "$file"
    rm -f "$shot"
}

# A smoothed stretch: no whole notch, every event small and tagged, the exact sum.
e2e_check_smoothed() {
    local from=$1 expected=$2 what=$3 report
    report=$(e2e_events_after "$from" | awk -v tag="$INJECTION_TAG" -v expected="$expected" '
        $2 == "h" { horizontal++; next }
        {
            count++; sum += $3; size = $3 < 0 ? -$3 : $3
            if (size > largest) largest = size
            if (size >= 120) whole++
            if (size > 48) oversized++
            if (tolower($4) != tag) untagged++
        }
        END {
            printf "%d events, sum %d, largest %d", count, sum, largest
            if (whole || oversized || untagged || horizontal || sum != expected || count < 3)
                printf "; BAD: %d whole notches, %d over 48, %d untagged, %d horizontal, want sum %d",
                    whole, oversized, untagged, horizontal, expected
            printf "\n"
        }')
    printf '%s: %s\n' "$what" "$report"
    case $report in *BAD*)
        e2e_events_after "$from" | head -n 60
        e2e_fail "$what was not smoothed as expected" ;;
    esac
}

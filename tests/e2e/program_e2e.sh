#!/usr/bin/env bash
# The real Rolvane.exe under Wine, in the virtual desktop: its window and texts, the effect on
# real wheel notches, profiles and sliders against the registry, the Run value, one instance,
# closing and exiting through the notification-area menu, and the Czech UI.
# Usage: program_e2e.sh start|effect|profiles|settings|autostart|single|close_exit|czech
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
: "${ROLVANE_WIN_BUILD_DIR:=$HERE/../../build/win}"
: "${E2E_WORK:=${ROLVANE_E2E_WORK:-$HERE/../../build/e2e-work}}"
# shellcheck source-path=SCRIPTDIR source=e2e_lib.sh
source "$HERE/e2e_lib.sh"

IDM_OPEN=1004
IDC_EFFECT_SWITCH=1005
IDC_AUTOSTART_SWITCH=1007
IDM_PROFILE_FAST=1203
WM_LBUTTONDBLCLK=515
TRACKBARS=(1101 1102 1103 1104)
CUSTOM_VALUES=(CustomStepPercent CustomMaxAccelerationPercent CustomAccelerationWindowMs
    CustomSmoothDurationMs)

TITLE_EN="Rolvane 0.6 - Smooth Control"
STATE_OFF="OFF  •  the wheel works normally"
STATE_ON="ACTIVE  •  smooth scrolling is enabled"
# The first refresh comes with the first 250 ms tick; a loaded machine may take longer.
REFRESH_TIMEOUT=5

ok() {
    printf 'ok: %s\n' "$*"
}

parameter_line() {
    printf 'Step %d %%   |   Acceleration %d %%   |   Window %d ms   |   Tail %d ms' "$@"
}

expect_info() {
    local key=$1 want=$2 timeout=${3:-0}
    e2e_expect_driver "$want" "$timeout" "$key" info
}

expect_text() {
    local name=$1 want=$2 timeout=${3:-0}
    e2e_expect_driver "$want" "$timeout" text text "$name"
}

# The four trackbars at VALUES, in the order 1101 to 1104.
expect_trackbars() {
    local index
    for index in "${!TRACKBARS[@]}"; do
        e2e_expect_driver "$(($1))" 2 position trackbar "${TRACKBARS[$index]}"
        shift
    done
}

trackbar_position() {
    e2e_driver_value position trackbar "$1"
}

# Polls until the registry value NAME under KEY reads WANT ("TYPE DATA", or empty for none).
expect_reg() {
    local key=$1 name=$2 want=$3 timeout=${4:-3} got start
    start=$(date +%s%N)
    local deadline=$((SECONDS + timeout))
    while :; do
        got=$(e2e_reg_value "$key" "$name")
        [ "$got" != "$want" ] || break
        [ "$SECONDS" -lt "$deadline" ] || e2e_fail "$name: want [$want], got [$got] after $timeout s"
        sleep 0.05
    done
    E2E_WAITED_MS=$((($(date +%s%N) - start) / 1000000))
}

# The five saved settings as "PROFILE CUSTOM..." in decimal; a missing value reads "-".
saved_settings() {
    local name value line=()
    for name in Profile "${CUSTOM_VALUES[@]}"; do
        value=$(e2e_reg_value "$ROLVANE_SETTINGS_KEY" "$name")
        case $value in
        "REG_DWORD "*) line+=("$((${value#REG_DWORD }))") ;;
        *) line+=(-) ;;
        esac
    done
    printf '%s\n' "${line[*]}"
}

# Polls until the five saved settings read WANT; reports how long that took.
expect_saved() {
    local want=$1 what=$2 timeout=${3:-3} got start
    start=$(date +%s%N)
    local deadline=$((SECONDS + timeout))
    while :; do
        got=$(saved_settings)
        [ "$got" != "$want" ] || break
        [ "$SECONDS" -lt "$deadline" ] ||
            e2e_fail "$what: want saved [$want] (Profile and the four Custom values), got [$got]"
        sleep 0.05
    done
    ok "$what: saved $want after $((($(date +%s%N) - start) / 1000000)) ms"
}

# Waits for the first refresh of the state line, which also means the message loop runs.
expect_running() {
    e2e_expect_driver "$STATE_OFF" "$REFRESH_TIMEOUT" text text state
    ok "state line [$STATE_OFF] after ${E2E_WAITED_MS} ms"
}

# Clicks the middle of the thumb of trackbar ID, which focuses it without moving it, and
# then presses KEY; the position must end at its old value plus STEP.
move_slider_by_key() {
    local id=$1 key=$2 step=$3 left top thumb offset_x offset_y before
    read -r offset_x offset_y <<<"$(e2e_desktop_offset)"
    IFS=, read -r left top _ <<<"$(e2e_driver_value rect rect "$id")"
    thumb=$(e2e_driver_value thumb trackbar-rects "$id")
    local thumb_left thumb_top thumb_right thumb_bottom
    IFS=, read -r thumb_left thumb_top thumb_right thumb_bottom <<<"$thumb"
    before=$(trackbar_position "$id")
    xdotool mousemove $((offset_x + left + (thumb_left + thumb_right) / 2)) \
        $((offset_y + top + (thumb_top + thumb_bottom) / 2)) click 1
    xdotool key "$key"
    e2e_expect_driver "$((before + step))" 3 position trackbar "$id"
    ok "trackbar $id: $before, then $((before + step)) after a click on its thumb and $key"
}

# A real right click on the notification icon in the virtual desktop's taskbar; the menu
# must open.
open_tray_menu_by_click() {
    local x y
    read -r x y <<<"$(e2e_tray_icon_point)"
    xdotool mousemove "$x" "$y" click 3
    e2e_driver wait-menu 5000 ||
        e2e_fail "no popup menu within 5 s of a right click on the notification icon at $x,$y"
    ok "a right click at $x,$y opened the notification-area menu"
}

expect_menu_closed() {
    local deadline=$((SECONDS + 5))
    while e2e_driver wait-menu 0; do
        [ "$SECONDS" -lt "$deadline" ] || e2e_fail "the popup menu did not close"
        sleep 0.05
    done
}

exit_rolvane() {
    e2e_rolvane_exit
    e2e_driver wait-gone 5000 || e2e_fail "a Rolvane window is left after the process ended"
    ok "Exit: the process ended with 0"
}

case_start() {
    e2e_rolvane_start
    expect_info visible 1 "$REFRESH_TIMEOUT"
    expect_info title "$TITLE_EN"
    expect_info size 560x730
    expect_running
    expect_text parameters "$(parameter_line 100 100 110 360)"
    expect_trackbars 100 100 110 360
    ok "window shown, [$TITLE_EN], 560x730, the Balanced values"
    ! e2e_reg query "$ROLVANE_SETTINGS_KEY" >/dev/null 2>&1 ||
        e2e_fail "a start without settings created $ROLVANE_SETTINGS_KEY"
    exit_rolvane

    e2e_rolvane_start --tray
    expect_running
    expect_info visible 0
    ok "with --tray the window exists and stays hidden"
    # The icon is there while the window is hidden: a right click finds it.
    open_tray_menu_by_click
    xdotool key Escape
    expect_menu_closed
    expect_info visible 0
    e2e_driver tray "$WM_LBUTTONDBLCLK" || e2e_fail "could not post the double-click callback"
    expect_info visible 1 5
    expect_info foreground 1 5
    ok "the icon's double-click callback showed the window in the foreground"
    exit_rolvane
}

case_effect() {
    e2e_rolvane_start
    expect_running
    e2e_start_target
    e2e_point_at_target
    # Right of the Rolvane window, which may come to the front over the target.
    xdotool mousemove --window "$E2E_TARGET_WINDOW" 700 300

    e2e_driver command "$IDC_EFFECT_SWITCH" || e2e_fail "command $IDC_EFFECT_SWITCH failed"
    expect_text state "$STATE_ON" 2
    ok "the effect command: [$STATE_ON]"
    local from
    from=$(e2e_event_count)
    e2e_wheel 5 3 60
    e2e_wait_for_sum "$from" v -360 10
    e2e_check_smoothed "$from" -360 "three Balanced notches down"

    e2e_driver command "$IDC_EFFECT_SWITCH" || e2e_fail "command $IDC_EFFECT_SWITCH failed"
    expect_text state "$STATE_OFF" 2
    ok "the effect command again: [$STATE_OFF]"
    from=$(e2e_event_count)
    e2e_wheel 4
    e2e_wait_for_sum "$from" v 120 5
    local got
    got=$(e2e_events_after "$from" | awk -v tag="$INJECTION_TAG" '
        { printf "%s%s %d%s", sep, $2, $3, (tolower($4) == tag ? " tagged" : ""); sep = " " }')
    [ "$got" = "v 120" ] || e2e_fail "with the effect off one notch up: want [v 120], got [$got]"
    ok "with the effect off a notch arrives unchanged: [$got]"
    exit_rolvane
    e2e_stop || e2e_fail "the scroll target did not end cleanly"
}

case_profiles() {
    e2e_rolvane_start
    expect_running
    e2e_driver command "$IDM_PROFILE_FAST" || e2e_fail "command $IDM_PROFILE_FAST failed"
    expect_trackbars 110 150 80 240
    expect_text parameters "$(parameter_line 110 150 80 240)"
    expect_reg "$ROLVANE_SETTINGS_KEY" Profile "REG_DWORD 0x4b3"
    ok "Fast: trackbars and parameter line; Profile 0x4b3 read back after ${E2E_WAITED_MS} ms"
    # The save writes all five values; Custom keeps Balanced's until a slider moves.
    expect_saved "1203 100 100 110 360" "Fast"

    move_slider_by_key 1102 Right 1
    local positions=() id
    for id in "${TRACKBARS[@]}"; do
        positions+=("$(trackbar_position "$id")")
    done
    [ "${positions[*]}" = "110 151 80 240" ] ||
        e2e_fail "trackbars: want [110 151 80 240], got [${positions[*]}]"
    expect_text parameters "$(parameter_line "${positions[@]}")" 2
    expect_saved "1204 ${positions[*]}" "a slider moved by a key makes Custom the profile"
    exit_rolvane
}

case_settings() {
    e2e_reg_plant "$ROLVANE_SETTINGS_KEY" Profile REG_DWORD 1204
    e2e_reg_plant "$ROLVANE_SETTINGS_KEY" CustomStepPercent REG_DWORD 60
    e2e_reg_plant "$ROLVANE_SETTINGS_KEY" CustomMaxAccelerationPercent REG_DWORD 240
    e2e_reg_plant "$ROLVANE_SETTINGS_KEY" CustomAccelerationWindowMs REG_DWORD 40
    e2e_reg_plant "$ROLVANE_SETTINGS_KEY" CustomSmoothDurationMs REG_DWORD 500
    local planted
    planted=$(saved_settings)
    e2e_rolvane_start
    expect_trackbars 60 240 40 500
    expect_text parameters "$(parameter_line 60 240 40 500)"
    expect_running
    ok "planted Custom 60 240 40 500 in force at start"
    exit_rolvane
    [ "$(saved_settings)" = "$planted" ] ||
        e2e_fail "a run without changes rewrote the settings: [$planted] became [$(saved_settings)]"
}

case_autostart() {
    e2e_rolvane_start
    expect_running
    local want
    want="REG_SZ \"$(windows_path "$ROLVANE_WIN_BUILD_DIR/Rolvane.exe")\" --tray"
    # Sent, so a failure's message box would hold the call until the driver gives up.
    e2e_driver command "$IDC_AUTOSTART_SWITCH" ||
        e2e_fail "command $IDC_AUTOSTART_SWITCH was not handled (a warning box open?)"
    expect_reg "$ROLVANE_RUN_KEY" Rolvane "$want"
    ok "the start-with-Windows command wrote [$want]"
    e2e_driver command "$IDC_AUTOSTART_SWITCH" ||
        e2e_fail "command $IDC_AUTOSTART_SWITCH was not handled (a warning box open?)"
    expect_reg "$ROLVANE_RUN_KEY" Rolvane ""
    ok "the command again removed the Run value"
    exit_rolvane
}

# A second start while the case's instance runs: it exits 0 and that window is shown in front.
start_second_instance() {
    # shellcheck disable=SC2119 # a start without arguments
    e2e_rolvane_launch_again
    local second=$E2E_LAST_PID
    e2e_rolvane_wait_exit "$second" 15 || e2e_fail "the second start still runs after 15 s"
    [ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "the second start exited with code $E2E_EXIT_CODE"
    expect_info visible 1 5
    expect_info foreground 1 5
    e2e_expect_driver 1 0 instances instances
    kill -0 "$E2E_ROLVANE_PID" 2>/dev/null || e2e_fail "the first instance is gone"
}

case_single() {
    e2e_rolvane_start
    expect_running
    expect_info visible 1 5
    # Another window takes the foreground, so that the second start has something to undo.
    e2e_start_target
    expect_info foreground 0 5
    start_second_instance
    ok "a second start exited 0; the first window came to the foreground; one instance"
    e2e_driver minimize || e2e_fail "could not post SC_MINIMIZE"
    expect_info iconic 1 5
    start_second_instance
    expect_info iconic 0
    ok "a second start restored the minimised window"
    exit_rolvane

    e2e_rolvane_start --tray
    expect_running
    expect_info visible 0
    start_second_instance
    ok "a second start showed the hidden window of a --tray instance; one instance"
    exit_rolvane
    e2e_stop || e2e_fail "the scroll target did not end cleanly"
}

case_close_exit() {
    e2e_rolvane_start
    expect_running
    expect_info visible 1 5
    e2e_driver close || e2e_fail "could not post WM_CLOSE"
    expect_info visible 0 5
    e2e_expect_driver 1 0 instances instances
    kill -0 "$E2E_ROLVANE_PID" 2>/dev/null || e2e_fail "closing the window ended the process"
    ok "WM_CLOSE hid the window; the process lives on"

    e2e_driver command "$IDM_OPEN" || e2e_fail "command $IDM_OPEN failed"
    expect_info visible 1 5
    local step
    step=$(trackbar_position 1101)
    move_slider_by_key 1101 Right 1
    # At once: the last change may still wait for its save when Exit comes.
    open_tray_menu_by_click
    # Up from the freshly opened menu reaches its last item, "Exit Rolvane".
    xdotool key Up Return
    e2e_rolvane_wait_exit "$E2E_ROLVANE_PID" 15 ||
        e2e_fail "Up and Return in the notification-area menu did not end the program"
    E2E_ROLVANE_PID=
    [ "$E2E_EXIT_CODE" -eq 0 ] || e2e_fail "Exit from the menu: exit code $E2E_EXIT_CODE"
    e2e_driver wait-gone 5000 || e2e_fail "a Rolvane window is left after the process ended"
    ok "Exit from the notification-area menu: the process ended with 0"
    expect_saved "1204 $((step + 1)) 100 110 360" "the change made just before Exit" 0

    e2e_rolvane_start
    expect_running
    expect_trackbars $((step + 1)) 100 110 360
    expect_text parameters "$(parameter_line $((step + 1)) 100 110 360)"
    ok "a new start succeeds and shows the saved change"
    exit_rolvane
}

case_czech() {
    # Wine takes the display language from the locale; LANGUAGE could override it.
    unset LANGUAGE
    E2E_ROLVANE_LOCALE=cs_CZ.UTF-8 e2e_rolvane_start
    expect_info title "Rolvane 0.6 - Plynulé ovládání" 5
    expect_text state "VYPNUTO  •  kolečko funguje standardně" "$REFRESH_TIMEOUT"
    expect_text parameters "Krok 100 %   |   Akcelerace 100 %   |   Okno 110 ms   |   Dojezd 360 ms"
    ok "Czech title, state line and parameter line"
    exit_rolvane
}

finish() {
    e2e_rolvane_stop_quietly
    e2e_stop >/dev/null 2>&1 || true
    e2e_rolvane_end_leftovers >/dev/null 2>&1 || true
    e2e_reset_registry >/dev/null 2>&1 || true
}

[ $# -eq 1 ] || e2e_fail "usage: $0 start|effect|profiles|settings|autostart|single|close_exit|czech"
declare -F "case_$1" >/dev/null || e2e_fail "unknown case $1"
e2e_require_program
e2e_begin "program_$1"
e2e_rolvane_end_leftovers
trap finish EXIT
e2e_reset_registry
started=$SECONDS
"case_$1"
printf 'PASS program %s (%d s)\n' "$1" $((SECONDS - started))

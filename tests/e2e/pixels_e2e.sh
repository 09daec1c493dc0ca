#!/usr/bin/env bash
# The drawn switches and sliders of the real Rolvane.exe under Wine: screenshots of the X
# display, sampled at points computed from the rectangles the controls themselves report.
# Usage: pixels_e2e.sh switch_states|switch_pressed|slider_parts|slider_profile
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
: "${ROLVANE_WIN_BUILD_DIR:=$HERE/../../build/win}"
: "${E2E_WORK:=${ROLVANE_E2E_WORK:-$HERE/../../build/e2e-work}}"
# shellcheck source-path=SCRIPTDIR source=e2e_lib.sh
source "$HERE/e2e_lib.sh"

ACCENT=4169E1
SWITCH_OFF=CDD4E2
SWITCH_ON_PRESSED=355DD5
SWITCH_OFF_PRESSED=C1C8D6
SLIDER_TRACK=D3DBE9
WHITE=FFFFFF
PAGE=F5F7FB
IDC_EFFECT_SWITCH=1005
IDM_PROFILE_FAST=1203
SLIDERS=(1101 1102 1103 1104)
# Repaints come within milliseconds; this only bounds a program that never paints.
PAINT_TIMEOUT=10
BUTTON_HELD=

require_environment() {
    [ -n "${DISPLAY:-}" ] || e2e_fail "DISPLAY is not set (scripts/test prepares it)"
    [ -n "${WINEPREFIX:-}" ] || e2e_fail "WINEPREFIX is not set (scripts/test prepares it)"
    local program
    for program in Rolvane.exe tests/e2e/rolvane_driver.exe; do
        [ -f "$ROLVANE_WIN_BUILD_DIR/$program" ] ||
            e2e_fail "$program is missing in $ROLVANE_WIN_BUILD_DIR (build the win preset)"
    done
    command -v xdotool >/dev/null || e2e_fail "xdotool is not installed"
    command -v xwd >/dev/null || e2e_fail "xwd is not installed"
    [ -x /usr/bin/convert ] || e2e_fail "ImageMagick's convert is not installed"
}

# "L T R B" of a control, in Wine's screen coordinates.
control_rect() {
    local rect
    rect=$(e2e_driver_value rect rect "$1")
    [ -n "$rect" ] || e2e_fail "the driver found no control $1"
    printf '%s\n' "${rect//,/ }"
}

# Points of a switch from its rectangle: the track starts 64 px left of the right edge and is
# centred vertically (24 px high, truncated toward zero); the 18 px knob starts 3 px into the
# track when off and 29 px when on. Each point is a pixel well inside its part.
switch_points() {
    local left top right bottom
    read -r left top right bottom <<<"$(control_rect "$1")"
    local track_x=$((right - 64)) track_y=$((top + (bottom - top - 24) / 2))
    SWITCH_TRACK="$((track_x + 25)),$((track_y + 12))"
    SWITCH_KNOB_OFF="$((track_x + 3 + 9)),$((track_y + 12))"
    SWITCH_KNOB_ON="$((track_x + 29 + 9)),$((track_y + 12))"
    SWITCH_LABEL="$((left + 50)),$(((top + bottom) / 2))"
}

# Points of a slider from the trackbar's own channel and thumb rectangles: the line runs at
# the channel's middle, the thumb is centred on the control's thumb. The value and track
# samples lie midway between the channel's ends and the thumb, clear of the round caps and
# of the thumb, its shadow and the 24 px focus halo; a side with no room is left empty.
slider_points() {
    local id=$1 left top channel thumb
    read -r left top _ _ <<<"$(control_rect "$id")"
    local rects
    rects=$(e2e_driver trackbar-rects "$id") || e2e_fail "no rectangles for trackbar $id"
    channel=$(sed -n 's/^channel //p' <<<"$rects")
    thumb=$(sed -n 's/^thumb //p' <<<"$rects")
    local channel_left channel_top channel_right channel_bottom thumb_left thumb_right
    IFS=, read -r channel_left channel_top channel_right channel_bottom <<<"$channel"
    IFS=, read -r thumb_left _ thumb_right _ <<<"$thumb"
    local y=$((top + (channel_top + channel_bottom) / 2))
    local cx=$((left + (thumb_left + thumb_right) / 2))
    local start=$((left + channel_left + 4)) end=$((left + channel_right - 4)) clear=14
    SLIDER_CX=$cx
    SLIDER_THUMB="$cx,$y"
    SLIDER_VALUE=
    SLIDER_REST=
    if [ $((cx - clear - start)) -ge 8 ]; then
        SLIDER_VALUE="$(((start + cx - clear) / 2)),$y"
    fi
    if [ $((end - cx - clear)) -ge 8 ]; then
        SLIDER_REST="$(((cx + clear + end) / 2)),$y"
    fi
    printf 'trackbar %s: channel %s, thumb %s; thumb centre %s, value sample %s, track sample %s\n' \
        "$id" "$channel" "$thumb" "$SLIDER_THUMB" "${SLIDER_VALUE:-none}" "${SLIDER_REST:-none}"
}

# The header band and the page, which prove the points land where the window is.
window_checks() {
    local origin x y
    origin=$(e2e_driver_value origin info)
    IFS=, read -r x y <<<"$origin"
    WINDOW_CHECKS=("header@$((x + 100)),$((y + 3))=$ACCENT" "page@$((x + 10)),$((y + 12))=$PAGE")
}

start_program() {
    # shellcheck disable=SC2119 # a start without "--tray"
    e2e_rolvane_start
    window_checks
    switch_points effect
}

# The effect switch: track colour at its centre, the white knob at its place for the state,
# and the track colour where the knob would be in the other state.
expect_switch() {
    local what=$1 state=$2 track=$3 knob=$SWITCH_KNOB_OFF other=$SWITCH_KNOB_ON
    if [ "$state" = on ]; then
        knob=$SWITCH_KNOB_ON
        other=$SWITCH_KNOB_OFF
    fi
    e2e_wait_for_pixels "$PAINT_TIMEOUT" "$what" "${WINDOW_CHECKS[@]}" "track@$SWITCH_TRACK=$track" \
        "knob@$knob=$WHITE" "free-end@$other=$track"
}

press() {
    BUTTON_HELD=1
    xdotool mousedown 1
}

release() {
    xdotool mouseup 1
    BUTTON_HELD=
}

case_switch_states() {
    start_program
    expect_switch "effect off at start" off "$SWITCH_OFF"
    e2e_driver command "$IDC_EFFECT_SWITCH" || e2e_fail "command $IDC_EFFECT_SWITCH failed"
    expect_switch "effect on" on "$ACCENT"
    e2e_driver command "$IDC_EFFECT_SWITCH" || e2e_fail "command $IDC_EFFECT_SWITCH failed"
    expect_switch "effect off again" off "$SWITCH_OFF"
    e2e_rolvane_exit
}

# Held down, the track darkens and the knob stays; the release is a click that flips the state.
case_switch_pressed() {
    start_program
    expect_switch "effect off at start" off "$SWITCH_OFF"
    local offset_x offset_y x y
    read -r offset_x offset_y <<<"$(e2e_desktop_offset)"
    x=$((${SWITCH_LABEL%,*} + offset_x))
    y=$((${SWITCH_LABEL#*,} + offset_y))
    xdotool mousemove "$x" "$y"
    press
    expect_switch "off, pressed" off "$SWITCH_OFF_PRESSED"
    release
    expect_switch "on after the click" on "$ACCENT"
    # A second press this soon at the same spot would be a double click, which an owner-drawn
    # button reports instead of pressing; 30 px away it is a new click.
    xdotool mousemove $((x + 30)) "$y"
    press
    expect_switch "on, pressed" on "$SWITCH_ON_PRESSED"
    release
    expect_switch "off after the second click" off "$SWITCH_OFF"
    e2e_rolvane_exit
}

# Balanced in force: every thumb centre is white, blue runs left of it and the light track
# right of it, wherever there is room to look.
case_slider_parts() {
    start_program
    local id checks=("${WINDOW_CHECKS[@]}") values=0 rests=0
    for id in "${SLIDERS[@]}"; do
        slider_points "$id"
        checks+=("thumb-$id@$SLIDER_THUMB=$WHITE")
        if [ -n "$SLIDER_VALUE" ]; then
            checks+=("value-$id@$SLIDER_VALUE=$ACCENT")
            values=$((values + 1))
        fi
        if [ -n "$SLIDER_REST" ]; then
            checks+=("track-$id@$SLIDER_REST=$SLIDER_TRACK")
            rests=$((rests + 1))
        fi
    done
    # Balanced has three thumbs inside their range and one at its lower end.
    if [ "$values" -lt 3 ] || [ "$rests" -ne 4 ]; then
        e2e_fail "the thumbs are not where Balanced puts them ($values value and $rests track samples)"
    fi
    e2e_wait_for_pixels "$PAINT_TIMEOUT" "sliders under Balanced" "${checks[@]}"
    e2e_rolvane_exit
}

# A profile chosen by command moves every thumb, with no input on the sliders: the new place
# is thumb-white, and the old one and the stretch between show the value blue or the light
# track, by the side the thumb went. The trackbar itself invalidates only its own narrow thumb
# rectangles, so the stretch between shows whether the whole slider was repainted.
case_slider_profile() {
    start_program
    local id checks=("${WINDOW_CHECKS[@]}")
    declare -A before_cx before_thumb
    for id in "${SLIDERS[@]}"; do
        slider_points "$id"
        before_cx[$id]=$SLIDER_CX
        before_thumb[$id]=$SLIDER_THUMB
        checks+=("thumb-$id@$SLIDER_THUMB=$WHITE")
    done
    e2e_wait_for_pixels "$PAINT_TIMEOUT" "thumbs under Balanced" "${checks[@]}"

    e2e_driver command "$IDM_PROFILE_FAST" || e2e_fail "command $IDM_PROFILE_FAST failed"
    checks=("${WINDOW_CHECKS[@]}")
    local moved old_colour between
    for id in "${SLIDERS[@]}"; do
        slider_points "$id"
        moved=$((SLIDER_CX - before_cx[$id]))
        # The midpoint must lie clear of both drawn thumbs (16 px) and their halo (24 px).
        [ "${moved#-}" -ge 32 ] || e2e_fail "trackbar $id: the thumb moved $moved px under Fast"
        old_colour=$SLIDER_TRACK
        [ "$moved" -lt 0 ] || old_colour=$ACCENT
        between="$(((SLIDER_CX + before_cx[$id]) / 2)),${SLIDER_THUMB#*,}"
        checks+=("thumb-$id@$SLIDER_THUMB=$WHITE" "old-$id@${before_thumb[$id]}=$old_colour"
            "between-$id@$between=$old_colour")
    done
    e2e_wait_for_pixels "$PAINT_TIMEOUT" "thumbs after Fast" "${checks[@]}"
    e2e_rolvane_exit
}

cleanup() {
    if [ -n "$BUTTON_HELD" ]; then
        xdotool mouseup 1 >/dev/null 2>&1 || true
    fi
    e2e_rolvane_stop_quietly
}

[ $# -eq 1 ] || e2e_fail "usage: $0 switch_states|switch_pressed|slider_parts|slider_profile"
declare -F "case_$1" >/dev/null || e2e_fail "unknown case $1"
require_environment
e2e_rolvane_end_leftovers
e2e_begin "pixels-$1"
trap cleanup EXIT
e2e_rolvane_forget_settings
"case_$1"
printf 'PASS %s\n' "$1"

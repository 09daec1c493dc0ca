#!/usr/bin/env bash
# The shell's Win32 layer under Wine: settings and start with Windows in the prefix's real
# registry, planted and checked from outside with `wine reg`, and the UI language by locale.
# Usage: shell_e2e.sh save|load|autostart|language
set -euo pipefail

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
: "${ROLVANE_WIN_BUILD_DIR:=$HERE/../../build/win}"
: "${E2E_WORK:=${ROLVANE_E2E_WORK:-$HERE/../../build/e2e-work}}"
# shellcheck source-path=SCRIPTDIR source=e2e_lib.sh
source "$HERE/e2e_lib.sh"

SETTINGS_KEY='HKCU\Software\Rolvane'
RUN_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
PROBE=$ROLVANE_WIN_BUILD_DIR/tests/e2e/shell_probe.exe
# Each Wine call normally takes well under a second; this only stops a hang.
CALL_TIMEOUT=60

require_environment() {
    [ -n "${DISPLAY:-}" ] || e2e_fail "DISPLAY is not set (scripts/test prepares it)"
    [ -n "${WINEPREFIX:-}" ] || e2e_fail "WINEPREFIX is not set (scripts/test prepares it)"
    [ -f "$PROBE" ] || e2e_fail "shell_probe.exe is missing in $ROLVANE_WIN_BUILD_DIR (build the win preset)"
}

# `wine reg` with its CRLF line ends turned into LF; its exit code passes through.
reg() {
    timeout "$CALL_TIMEOUT" wine reg "$@" 2>>"$E2E_CASE_DIR/wine.log" | tr -d '\r'
}

# Runs the probe and prints its output; PROBE_LOCALE, when set, becomes its LC_ALL.
probe() {
    local output code=0 locale=()
    [ -z "${PROBE_LOCALE:-}" ] || locale=("LC_ALL=$PROBE_LOCALE")
    output=$(env "${locale[@]}" timeout "$CALL_TIMEOUT" wine "$PROBE" "$@" \
        2>>"$E2E_CASE_DIR/wine.log") || code=$?
    [ "$code" -eq 0 ] || e2e_fail "shell_probe $* exited with code $code"
    printf '%s\n' "$output" | tr -d '\r' | tee -a "$E2E_CASE_DIR/probe.log"
}

# Neither our settings key nor our Run value.
reset_registry() {
    reg delete "$SETTINGS_KEY" /f >/dev/null 2>&1 || true
    reg delete "$RUN_KEY" /v Rolvane /f >/dev/null 2>&1 || true
    ! reg query "$SETTINGS_KEY" >/dev/null 2>&1 || e2e_fail "could not delete $SETTINGS_KEY"
    ! reg query "$RUN_KEY" /v Rolvane >/dev/null 2>&1 || e2e_fail "could not delete the Run value"
}

plant() {
    local key=$1 name=$2 type=$3 data=$4
    reg add "$key" /v "$name" /t "$type" /d "$data" /f >/dev/null ||
        e2e_fail "could not plant $name ($type $data)"
}

# "TYPE DATA" of one value as `wine reg query` shows it; nothing when it is missing.
value_of() {
    local key=$1 name=$2
    reg query "$key" /v "$name" 2>/dev/null |
        sed -n "s/^    $name    \(REG_[A-Z_]*\)    \(.*\)\$/\1 \2/p" || true
}

expect_value() {
    local key=$1 name=$2 want=$3 got
    got=$(value_of "$key" "$name")
    [ "$got" = "$want" ] || e2e_fail "$name: want [$want], got [$got]"
}

# The probe's output must hold each expected line exactly.
expect_lines() {
    local output=$1 what=$2 line
    shift 2
    for line in "$@"; do
        grep -qxF -- "$line" <<<"$output" ||
            e2e_fail "$what: no line [$line] in the output:"$'\n'"$output"
    done
    printf '%s: ok\n' "$what"
}

case_save() {
    local output
    output=$(probe save 1201 130 200 60 300)
    expect_lines "$output" "save while Soft is active" "saved 1"
    local listing
    listing=$(reg query "$SETTINGS_KEY") || e2e_fail "the save did not create $SETTINGS_KEY"
    printf '%s\n' "$listing"
    [ "$(grep -c '^    .*    REG_' <<<"$listing")" = 5 ] || e2e_fail "want exactly five values"
    expect_value "$SETTINGS_KEY" Profile "REG_DWORD 0x4b1"
    expect_value "$SETTINGS_KEY" CustomStepPercent "REG_DWORD 0x82"
    expect_value "$SETTINGS_KEY" CustomMaxAccelerationPercent "REG_DWORD 0xc8"
    expect_value "$SETTINGS_KEY" CustomAccelerationWindowMs "REG_DWORD 0x3c"
    expect_value "$SETTINGS_KEY" CustomSmoothDurationMs "REG_DWORD 0x12c"

    output=$(probe load)
    expect_lines "$output" "a new process loads what was saved" \
        "profile 1201" "active 100 100 125 430" "custom 130 200 60 300"
}

case_load() {
    local output before
    output=$(probe load)
    expect_lines "$output" "first run" \
        "profile 1202" "active 100 100 110 360" "custom 100 100 110 360" "dirty 0"
    ! reg query "$SETTINGS_KEY" >/dev/null 2>&1 || e2e_fail "a load created $SETTINGS_KEY"

    plant "$SETTINGS_KEY" Profile REG_BINARY b3040000
    output=$(probe load)
    expect_lines "$output" "4-byte REG_BINARY Profile 1203" "profile 1203" "active 110 150 80 240"

    plant "$SETTINGS_KEY" Profile REG_BINARY b304000000000000
    output=$(probe load)
    expect_lines "$output" "8-byte REG_BINARY Profile" "profile 1202" "active 100 100 110 360"

    plant "$SETTINGS_KEY" Profile REG_DWORD 1204
    plant "$SETTINGS_KEY" CustomStepPercent REG_DWORD 60
    plant "$SETTINGS_KEY" CustomMaxAccelerationPercent REG_DWORD 240
    plant "$SETTINGS_KEY" CustomAccelerationWindowMs REG_DWORD 40
    plant "$SETTINGS_KEY" CustomSmoothDurationMs REG_DWORD 500
    output=$(probe load)
    expect_lines "$output" "Custom at the range ends" \
        "profile 1204" "active 60 240 40 500" "custom 60 240 40 500"

    plant "$SETTINGS_KEY" CustomSmoothDurationMs REG_DWORD 501
    before=$(reg query "$SETTINGS_KEY")
    output=$(probe load)
    expect_lines "$output" "CustomSmoothDurationMs 501" \
        "profile 1204" "active 100 100 110 360" "custom 100 100 110 360" "dirty 0"
    [ "$(reg query "$SETTINGS_KEY")" = "$before" ] || e2e_fail "a load changed $SETTINGS_KEY"

    plant "$SETTINGS_KEY" CustomSmoothDurationMs REG_DWORD 500
    plant "$SETTINGS_KEY" CustomStepPercent REG_SZ 60
    plant "$SETTINGS_KEY" Profile REG_DWORD 1203
    output=$(probe load)
    expect_lines "$output" "CustomStepPercent as a string" \
        "profile 1203" "active 110 150 80 240" "custom 100 100 110 360"
}

case_autostart() {
    # A copy in a folder with a blank: the stored path must stand in quotes.
    local folder="$E2E_CASE_DIR/with blank"
    mkdir -p "$folder"
    cp "$PROBE" "$folder/shell_probe.exe"
    PROBE=$folder/shell_probe.exe
    local want
    want="\"$(windows_path "$PROBE")\" --tray"

    local output
    output=$(probe autostart-query)
    expect_lines "$output" "no Run value" "registered 0" "commandline $want"

    output=$(probe autostart-toggle)
    expect_lines "$output" "first toggle" "toggled 1" "registered 1"
    expect_value "$RUN_KEY" Rolvane "REG_SZ $want"

    output=$(probe autostart-toggle)
    expect_lines "$output" "second toggle" "toggled 1" "registered 0"
    [ -z "$(value_of "$RUN_KEY" Rolvane)" ] || e2e_fail "the second toggle left the Run value"

    plant "$RUN_KEY" Rolvane REG_DWORD 1
    output=$(probe autostart-toggle)
    expect_lines "$output" "REG_DWORD Run value counts as off" "toggled 1" "registered 1"
    expect_value "$RUN_KEY" Rolvane "REG_SZ $want"

    plant "$RUN_KEY" Rolvane REG_EXPAND_SZ 'C:\Other\Rolvane.exe'
    output=$(probe autostart-toggle)
    expect_lines "$output" "REG_EXPAND_SZ Run value counts as on" "toggled 1" "registered 0"
    [ -z "$(value_of "$RUN_KEY" Rolvane)" ] || e2e_fail "the REG_EXPAND_SZ value was not deleted"
}

case_language() {
    # Wine takes the display language from the locale; LANGUAGE could override it.
    unset LANGUAGE
    local output
    output=$(PROBE_LOCALE=cs_CZ.UTF-8 probe language)
    expect_lines "$output" "LC_ALL=cs_CZ.UTF-8" "language cs" \
        "profile-names Jemný|Vyvážený|Rychlý|Vlastní" \
        "state-line VYPNUTO  •  kolečko funguje standardně"

    output=$(PROBE_LOCALE=en_US.UTF-8 probe language)
    expect_lines "$output" "LC_ALL=en_US.UTF-8" "language en" \
        "profile-names Soft|Balanced|Fast|Custom" "state-line OFF  •  the wheel works normally"
}

[ $# -eq 1 ] || e2e_fail "usage: $0 save|load|autostart|language"
declare -F "case_$1" >/dev/null || e2e_fail "unknown case $1"
require_environment
e2e_begin "shell_$1"
trap 'reset_registry >/dev/null 2>&1 || true' EXIT
reset_registry
"case_$1"
printf 'PASS shell %s\n' "$1"

# shellcheck shell=bash disable=SC2034
# Shared steps of the scripts: packages, builds, the Wine prefix; sourced, not run.

ROLVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ROLVANE_LOG_DIR=$ROLVANE_ROOT/build/logs
ROLVANE_PREFIX_DIR=$ROLVANE_ROOT/build/wine-prefix

BUILD_PACKAGES=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev)
WINE_PACKAGES=(g++-mingw-w64-x86-64-posix wine64 wine xvfb xauth xdotool fonts-wine libxi6
    libxrandr2 libxrender1 libxcursor1 libxfixes3 libxinerama1 libxcomposite1)
# The Wine tests' harness: pytest, and screenshots read straight from the X server.
TEST_PACKAGES=(python3-pytest python3-xlib python3-pil python3-yaml)
# What scripts/release and scripts/check-reproducible need.
RELEASE_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-posix python3)

WINESERVER_STARTED=

# Each line says how long the script has run.
note() {
    printf '== %3d s  %s\n' "$SECONDS" "$*"
}

fail() {
    printf 'error: %s\n' "$*" >&2
    exit 1
}

package_installed() {
    [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" = "install ok installed" ]
}

ensure_packages() {
    local missing=() package
    for package in "$@"; do
        package_installed "$package" || missing+=("$package")
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    [ "$(id -u)" -eq 0 ] || fail "missing packages (run as root to install): ${missing[*]}"
    mkdir -p "$ROLVANE_LOG_DIR"
    note "installing ${missing[*]} (log: build/logs/apt.log)"
    if ! {
        DEBIAN_FRONTEND=noninteractive apt-get update &&
            DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
    } >"$ROLVANE_LOG_DIR/apt.log" 2>&1; then
        tail -n 30 "$ROLVANE_LOG_DIR/apt.log" >&2
        fail "apt-get could not install ${missing[*]}"
    fi
}

# Runs a command with its output in build/logs/NAME.log; shows the log's end if it fails.
run_logged() {
    local name=$1
    shift
    mkdir -p "$ROLVANE_LOG_DIR"
    if ! "$@" >"$ROLVANE_LOG_DIR/$name.log" 2>&1; then
        tail -n 40 "$ROLVANE_LOG_DIR/$name.log" >&2
        fail "$name failed: $* (log: build/logs/$name.log)"
    fi
}

# Builds Rolvane.exe of COMMIT from a clean copy of it (git archive, not the work tree) in
# FOLDER/src, into FOLDER/build; logs in build/logs/NAME-*.log.
build_commit() {
    local commit=$1 folder=$2 name=$3
    note "building ${commit:0:12} in $folder (logs: build/logs/$name-*.log)"
    mkdir -p "$folder/src"
    git -C "$ROLVANE_ROOT" archive "$commit" | tar -x -C "$folder/src"
    run_logged "$name-configure" cmake -S "$folder/src" --preset win -B "$folder/build"
    run_logged "$name-build" cmake --build "$folder/build" -j2 --target Rolvane
}

# Writes the release files of EXE, built from the source in SOURCE, into OUT; more options of
# scripts/release_files.py may follow. The zip's files carry the time of COMMIT.
write_release_files() {
    local exe=$1 source=$2 out=$3 commit=$4
    shift 4
    python3 "$ROLVANE_ROOT/scripts/release_files.py" --exe "$exe" --source "$source" --out "$out" \
        --time "$(git -C "$ROLVANE_ROOT" log -1 --format=%ct "$commit")" "$@"
}

# The host tree's ctest runs the tests of these trees too.
SANITIZER_PRESETS=(asan tsan)

configure_host_trees() {
    cd "$ROLVANE_ROOT" || return
    local trees=("${SANITIZER_PRESETS[@]/#/$ROLVANE_ROOT/build/}") preset
    run_logged configure-host cmake --preset host \
        "-DROLVANE_SANITIZER_TREES=$(IFS=';' && printf '%s' "${trees[*]}")"
    for preset in "${SANITIZER_PRESETS[@]}"; do
        run_logged "configure-$preset" cmake --preset "$preset"
    done
}

build_win() {
    note "building build/win (log: build/logs/build-win.log)"
    cd "$ROLVANE_ROOT" || return
    run_logged configure-win cmake --preset win
    run_logged build-win cmake --build --preset win
}

# The host tree, and the unit tests and corpus replays under AddressSanitizer with
# UndefinedBehaviorSanitizer and under ThreadSanitizer. They build while the Wine tests run, at
# a lower priority: the Wine tests are the longer path, and mostly wait, so the compilers fill
# the gaps instead of slowing Wine down.
build_host_trees() {
    local preset
    cd "$ROLVANE_ROOT" || return
    for preset in host "${SANITIZER_PRESETS[@]}"; do
        note "building build/$preset (log: build/logs/build-$preset.log)"
        run_logged "build-$preset" nice -n 10 cmake --build --preset "$preset"
    done
}

export_wine_environment() {
    export WINEPREFIX=${1:-$ROLVANE_PREFIX_DIR}
    export WINEARCH=win64
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
}

# Creates the Wine prefix in $WINEPREFIX unless an earlier run left a complete one there.
prepare_prefix() {
    local marker=$WINEPREFIX/.rolvane-prefix-ready-2
    if [ -f "$marker" ]; then
        return 0
    fi
    WINESERVER_STARTED=1
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i
    # The registry files are written only when the server exits.
    wineserver -w
    cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    # Without a window manager, Xvfb alone stalls every hide and races the focus;
    # a Wine virtual desktop, set before explorer.exe starts, avoids both.
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f
    # Segoe UI is not free; Wine's own fallback is much wider and clips the window's texts.
    # Tahoma, which Wine ships, comes close to its metrics.
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Segoe UI' /d Tahoma /f
    wineserver -k
    wineserver -w
    touch "$marker"
}

stop_wineserver() {
    if [ -n "$WINESERVER_STARTED" ]; then
        wineserver -k >/dev/null 2>&1 || true
        WINESERVER_STARTED=
    fi
}

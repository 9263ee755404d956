#!/usr/bin/env bash
# Makes the pictures of the README and the user guide again, from the viewer
# as it is now:
#   docs/screenshot.png  the main window with a table window and a one-line view
#   docs/chart.png       a chart of four regions beside the one-line view it came from
#   docs/help.png        the help window on the topic of charts
# (or into FOLDER: bash scripts/screenshots.sh [FOLDER]).
#
# The viewer of build/ (brought up to date first) runs on its sample data
# under xvfb-run, on a screen of a fixed size with the openbox window
# manager, with settings, runtime and home folders of its own. It is driven
# by keys alone, as a keyboard user would drive it (xdotool), and each
# picture is the whole screen (ImageMagick's import). Every step waits for
# the window it expects; a window that should not be there (a message box)
# stops the script with its title. Look at the pictures before committing
# them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVEL_BUILD_DIR:-$root/build}
size=${TARVEL_SCREENSHOT_SIZE:-1500x950}

if [ "${1:-}" != --on-screen ]; then
    out=$(realpath -m "${1:-$root/docs}")
    mkdir -p "$out"
    "$root/scripts/setup-deps.sh"
    "$root/scripts/build.sh"
    exec xvfb-run -a -s "-screen 0 ${size}x24 -dpi 96 -nolisten tcp" bash "$0" --on-screen "$out"
fi
out=$2

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A first start of a user of its own: no settings, so the viewer finds the
# sample data beside it and opens the quick start.
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export LANG=C.UTF-8 QT_QPA_PLATFORM=xcb
unset QT_SCALE_FACTOR QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE

step() { echo "screenshots: $*"; }
die() {
    echo "screenshots.sh: $*" >&2
    exit 1
}

# The top-level window titled exactly title, waited for up to 20 s.
wait_window() {
    local title=$1 id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "^$(printf '%s' "$title" | sed 's/[][\.*^$()+?{}|]/\\&/g')\$" 2>/dev/null | head -n1 || true)
        if [ -n "$id" ]; then
            printf '%s\n' "$id"
            return 0
        fi
        sleep 0.2
    done
    die "no window titled '$title' appeared; open windows: $(visible_titles)"
}

visible_titles() {
    local id titles=()
    for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
        titles+=("'$(xdotool getwindowname "$id")'")
    done
    printf '%s ' "${titles[@]}"
}

# Only the windows named may be on screen (a message box would be another).
expect_only() {
    local id name
    sleep 0.5
    for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
        name=$(xdotool getwindowname "$id")
        local known=0
        for allowed in "$@"; do
            [ "$name" = "$allowed" ] && known=1
        done
        [ "$known" = 1 ] || die "an unexpected window is open: '$name'"
    done
}

# Keys to the focused window, each followed by a pause for the viewer to act.
keys() {
    local key
    for key in "$@"; do
        xdotool key --clearmodifiers "$key"
        sleep 0.4
    done
}

shoot() {
    sleep 1
    import -window root "$out/$1"
    step "wrote $out/$1"
}

openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 1

"$build/bin/tarvel" >"$work/tarvel.log" 2>&1 &
pids+=($!)

main_title="Orlandel - sample data"
help=$(wait_window "TARVEL Help")
main=$(wait_window "$main_title")

# ---- the help window: the topic on charts, found by its keyword ------------------------
step "the help window"
xdotool windowactivate --sync "$help"
xdotool windowsize --sync "$help" 1100 760
xdotool windowmove --sync "$help" 200 100
sleep 0.5
keys alt+t
xdotool type --delay 60 "chart"
keys Return alt+k Return  # the keyword "chart" and its topic
shoot help.png
keys Escape
expect_only "$main_title"

# ---- the main window: ZR5N, the last nine quarters, California ---------------------------
step "a table window and a one-line view"
xdotool windowactivate --sync "$main"
keys alt+1 Down           # 1. Table: ZR5, whose first table ZR5N is chosen
keys alt+3 Down Down Down # 3. Quarters: the last nine
keys alt+4
wait_window "States" >/dev/null
xdotool type --delay 80 "Calif"
keys space Return
expect_only "$main_title"
keys alt+n                # California's table
keys Down alt+l           # the line "Personal income" for all 60 areas
keys alt+w a v            # Window > Arrange > Tile Vertical
keys alt+w 1              # the table window in front: all four display buttons show
expect_only "$main_title"
shoot screenshot.png

# ---- the chart: personal income of four regions, all quarters ------------------------------
step "a chart of four regions"
keys alt+w c              # Window > Close All
keys alt+3 Down           # 3. Quarters: all (the list is on the last nine)
keys alt+n                # California again, now with every quarter
keys Down alt+l           # its personal income for all 60 areas
keys alt+w 1 ctrl+w       # the table window closes; the one-line view stays
keys ctrl+End shift+Up shift+Up shift+Up # the last four regions
keys alt+c                # their chart
keys alt+w a v
keys alt+w 1              # the one-line view in front, its rows still selected
expect_only "$main_title"
shoot chart.png

xdotool key --clearmodifiers ctrl+q
sleep 1

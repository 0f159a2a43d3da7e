#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Tickwarden developers
# SPDX-License-Identifier: GPL-2.0-or-later
#
# Runs Tickwarden under a private Xvfb as a new user would use it: starts the stopwatch,
# takes laps, writes notes, pauses, and saves a PNG of the window with the fastest and the
# slowest lap marked and the lap summary below the table.
#
#   scripts/take-screenshot.sh BINARY OUT.png
#
# Needs Xvfb, xdotool, xdpyinfo and ImageMagick's import; scripts/tickwarden-dev screenshot
# runs it where those are.
set -euo pipefail

binary=$1
out=$2

work=$(mktemp -d)
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

xvfb_pid=
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

display=:$((100 + $$ % 400))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || { cat "$work/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }

"$binary" >"$work/tickwarden.log" 2>&1 &
app_pid=$!

window=$(xdotool search --sync --onlyvisible --name 'Untitled' | head -n 1)
xdotool windowsize --sync "$window" 920 460
xdotool windowmove --sync "$window" 0 0
xdotool windowfocus --sync "$window"
sleep 0.5

xdotool key --window "$window" space
for pause in 2.3 1.7 2.9; do
    sleep "$pause"
    xdotool key --window "$window" Return
done
sleep 1.1
xdotool key --window "$window" space
sleep 0.3

# Notes go into the last column of the lap table, on the right of the window: a double
# click on a note cell opens its editor. The positions fit the window size set above.
row_height=30
first_row_y=80
note_x=800
for note in "Warm-up" "Steady pace" "Sprint, last stretch"; do
    xdotool mousemove --window "$window" "$note_x" "$first_row_y" click --repeat 2 --delay 80 1
    sleep 0.3
    xdotool type --delay 20 "$note"
    xdotool key Return
    sleep 0.3
    first_row_y=$((first_row_y + row_height))
done
# A click on the empty part of the table clears the selection, so that the colours of the
# fastest and slowest laps show, with the lap summary below the table.
xdotool mousemove --window "$window" "$note_x" $((first_row_y + 40)) click 1
xdotool mousemove --window "$window" 5 5
sleep 0.5

import -window "$window" "$out"
echo "screenshot written to $out"

#!/usr/bin/env bash
# Runs Torvelin where there is no display (a server, a container): starts
# the program under its own Xvfb server, types a sample run as a person would
# (sky 10 K, earth 290 K, the sample table horizon_beam.txt), waits for the
# results screen, saves it as a PNG and closes the window.
#
#   headless_demo.sh [PROGRAM [PNG]]
#
# PROGRAM defaults to build/app/torvelin, PNG to build/results-screen.png.
# Without a sound device (no /dev/snd, or the program's exit code 111) the
# program runs on OpenAL Soft's null backend.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "${1:-$root/build/app/torvelin}")
png=$(realpath -m "${2:-$root/build/results-screen.png}")
close_helper=$(dirname "$program")/../tools/close_window
title_prefix="Torvelin v1.58"
table=horizon_beam.txt
timeout_s=120

for tool in Xvfb xdotool xwd convert; do
  command -v "$tool" >/dev/null || { echo "headless_demo: $tool is missing" >&2; exit 1; }
done
[ -x "$program" ] || { echo "headless_demo: no program at $program" >&2; exit 1; }

xvfb_pid=
program_pid=
scratch=$(mktemp -d)
stop_all() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap stop_all EXIT

# A private X server on a free display number, which it writes to a pipe.
# -noreset keeps it from resetting (and dropping new connections) whenever
# its last client, such as one xdotool call, leaves.
mkfifo "$scratch/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$scratch/display" >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 15 display_number <"$scratch/display" || { echo "headless_demo: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display_number"

# No sound device here: OpenAL Soft's null backend, unless a backend is chosen.
[ -e /dev/snd ] || [ -n "${ALSOFT_DRIVERS:-}" ] || export ALSOFT_DRIVERS=null

# The window's highest intensity (0 to 1) in the 640 x 16 pixels of a text row.
row_lit() {
  xwd -id "$window" -silent | convert xwd:- -crop "640x16+0+$((($1 - 1) * 16))" +repage \
    -format '%[fx:maxima.intensity]' info:
}
# True when a text row holds colour 12 (bright red), as the row of alpha 30
# on the results screen does.
row_has_colour_12() {
  xwd -id "$window" -silent | convert xwd:- -crop "640x16+0+$((($1 - 1) * 16))" +repage \
    -unique-colors txt:- | grep -qi '#FF5555'
}
wait_for() {  # description, command...
  local what=$1 deadline=$((SECONDS + timeout_s))
  shift
  until "$@"; do
    if ! kill -0 "$program_pid" 2>/dev/null; then
      echo "headless_demo: the program ended while waiting for $what" >&2
      exit 1
    fi
    if [ "$SECONDS" -ge "$deadline" ]; then
      echo "headless_demo: no $what within $timeout_s s" >&2
      exit 1
    fi
    sleep 0.2
  done
}
row_shown() { [ "$(row_lit "$1")" != 0 ]; }
title_names_table() { [ "$(xdotool getwindowname "$window")" = "$title_prefix         FFTab: $table" ]; }
window_found() { window=$(xdotool search --name "^$title_prefix" 2>/dev/null | head -n 1) && [ -n "$window" ]; }

# Starts the program and waits for its window; when the program ends first,
# ended_with holds its exit code.
start_program() {
  ended_with=
  "$program" &
  program_pid=$!
  local deadline=$((SECONDS + 15))
  until window_found; do
    if ! kill -0 "$program_pid" 2>/dev/null; then
      ended_with=0
      wait "$program_pid" || ended_with=$?
      program_pid=
      return
    fi
    [ "$SECONDS" -lt "$deadline" ] || { echo "headless_demo: no window appeared" >&2; exit 1; }
    sleep 0.1
  done
}
start_program
if [ "$ended_with" = 111 ] && [ "${ALSOFT_DRIVERS:-}" != null ]; then
  # No sound device could be opened: run on the null backend instead.
  echo "headless_demo: no sound device; running without sound" >&2
  export ALSOFT_DRIVERS=null
  start_program
fi
[ -z "$ended_with" ] || { echo "headless_demo: the program ended with $ended_with" >&2; exit 1; }

# Without a window manager the window opens at (-1, -1).
xdotool windowmove --sync "$window" 0 0 >/dev/null 2>&1 || true
xdotool mousemove --sync 100 100
xdotool windowfocus --sync "$window" >/dev/null 2>&1 || true

wait_for "sky temperature prompt" row_shown 4
xdotool type --delay 60 10
xdotool key Return
wait_for "earth temperature prompt" row_shown 5
xdotool type --delay 60 290
xdotool key Return
wait_for "file prompt" row_shown 8
xdotool type --delay 60 "$table"
xdotool key Return
wait_for "second pass over $table" title_names_table
wait_for "results screen" row_has_colour_12 11

mkdir -p "$(dirname "$png")"
xwd -id "$window" -silent | convert xwd:- "png:$png"
echo "The results screen of $table (sky 10 K, earth 290 K) is saved as $png"

# Close the window as its close button does, and let the program end.
if [ -x "$close_helper" ]; then
  "$close_helper" "$window"
else
  kill "$program_pid"
fi
ended_with=0
wait "$program_pid" || ended_with=$?
program_pid=
[ "$ended_with" -eq 0 ] || echo "headless_demo: the program ended with $ended_with after the close" >&2

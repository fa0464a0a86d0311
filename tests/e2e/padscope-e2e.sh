#!/usr/bin/env bash
# Runs the real padscope program on the simulated adapter under a virtual
# display, as a user would: Start from the toolbar, capture for a while, Stop,
# the numeric pad's - twice and + once (coordinate zoom out, out, in), Dump
# Original Data through the save dialog (typing the file name), Load Data of
# that chart through the open dialog, then quit through the File menu.
# Afterwards the chart, "~tmp.tmp" (with the raw-value window the zoom keys
# left), "~list.tmp" and a screenshot taken during capture are checked.
#
#   padscope-e2e.sh PADSCOPE_BINARY PADSCOPE_CLI_BINARY
set -euo pipefail
binary=$1
cli=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/tmp"
mkdir -m 700 "$work/run"

export PADSCOPE_HOME="$work/home" TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/run" LANG=C LC_ALL=C
export PADSCOPE_NONINTERACTIVE=1 PADSCOPE_UPDATE_URL=http://127.0.0.1:9
export E2E_BINARY=$binary E2E_WORK=$work

xvfb-run -a -s "-screen 0 1600x1000x24" bash -euo pipefail -c '
  fail() { echo "e2e: $*" >&2; cat "$E2E_WORK/stderr.log" >&2 || true; exit 1; }
  # Waits up to $1 seconds for the command in the rest of the arguments.
  wait_for() {
    local limit=$(( $1 * 10 )); shift
    for ((i = 0; i < limit; i++)); do
      if "$@" >/dev/null 2>&1; then return 0; fi
      sleep 0.1
    done
    return 1
  }
  "$E2E_BINARY" --simulate 2> "$E2E_WORK/stderr.log" & pid=$!
  wait_for 30 xdotool search --onlyvisible --name "." || fail "no window"
  win=$(xdotool search --onlyvisible --name "." | head -1)
  sleep 1
  xdotool windowfocus --sync "$win" || true
  xdotool mousemove 34 43 click 1                       # Start
  sleep 3                                               # capture a while
  import -window root "$E2E_WORK/capture.png"
  xdotool mousemove 74 43 click 1                       # Stop
  sleep 1
  xdotool windowfocus --sync "$win" || true
  xdotool key KP_Subtract KP_Subtract KP_Add            # zoom steps 2, 3, then 2
  sleep 0.5
  xdotool mousemove 122 43 click 1                      # Dump Original Data
  wait_for 10 xdotool search --onlyvisible --name "Save|Dump|Padscope.*" || fail "no save dialog"
  sleep 1
  xdotool type --delay 20 "$E2E_WORK/e2e.tkchart"
  xdotool key Return
  wait_for 10 test -s "$E2E_WORK/e2e.tkchart" || fail "no chart written"
  wait_for 10 grep -q "save ok." "$E2E_WORK/stderr.log" || fail "no save ok."
  sleep 1
  xdotool mousemove 162 43 click 1                      # Load Data: the chart list gets it
  wait_for 10 xdotool search --onlyvisible --name "Open|Load|Padscope.*" || fail "no open dialog"
  sleep 1
  xdotool type --delay 20 "$E2E_WORK/e2e.tkchart"
  xdotool key Return
  sleep 2
  xdotool windowfocus --sync "$win" || true
  xdotool key alt+f                                     # File menu
  sleep 0.5
  xdotool key Up Return                                 # its last item: Exit
  for ((i = 0; i < 100; i++)); do
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 $pid 2>/dev/null; then
    kill $pid; fail "Exit did not end the program"
  fi
  wait $pid
'

fail() { echo "e2e: $*" >&2; cat "$work/stderr.log" >&2 || true; exit 1; }
chart="$work/e2e.tkchart"
size=$(stat -c %s "$chart")
[ $((size % 64)) -eq 0 ] || fail "chart size $size is not whole records"
[ "$size" -ge $((64 * 20)) ] || fail "chart of $size bytes holds too few frames"
tail -c 64 "$chart" | od -v -An -tx1 | tr -d ' \n' | grep -qx '\(ff\)\{64\}' || fail "no end record"
[ "$(stat -c %s "$work/home/~tmp.tmp")" -eq 1248 ] || fail "~tmp.tmp is not 1248 bytes"
# Coordinate zoom at step 2 spans 3 x 2 units above the reference sample and
# 5 x 2 below it: only all three keys together leave a window 16 units high.
setting() { PADSCOPE_HOME="$work/home" "$cli" settings show | sed -n "s/^$1 = //p"; }
span=$(( $(setting rangeMax) - $(setting rangeMin) ))
[ "$span" -eq 16 ] || fail "numeric-pad zoom keys: raw-value window $span units high, not 16"
list=$(stat -c %s "$work/home/~list.tmp")
[ "$list" -gt 0 ] && [ $((list % 384)) -eq 0 ] || fail "~list.tmp of $list bytes"
grep -q "e2e.tkchart" "$work/home/~list.tmp" || fail "~list.tmp does not name the chart"
deviation=$(convert "$work/capture.png" -colorspace Gray -format "%[fx:standard_deviation]" info:)
awk -v d="$deviation" 'BEGIN { exit !(d > 0.02) }' || fail "blank screenshot (deviation $deviation)"
echo "e2e: chart $size bytes, ~list.tmp $list bytes, screenshot deviation $deviation"

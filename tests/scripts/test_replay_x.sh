#!/usr/bin/env bash
# A game recorded from outside and replayed: the real program, in a window on
# an X server of its own, is played with keys (intro skipped, Start, the
# briefing, driving and shooting, the pause menu, quit) with -record; a second
# run replays the file in real time (and headless as fast as it goes): it
# must end by itself with exit 0, confirm every level attempt's check sum, and
# show the picture the first run ended on (the pause menu on "quit"), the
# REPLAY marker's corner aside.
set -uo pipefail
src="$(cd "$(dirname "$0")/../.." && pwd)"
source "$src/tests/support/real_program.sh"
begin_script "$1"
cd "$build" || exit 1
private_x 1024x768x24 || exit 1
tmp="$work/shots"
mkdir -p "$tmp"
rec="$work/game.vrp"
# The picture below the marker's rows, as the two runs are compared.
MARKER_ROWS=40
below_marker() { grab "$1" 0 $MARKER_ROWS 640 $((480 - MARKER_ROWS)); }

HOME="$work" ./vorlin -win -scale 1 -record "$rec" > "$work/rec.out" 2> "$work/rec.err" &
pid=$!
wid=$(wait_window 'El Vorlin' $STARTUP_S $pid)
check "the recording run shows its window" '[ -n "$wid" ]' || exit 1
lit 60; sleep 0.8
press Return                     # ends the intro's fade-in
settle 60 5000                   # the title, ready
step Return 2000                 # Start: the briefing
press Return                     # into the level
dark 60; brightness_is '> 0.1' 60; sleep 2.5
xdotool keydown Up; sleep 0.8; xdotool keydown Left; sleep 0.5
press Control_L; xdotool keyup Left; sleep 0.4; press Control_L; xdotool keyup Up
step Escape                      # the pause menu
step Down                        # on "quit"
below_marker "$work/final_recorded.ppm"
press Return
wait_exit $pid $EXIT_S
check "the recording run quits with exit 0 (was $exit_rc)" '[ "$exit_rc" = 0 ]' || game_stderr "$work/rec.err" | tail
check "the recording was written" '[ -s "$rec" ]'
check "no sanitizer finding while recording" '! sanitizer_finding "$work/rec.err"'

# Frames dropped or not, the logic is the same: headless and as fast as it
# goes, the real game's recording plays back alike.
bounded 300 ./replay_check "$rec" > "$work/headless.out" 2>&1
rc=$?
check "the recording replays headless too (exit $rc)" '[ $rc -eq 0 ]' || tail "$work/headless.out"

HOME="$work" ./vorlin -win -scale 1 -replay "$rec" > "$work/play.out" 2> "$work/play.err" &
pid=$!
wid=$(wait_window 'El Vorlin' $STARTUP_S $pid)
check "the replay shows its window" '[ -n "$wid" ]'
# The replay ends by itself; until then its picture is looked at often.
seen=no
end=$(deadline_in 300)
while kill -0 $pid 2> /dev/null && ! past "$end"; do
  below_marker "$tmp/now.ppm" && cmp -s "$tmp/now.ppm" "$work/final_recorded.ppm" && seen=yes
  sleep 0.05
done
wait_exit $pid $EXIT_S
check "the replay ends by itself with exit 0 (was $exit_rc)" '[ "$exit_rc" = 0 ]' || game_stderr "$work/play.err" | tail
check "every level attempt ended as recorded" \
  'grep -qx "Replay over: 1 game(s), 1 level attempt(s) played as recorded" "$work/play.out"' || cat "$work/play.out"
check "the replay showed the picture the recording ended on" '[ $seen = yes ]'
check "no sanitizer finding while replaying" '! sanitizer_finding "$work/play.err"'
exit $fail

#!/usr/bin/env bash
# The real program stopped in play for 10 seconds (Ctrl+Z, then fg; a laptop
# asleep) resumes where it was: its level clock does not make up the stopped
# time. The game runs with -debug, which prints the clock of the screen left
# last on quitting; the level is left by SIGINT. The clock may count at most
# the wall time the game spent running since its start-up ended, the stop
# taken out, plus a few ticks of catch-up and slack.
set -uo pipefail
source "$(dirname "$(realpath "$0")")/../support/real_program.sh"
begin_script "$1"

STARTUP_WITHIN_S=120
ENTER_LEVEL_S=$((15 * patience)) # Return pressed meanwhile: through the intro, title and briefing into play (harmless in play)
STOP_S=10
RUN_AFTER_S=2
EXIT_WITHIN_S=30
TICKS_PER_S=60
SLACK_TICKS=40           # the catch-up a short stall keeps, and the timer's rounding


private_x || exit 1
mkdir -p "$work/home"
(cd "$build" && exec env HOME="$work/home" ./vorlin -win -debug \
  > "$work/out" 2> "$work/err") &
pid=$!
if ! wait_for_line "$work/out" "Done!" $STARTUP_WITHIN_S $pid; then
  echo "FAIL: no start-up within ${STARTUP_WITHIN_S} s"; cat "$work/err"; kill -9 $pid; exit 1
fi
started=$(clock_ms)
until past $(( started + ENTER_LEVEL_S * 1000 )); do
  press Return
  sleep 0.15
done

kill -STOP $pid
stopped=$(clock_ms)
sleep $STOP_S
kill -CONT $pid
resumed=$(clock_ms)
sleep $RUN_AFTER_S
kill -INT $pid
quit=$(clock_ms)
wait_exit $pid $EXIT_WITHIN_S

clock=$(sed -n 's/^Last screen.s clock: \([0-9]*\) ticks$/\1/p' "$work/err")
running_ms=$(( quit - started - (resumed - stopped) ))
allowed=$(( running_ms * TICKS_PER_S / 1000 + SLACK_TICKS ))
echo "stopped $(( resumed - stopped )) ms; running $running_ms ms since start-up; level clock ${clock:-?} ticks (at most $allowed allowed)"
check "quit by SIGINT exits 0 (was $exit_rc)" '[ "$exit_rc" = 0 ]'
check "one level attempt played, ended by the quit" '[ "$(grep -c "^Create count" "$work/out")" = 1 ]'
check "the level clock ran after the stop" '[ -n "$clock" ] && [ "$clock" -ge $TICKS_PER_S ]'
check "the level clock did not make up the ${STOP_S} s stop" '[ -n "$clock" ] && [ "$clock" -le $allowed ]'
sanitizer_finding "$work/err" && { echo "FAIL: sanitizer report"; fail=1; }
[ $fail = 0 ] || { echo "--- standard error"; tail -n 20 "$work/err"; }
exit $fail

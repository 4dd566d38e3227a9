#!/usr/bin/env bash
# The game's window killed from outside at random moments of the intro, title
# and play, either as a window manager's kill does it (the X server drops the
# game's connection) or by destroying the window (the server then refuses the
# game's drawing): the game ends in an orderly way, with exit code 1 and a
# fatal error line about the display, never an abort, a core dump or a hang.
# Several games run at once, each on an X server of its own.
# VORLIN_TEST_SEED repeats a run's random moments.
set -uo pipefail
source "$(dirname "$(realpath "$0")")/../support/real_program.sh"
begin_script "$1"

SLOTS=3
RUNS_PER_SLOT=4 # new random moments each time the tests run (the seed is printed)
LATEST_KILL_MS=7000
EXIT_WITHIN_S=$EXIT_S
seed="${VORLIN_TEST_SEED:-$(( $(date +%s) % 100000 ))}"
echo "seed $seed (VORLIN_TEST_SEED=$seed repeats these runs)"

# One run: the game, Return pressed now and then (into play in most runs),
# its window killed or destroyed at a random moment. Writes one result line.
run_one() {
  local id="$1" home="$work/home$1"
  mkdir -p "$home"
  local at_ms=$(( 500 + (RANDOM * 32768 + RANDOM) % (LATEST_KILL_MS - 500) ))
  local how=$([ $(( RANDOM % 2 )) = 0 ] && echo windowkill || echo windowclose)
  (cd "$build" && exec env HOME="$home" ./vorlin -win > "$home/out" 2> "$home/err") &
  local pid=$! kill_at wid
  kill_at=$(( $(clock_ms) + at_ms ))
  wid=$(wait_window 'El Vorlin' $STARTUP_S $pid)
  until past "$kill_at"; do
    press Return
    sleep 0.2
  done
  if ! kill -0 $pid 2> /dev/null; then
    wait $pid
    { echo "FAIL $how at $at_ms ms: the game had already ended with $? ($(private_x_state)); its last lines:"
      tail -n 5 "$home/err"; } > "$work/result.$id"
    return
  fi
  xdotool "$how" "$wid"
  wait_exit $pid $EXIT_WITHIN_S
  local verdict=ok
  [ "$exit_rc" = 1 ] && grep -q '^Fatal error:  .*display' "$home/err" || verdict=FAIL
  sanitizer_finding "$home/err" && verdict=FAIL
  echo "$verdict $how at $at_ms ms: exit $exit_rc$([ $verdict = ok ] ||
    echo ", stderr: $(grep -v '^ALSA' "$home/err" | tail -3 | tr '\n' '|')")" > "$work/result.$id"
}

run_slots_and_report

#!/usr/bin/env bash
# Ctrl+C, a closed terminal and the end of a session (SIGINT, SIGHUP, SIGTERM)
# sent to the real program at random moments of start-up, intro, title,
# briefing, play and the pause menu: every run quits as a player's quit does,
# storing the settings (what the player wrote kept) and exiting with 0, never
# hanging. A second signal during that quit may end the program at once
# (exit code 128 + the signal handled second), but the settings file is then
# the old one or the complete new one. Never an abort, a segfault or a hang.
# Several games run at once, each on an X server of its own so that the keys
# reach it. VORLIN_TEST_SEED repeats a run's random moments.
set -uo pipefail
build="$(realpath "$1")"
here="$(dirname "$(realpath "$0")")"
source "$here/support/real_program.sh"
keep_sound_library_loaded "$build/vorlin"
work="$(mktemp -d)"
trap 'stop_private_x; rm -rf "$work"' EXIT

SLOTS=4
RUNS_PER_SLOT=8
LATEST_SIGNAL_MS=8000     # by then a player pressing Return is in play
PAUSE_AFTER_START_MS=6000 # ESC this long after start-up: the pause menu
EXIT_WITHIN_S=$EXIT_S
seed="${VORLIN_TEST_SEED:-$(( $(date +%s) % 100000 ))}"
echo "seed $seed (VORLIN_TEST_SEED=$seed repeats these runs)"

signals=(INT TERM HUP)
signal_number() { kill -l "$1"; }
now_ms() { clock_ms; }
sleep_ms() { sleep "$(printf '%d.%03d' $(( $1 / 1000 )) $(( $1 % 1000 )))"; }

# The settings file after the run holds the title song, all seven controls,
# and what the player had written.
complete_settings() {
  local cfg="$1" i
  grep -qE '^title_song = [01]$' "$cfg" || return 1
  for i in 0 1 2 3 4 5 6; do grep -qE "^control$i = [0-8]$" "$cfg" || return 1; done
  grep -qx 'control4 = 5' "$cfg" && grep -qx '# kept by the player' "$cfg"
}

# One run: the game, Return pressed as a player would (through the intro,
# title and briefing into play), one signal (sometimes two) at a random moment.
# Writes one result line to $work/result.<id>: "ok ..." or "FAIL ...".
run_one() {
  local id="$1" home="$work/home$1"
  mkdir -p "$home"
  local cfg="$home/vorlin-settings.cfg"
  printf '# kept by the player\n[misc]\ntitle_song = 1\n[controls]\ncontrol4 = 5\n' > "$cfg"
  cp "$cfg" "$home/original"
  local sig=${signals[RANDOM % 3]} sig2=${signals[RANDOM % 3]}
  local at_ms=$(( (RANDOM * 32768 + RANDOM) % LATEST_SIGNAL_MS ))
  local second=$(( RANDOM % 5 == 0 )) second_gap_ms=$(( RANDOM % 2 ? 0 : RANDOM % 200 ))

  (cd "$build" && exec env LD_PRELOAD="$game_preload" HOME="$home" ./vorlin -win > "$home/out" 2> "$home/err") &
  local pid=$! start
  start=$(now_ms)
  # ESC is timed from the end of start-up (which a busy machine makes longer):
  # pressed on the title, it would quit the game.
  local paused=0 started_ms=
  while [ $(( $(now_ms) - start )) -lt "$at_ms" ]; do
    kill -0 $pid 2> /dev/null || break
    [ -z "$started_ms" ] && grep -qx "Done!" "$home/out" 2> /dev/null && started_ms=$(now_ms)
    if [ $paused = 0 ] && [ -n "$started_ms" ] && [ $(( $(now_ms) - started_ms )) -ge $PAUSE_AFTER_START_MS ]; then
      press Escape; paused=1
    elif [ $paused = 0 ]; then
      press Return
    fi
    sleep 0.2
  done
  local what="SIG$sig at ${at_ms} ms"
  if ! kill -0 $pid 2> /dev/null; then
    wait $pid
    echo "FAIL $what: the game had already ended with $? (see $home/err)" > "$work/result.$id"
    return
  fi
  kill -s "$sig" $pid
  if [ "$second" = 1 ]; then
    [ "$second_gap_ms" = 0 ] || sleep_ms "$second_gap_ms"
    kill -s "$sig2" $pid 2> /dev/null
    what="$what, SIG$sig2 ${second_gap_ms} ms later"
  fi
  wait_exit $pid $EXIT_WITHIN_S
  local verdict=ok
  if [ "$second" = 1 ]; then
    if [ "$exit_rc" = 0 ]; then
      complete_settings "$cfg" || verdict=FAIL
    # Two signals pending at once are handled lowest number first.
    elif [ "$exit_rc" = $(( 128 + $(signal_number "$sig2") )) ] || [ "$exit_rc" = $(( 128 + $(signal_number "$sig") )) ]; then
      cmp -s "$cfg" "$home/original" || complete_settings "$cfg" || verdict=FAIL
    else
      verdict=FAIL
    fi
  else
    [ "$exit_rc" = 0 ] && complete_settings "$cfg" || verdict=FAIL
  fi
  sanitizer_finding "$home/err" && verdict=FAIL
  echo "$verdict $what: exit $exit_rc$([ $verdict = ok ] || echo ", settings: $(tr '\n' '|' < "$cfg")")" \
    > "$work/result.$id"
}

run_slots_and_report

#!/usr/bin/env bash
# Ctrl+C, a closed terminal and the end of a session (SIGINT, SIGHUP, SIGTERM)
# sent to the real program at random moments of start-up, intro, title,
# briefing, play and the pause menu: once start-up is over every run quits as
# a player's quit does, storing the settings (what the player wrote kept) and
# exiting with 0 within a few seconds; during start-up it ends at once (exit
# code 128 + the signal's number) with the settings file untouched. A second
# signal during that quit may end the program at once (exit code 128 + the
# signal handled second), but the settings file is then the old one or the
# complete new one. Never an abort, a segfault or a hang.
# Several games run at once, each on an X server of its own so that the keys
# reach it. VORLIN_TEST_SEED repeats a run's random moments.
# Before those, fixed cases: a start-up stuck in the library or in a file ends
# at once on a signal; a fatal error's message box ends with the game; a quit
# signal the game was started with ignored (nohup, a background job) stays
# ignored.
set -uo pipefail
source "$(dirname "$(realpath "$0")")/../support/real_program.sh"
begin_script "$1"

SLOTS=4
RUNS_PER_SLOT=5 # new random moments each time the tests run (the seed is printed)
LATEST_SIGNAL_MS=8000     # by then a player pressing Return is in play
PAUSE_AFTER_START_MS=6000 # ESC this long after start-up: the pause menu
EXIT_WITHIN_S=$EXIT_S
seed="${VORLIN_TEST_SEED:-$(( $(date +%s) % 100000 ))}"
echo "seed $seed (VORLIN_TEST_SEED=$seed repeats these runs)"

signals=(INT TERM HUP)
signal_number() { kill -l "$1"; }
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

  (cd "$build" && exec env HOME="$home" ./vorlin -win > "$home/out" 2> "$home/err") &
  local pid=$! signal_at
  signal_at=$(( $(clock_ms) + at_ms ))
  # ESC is timed from the end of start-up (which a busy machine makes longer):
  # pressed on the title, it would quit the game.
  local paused=0 started_ms=
  until past "$signal_at"; do
    kill -0 $pid 2> /dev/null || break
    [ -z "$started_ms" ] && has_line "$home/out" "Done!" && started_ms=$(clock_ms)
    if [ $paused = 0 ] && [ -n "$started_ms" ] && past $(( started_ms + PAUSE_AFTER_START_MS )); then
      press Escape; paused=1
    elif [ $paused = 0 ]; then
      press Return
    fi
    sleep 0.2
  done
  local what="SIG$sig at ${at_ms} ms" in_startup=0
  grep -qx 'Done!' "$home/out" || { in_startup=1; what="$what (in start-up)"; }
  if ! kill -0 $pid 2> /dev/null; then
    wait $pid
    { echo "FAIL $what: the game had already ended with $? ($(private_x_state)); its last lines:"; tail -n 5 "$home/err"; } > "$work/result.$id"
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
  if [ $in_startup = 1 ] && [ "$exit_rc" = $(( 128 + $(signal_number "$sig") )) ]; then
    cmp -s "$cfg" "$home/original" || verdict=FAIL   # ended at once: nothing to store
  elif [ "$second" = 1 ]; then
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

fixed_fail=0
fixed() { if eval "$2"; then echo "ok $1"; else echo "FAIL $1"; fixed_fail=1; fi; }
sig_rc() { echo $(( 128 + $(signal_number "$1") )); }

# A quit signal during a start-up that is stuck: the program ends at once.
# Stuck in a file (the sound library's ~/.asoundrc a FIFO that nobody writes)
# and in the library (an X server that no longer answers).
stuck_startup() {
  local how="$1" sig="$2" home="$work/stuck-$1" display="$DISPLAY" xserver=""
  mkdir -p "$home"
  printf '[misc]\ntitle_song = 1\n' > "$home/vorlin-settings.cfg"
  cp "$home/vorlin-settings.cfg" "$home/original"
  local line="Initializing......"
  if [ "$how" = asoundrc-fifo ]; then
    mkfifo "$home/.asoundrc"
    line="Sound....... "
  else
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3> "$home/display" > /dev/null 2>&1 &
    xserver=$!
    for _ in $(seq 200); do [ -s "$home/display" ] && break; sleep 0.05; done
    display=":$(tr -d '\n' < "$home/display")"
    kill -STOP $xserver
  fi
  (cd "$build" && exec env HOME="$home" DISPLAY="$display" ./vorlin -win \
    > "$home/out" 2> "$home/err") &
  local pid=$!
  wait_for_line "$home/out" "$line" 60 $pid
  sleep 0.5   # into the stuck call
  kill -s "$sig" $pid
  wait_exit $pid $EXIT_WITHIN_S
  if [ -n "$xserver" ]; then kill -CONT $xserver; kill $xserver; fi
  fixed "start-up stuck ($how), SIG$sig: ends at once with $(sig_rc "$sig") (was $exit_rc), settings untouched" \
    '[ "$exit_rc" = "$(sig_rc "$sig")" ] && cmp -s "$home/vorlin-settings.cfg" "$home/original"'
}

# A fatal error (no data archive) shows its message box; a quit signal to the
# game alone (kill), or to the game and the box together (Ctrl+C in the
# terminal both were started from), ends both. The box never inherits the
# game's blocked signals.
box_pid=""
message_box() {
  local to="$1" sig="$2" home="$work/box-$1"
  mkdir -p "$home/empty"
  (cd "$home/empty" && exec env HOME="$home" "$build/vorlin" -win \
    > "$home/out" 2> "$home/err") &
  local pid=$!
  box_pid=""
  for _ in $(seq 1200); do
    box_pid=$(pgrep -P $pid xmessage) && break
    kill -0 $pid 2> /dev/null || break
    sleep 0.05
  done
  if [ -z "$box_pid" ]; then
    fixed "fatal error's message box shown" false
    wait_exit $pid 1
    return
  fi
  local blocked
  blocked=$(awk '/^SigBlk:/ { print $2 }' "/proc/$box_pid/status")
  # Bits of SIGHUP (1), SIGINT (2) and SIGTERM (15).
  fixed "message box starts with the quit signals unblocked (SigBlk $blocked)" \
    '[ $(( 0x$blocked & 0x4003 )) = 0 ]'
  [ "$to" = game ] || kill -s "$sig" $box_pid
  kill -s "$sig" $pid
  wait_exit $pid $EXIT_WITHIN_S
  local box_gone=0
  for _ in $(seq $(( EXIT_WITHIN_S * 20 ))); do
    # Gone, or dead and waiting for a parent to collect it.
    if ! [ -e "/proc/$box_pid" ] || grep -q '^State:.*zombie' "/proc/$box_pid/status" 2> /dev/null; then
      box_gone=1; break
    fi
    sleep 0.05
  done
  [ $box_gone = 1 ] || kill $box_pid 2> /dev/null
  fixed "SIG$sig to the $to during the message box: the game ends with $(sig_rc "$sig") (was $exit_rc)" \
    '[ "$exit_rc" = "$(sig_rc "$sig")" ]'
  fixed "SIG$sig to the $to during the message box: the box ends with the game" '[ $box_gone = 1 ]'
}

# A quit signal the game was started with ignored stays ignored, in start-up
# and in play: sent, then followed at once by another quit signal, the game
# quits as a player's quit does (the ignored one would otherwise have been
# the first of two, ending it at once).
inherited_ignore() {
  local sig="$1" other="$2" home="$work/ignore-$1"
  mkdir -p "$home"
  printf '# kept by the player\n[misc]\ntitle_song = 1\n[controls]\ncontrol4 = 5\n' > "$home/vorlin-settings.cfg"
  local how="trap '' $sig"
  [ "$sig" = HUP ] && how=nohup
  if [ "$sig" = HUP ]; then
    (cd "$build" && exec nohup env HOME="$home" ./vorlin -win \
      > "$home/out" 2> "$home/err") &
  else
    (trap '' "$sig"; cd "$build" && exec env HOME="$home" ./vorlin -win \
      > "$home/out" 2> "$home/err") &
  fi
  local pid=$!
  wait_for_line "$home/out" "Initializing......" 60 $pid && kill -s "$sig" $pid
  if wait_for_line "$home/out" "Done!" 60 $pid; then
    kill -s "$sig" $pid
    kill -s "$other" $pid
  fi
  wait_exit $pid $EXIT_WITHIN_S
  fixed "started with SIG$sig ignored ($how): SIG$sig in start-up and in play, then SIG$other quits with 0 (was $exit_rc)" \
    '[ "$exit_rc" = 0 ] && complete_settings "$home/vorlin-settings.cfg"'
}

# The fixed cases one after another on an X server of their own, while the
# random runs go on in theirs.
(
  private_x || exit 1
  stuck_startup asoundrc-fifo INT
  stuck_startup x-server-stopped TERM
  message_box game TERM
  message_box game HUP
  message_box "game and the box" INT
  inherited_ignore HUP INT
  inherited_ignore INT TERM
  inherited_ignore TERM HUP
  for f in "$work"/{stuck,box,ignore}-*/err; do
    sanitizer_finding "$f" && { echo "FAIL sanitizer report in $f"; fixed_fail=1; }
  done
  stop_private_x
  exit $fixed_fail
) > "$work/fixed.log" 2>&1 &
fixed_cases=$!

run_slots_and_report || fail=1
wait $fixed_cases || fail=1
cat "$work/fixed.log"
exit $fail

# Shared pieces of the scripts that drive the real program (sourced).

# In the sanitizer build: Allegro unloads its sound plug-in at exit, before the
# leak check; only the slow unwinder traces what the plug-in and ALSA keep back
# to the library, whose allocations the suppressions file leaves out.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$(dirname "${BASH_SOURCE[0]}")/../lsan.supp:print_suppressions=0}"

# In the sanitizer build (game $1 linked with libasan), ALSA's library is kept
# loaded in the game to the end: the library's sound plug-in unloads it at
# exit, and the leak check that follows then walks its stale thread-local
# block and crashes in some memory layouts ("Tracer caught signal 11"); and
# it matches the library's thousands of kept allocations against the
# suppressions by reading the process's memory map again for every frame in
# an unloaded library: a minute or two per run on a busy machine, a fatal
# start-up included (seconds with the library kept).
# Games are started as `env LD_PRELOAD="$game_preload" ...`; the sanitizer's
# runtime must come first in the list.
export game_preload=""
keep_sound_library_loaded() {
  local asan asound
  asan=$(ldd "$1" | awk '/libasan/ { print $3 }')
  asound=$(ldconfig -p | awk '/libasound\.so\.2 / { print $NF; exit }')
  if [ -n "$asan" ] && [ -n "$asound" ]; then game_preload="$asan:$asound"; fi
  return 0
}

# Any sanitizer report in file $1: memory errors, undefined behaviour, leaks.
sanitizer_finding() { grep -qE 'Sanitizer|runtime error:' "$1"; }

# How long the scripts wait. Every wait is for an event (a line in the game's
# output, a window, an exit), polled often; only its ceiling, reached when
# something is wrong, is a time. The ceilings below are generous for a machine
# with a load of about 10 on 2 cores and the sanitizer build;
# VORLIN_TEST_PATIENCE=N (a whole number, default 1) multiplies every one of
# them, ctest's per-script limit included (read when the build is configured).
patience="${VORLIN_TEST_PATIENCE:-1}"
if ! [[ "$patience" =~ ^[1-9][0-9]{0,2}$ ]]; then
  echo "VORLIN_TEST_PATIENCE must be a whole number from 1 to 999 (was '$patience'): using 1" >&2
  patience=1
fi
# Ceilings in seconds, before the patience is applied.
STARTUP_S=120       # the game's start-up, up to "Done!" or its window
EXIT_S=60           # a game asked to end (a quit chosen, a signal) until it has
FATAL_RUN_S=120     # a whole run that ends in a fatal error at start-up

# Milliseconds on the wall clock (no process started).
clock_ms() { local t=${EPOCHREALTIME/[.,]/}; echo $(( t / 1000 )); }
# The time S seconds times the patience from now, in clock_ms units.
deadline_in() { echo $(( $(clock_ms) + $1 * patience * 1000 )); }

# Polls COMMAND... until it succeeds (status 0) or CEILING seconds (times the
# patience) have passed (status 1). usage: wait_until CEILING COMMAND...
wait_until() {
  local end
  end=$(deadline_in "$1"); shift
  until "$@"; do
    [ "$(clock_ms)" -lt "$end" ] || return 1
    sleep 0.05
  done
}

# Runs COMMAND... under `timeout`, ended after CEILING seconds times the
# patience (status 124, as timeout gives). For runs that end by themselves.
bounded() {
  local s=$(( $1 * patience )); shift
  timeout -k 10 "$s" "$@"
}

# Starts an X server of its own (the server picks a free display number, so
# scripts can run at once without sharing a server or its keyboard focus) with
# screen $1 (WIDTHxHEIGHTxDEPTH, default 800x600x24) and points DISPLAY at it;
# returns 1, with the server's last words, if it never answers. -noreset: the
# server does not start over (compiling its keymap again) each time its last
# client leaves, which happens after every game.
# stop_private_x ends the servers this shell started and waits for them to go.
private_x_pids=()
private_x_log=""
private_x() {
  local numfile
  numfile="$(mktemp)"
  private_x_log="$(mktemp)"
  Xvfb -displayfd 3 -noreset -screen 0 "${1:-800x600x24}" -nolisten tcp 3> "$numfile" > /dev/null 2> "$private_x_log" &
  private_x_pids+=($!)
  wait_until 60 test -s "$numfile"
  export DISPLAY=":$(tr -d '\n' < "$numfile")"
  rm -f "$numfile"
  # A server started a moment ago on a busy machine may not answer at once.
  if ! wait_until 60 xdpyinfo > /dev/null 2>&1; then
    echo "FAIL: the private X server at DISPLAY=$DISPLAY never answered; its last words:"
    tail -n 5 "$private_x_log"
    return 1
  fi
}
# "alive" or "dead" and the last words of the last server private_x started
# in this shell: said when a game could not reach its display.
private_x_state() {
  local last="${private_x_pids[${#private_x_pids[@]}-1]:-}"
  if [ -n "$last" ] && kill -0 "$last" 2> /dev/null; then echo "X server at $DISPLAY alive"; else
    echo "X server at $DISPLAY dead; its last words: $(tail -n 3 "$private_x_log" 2> /dev/null | tr '\n' '|')"
  fi
}
stop_private_x() {
  local p
  for p in "${private_x_pids[@]}"; do kill "$p" 2> /dev/null; done
  for p in "${private_x_pids[@]}"; do wait "$p" 2> /dev/null; done
  private_x_pids=()
  [ -z "$private_x_log" ] || rm -f "$private_x_log"
}

# Waits until file $1 holds the whole line $2 (a basic regular expression), at
# most $3 seconds times the patience, and no longer than process $4 (if
# given) lives.
wait_for_line() {
  local end
  end=$(deadline_in "$3")
  until grep -qx -- "$2" "$1" 2> /dev/null; do
    if [ -n "${4:-}" ] && ! kill -0 "$4" 2> /dev/null; then
      grep -qx -- "$2" "$1" 2> /dev/null
      return
    fi
    [ "$(clock_ms)" -lt "$end" ] || return 1
    sleep 0.05
  done
}

# Waits for a window named $1 (as `xdotool search --name` finds it), at most
# $2 seconds times the patience and no longer than process $3 (if given)
# lives; prints its id.
wait_window() {
  local end w
  end=$(deadline_in "$2")
  while :; do
    w=$(xdotool search --name "$1" 2> /dev/null | head -1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    [ -n "${3:-}" ] && ! kill -0 "$3" 2> /dev/null && return 1
    [ "$(clock_ms)" -lt "$end" ] || return 1
    sleep 0.1
  done
}

# Waits at most $2 seconds times the patience for process $1 (a child of this
# shell) to end and sets exit_rc to its exit code, or to "none" (killing it)
# if it did not end.
wait_exit() {
  local end
  end=$(deadline_in "$2")
  while kill -0 "$1" 2> /dev/null && [ "$(clock_ms)" -lt "$end" ]; do sleep 0.05; done
  if kill -0 "$1" 2> /dev/null; then
    kill -9 "$1" 2> /dev/null
    wait "$1" 2> /dev/null
    exit_rc=none
  else
    wait "$1" 2> /dev/null
    exit_rc=$?
  fi
}

# Asks game $1 (a child of this shell) to end with SIGTERM, as a player's quit,
# and waits for it as wait_exit does (EXIT_S unless $2 says otherwise).
stop_game() {
  kill -TERM "$1" 2> /dev/null
  wait_exit "$1" "${2:-$EXIT_S}"
}

# Standard error $1 without what the sound libraries print on their own
# (ALSA's complaints about a missing card, PulseAudio's client messages):
# what is left is the game's and the sanitizers'.
game_stderr() { grep -avE '^(ALSA lib |Home directory not accessible|[EWNID]: \[)' "$1"; }

# A key held long enough for a loop polling at 60 Hz to see it.
press() { xdotool keydown "$1"; sleep 0.1; xdotool keyup "$1"; }

# Runs the caller's run_one ID in SLOTS private X servers at once, RUNS_PER_SLOT
# times each, with RANDOM seeded from `seed` and the slot; each run leaves one
# line in $work/result.ID starting with "ok " or not. Prints every line and
# returns 1 unless all SLOTS * RUNS_PER_SLOT runs said ok.
run_slots_and_report() {
  local s f fail=0
  for s in $(seq "$SLOTS"); do
    (
      if ! private_x > "$work/xfail.$s"; then
        for r in $(seq "$RUNS_PER_SLOT"); do cp "$work/xfail.$s" "$work/result.$s.$r"; done
        exit
      fi
      RANDOM=$(( seed + s ))
      for r in $(seq "$RUNS_PER_SLOT"); do run_one "$s.$r"; done
      stop_private_x
    ) &
  done
  wait
  for f in "$work"/result.*; do
    cat "$f"
    grep -q '^ok ' "$f" || fail=1
  done
  [ "$(ls "$work"/result.* | wc -l)" = $(( SLOTS * RUNS_PER_SLOT )) ] || { echo "FAIL: runs missing"; fail=1; }
  return $fail
}

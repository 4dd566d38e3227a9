# Shared pieces of the scripts that drive the real program (sourced).

# In the sanitizer build: Allegro unloads its sound plug-in at exit, before the
# leak check; only the slow unwinder traces what the plug-in and ALSA keep back
# to the library, whose allocations the suppressions file leaves out.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$(dirname "${BASH_SOURCE[0]}")/../lsan.supp:print_suppressions=0}"

# In the sanitizer build (game $1 linked with libasan), ALSA's library is kept
# loaded in the game to the end: the library's sound plug-in unloads it at
# exit, and the leak check that follows then walks its stale thread-local
# block and crashes in some memory layouts ("Tracer caught signal 11").
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

# Starts an X server of its own (the server picks a free display number) and
# points DISPLAY at it. stop_private_x ends the servers this shell started.
private_x_pids=()
private_x() {
  local numfile
  numfile="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3> "$numfile" > /dev/null 2>&1 &
  private_x_pids+=($!)
  for _ in $(seq 200); do
    [ -s "$numfile" ] && break
    sleep 0.05
  done
  export DISPLAY=":$(tr -d '\n' < "$numfile")"
  rm -f "$numfile"
}
stop_private_x() {
  local p
  for p in "${private_x_pids[@]}"; do kill "$p" 2> /dev/null; done
  private_x_pids=()
}

# Waits until file $1 holds the whole line $2, at most $3 seconds, and no
# longer than process $4 (if given) lives.
wait_for_line() {
  local n=$(( $3 * 20 ))
  for _ in $(seq $n); do
    grep -qx -- "$2" "$1" 2> /dev/null && return 0
    [ -n "${4:-}" ] && ! kill -0 "$4" 2> /dev/null && return 1
    sleep 0.05
  done
  return 1
}

# Waits at most $2 seconds for process $1 (a child of this shell) to end and
# sets exit_rc to its exit code, or to "none" (killing it) if it did not end.
wait_exit() {
  local n=$(( $2 * 20 ))
  for _ in $(seq $n); do
    kill -0 "$1" 2> /dev/null || break
    sleep 0.05
  done
  if kill -0 "$1" 2> /dev/null; then
    kill -9 "$1" 2> /dev/null
    wait "$1" 2> /dev/null
    exit_rc=none
  else
    wait "$1" 2> /dev/null
    exit_rc=$?
  fi
}

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
      private_x
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

# Shared pieces of the scripts that drive the real program (sourced).

# The leak check's suppressions, when a script is run by hand.
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$(dirname "${BASH_SOURCE[0]}")/../lsan.supp:print_suppressions=0}"

# True if program $1 is built with the address sanitizer. All of ldd's output
# is read: `ldd | grep -q` under pipefail fails now and then (ldd killed by
# the closed pipe), and a sanitizer build treated as a plain one gets an
# address space limit it aborts under.
sanitizer_build() { [[ "$(ldd "$1")" == *libasan* ]]; }

# The start every script shares, called right after sourcing this file: the
# build directory $1 as `build`, the script's own path as `script`, a fresh folder `work` that is
# removed at exit together with the X servers this shell started, and `fail`
# at 0 for `check`.
begin_script() {
  build="$(realpath "$1")"
  script="$(realpath "$0")"
  work="$(mktemp -d)"
  fail=0
  trap 'stop_private_x; rm -rf "$work"' EXIT
  # The sound server's client library keeps a folder of its own for each
  # home it has not seen; without a runtime folder it makes a new one in /tmp
  # for every game and leaves it there.
  export XDG_RUNTIME_DIR="$work"
}

# Says "ok: WHAT" when the shell test $2 holds; otherwise "FAIL: WHAT", sets
# fail=1 and returns 1, so that a failure can show more (check ... || tail ...).
# usage: check WHAT TEST
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; return 1; fi; }

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

# The scripts spend most of their time polling, several of them at once: a
# poll that starts processes (`sleep`, a command substitution, `grep`) costs a
# core a quarter of its time, which the games under test then miss. So the
# waiting below starts none, and `sleep` is the shell's own where Debian's
# bash-builtins has it (tools/deps.sh installs it; the program otherwise).
enable -f /usr/lib/bash/sleep sleep 2> /dev/null || true
# Milliseconds on the wall clock.
clock_ms() { local t=${EPOCHREALTIME/[.,]/}; echo $(( t / 1000 )); }
# The time S seconds times the patience from now, in clock_ms units.
deadline_in() { echo $(( $(clock_ms) + $1 * patience * 1000 )); }
# True once the clock has reached END (a deadline_in time).
past() { local t=${EPOCHREALTIME/[.,]/}; (( t / 1000 >= $1 )); }

# Polls COMMAND... until it succeeds (status 0) or CEILING seconds (times the
# patience) have passed (status 1). usage: wait_until CEILING COMMAND...
wait_until() {
  local end
  end=$(deadline_in "$1"); shift
  until "$@"; do
    past "$end" && return 1
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

# True if file $1 holds the whole line $2 (as it stands, no pattern); the last
# line counts before its newline is written.
has_line() {
  local text=
  { IFS= read -rd '' text < "$1"; } 2> /dev/null
  [[ $'\n'"$text"$'\n' == *$'\n'"$2"$'\n'* ]]
}
# Waits until file $1 holds the whole line $2 (as has_line), at most $3
# seconds times the patience, and no longer than process $4 (if given) lives.
wait_for_line() {
  local end
  end=$(deadline_in "$3")
  until has_line "$1" "$2"; do
    if [ -n "${4:-}" ] && ! kill -0 "$4" 2> /dev/null; then
      has_line "$1" "$2"
      return
    fi
    past "$end" && return 1
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
    past "$end" && return 1
    sleep 0.1
  done
}

# Waits at most $2 seconds times the patience for process $1 (a child of this
# shell) to end and sets exit_rc to its exit code, or to "none" (killing it)
# if it did not end.
wait_exit() {
  local end
  end=$(deadline_in "$2")
  while kill -0 "$1" 2> /dev/null && ! past "$end"; do sleep 0.05; done
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

# Once the window of game $1 (a child of this shell) is there, presses ESC
# every 0.4 s until the game exits (it skips the intro, then quits from the
# title); returns the game's exit code, 125 if it never quit.
quit_with_escape() {
  local game="$1"
  wait_window 'El Vorlin' $STARTUP_S "$game" > /dev/null
  escape_until_gone() { ! kill -0 "$game" 2> /dev/null || { press Escape; sleep 0.3; false; }; }
  wait_until $STARTUP_S escape_until_gone
  wait_exit "$game" $EXIT_S
  [ "$exit_rc" != none ] && return "$exit_rc"
  echo "the game did not quit" >&2
  return 125
}

# ---- Screens waited for by what they show ---------------------------------
# For a script that has found the game's window (`wid`) and made a scratch
# folder (`tmp`); needs the x_probe program of the build directory it runs in.
# The window's part from (X, Y) for W x H pixels, or the whole window, as a
# PPM file $1 (one X request: on a busy machine ImageMagick's import takes
# seconds). usage: grab FILE [X Y W H]
grab() {
  local geo
  geo=$(xwininfo -id "$wid" 2>/dev/null |
    awk -v px="${2:-0}" -v py="${3:-0}" -v pw="${4:-0}" -v ph="${5:-0}" \
        '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
         /Width:/ { w = $2 } /Height:/ { h = $2 }
         END { if (w) { if (pw) { w = pw; h = ph } print x + px, y + py, w, h } }')
  # shellcheck disable=SC2086
  [ -n "$geo" ] && ./x_probe shot $geo "$1"
}
# The screens are waited for by what they show, not by the clock, so a slow
# machine (or a sanitizer build) only makes the run longer.
same() { cmp -s "$1" "$2"; }
# Waits until the picture has stopped changing: unchanged in grabs 0.25 s
# apart for $2 ms (default 500), at most $1 seconds (default 30) times the
# patience.
settle() {
  local limit=${1:-30} still_ms=${2:-500} end since
  end=$(deadline_in "$limit")
  grab "$tmp/a.ppm"; since=$(clock_ms)
  until past "$end"; do
    sleep 0.25
    grab "$tmp/b.ppm"
    if same "$tmp/a.ppm" "$tmp/b.ppm"; then
      past $(( since + still_ms )) && return 0
    else
      since=$(clock_ms)
    fi
    mv "$tmp/b.ppm" "$tmp/a.ppm"
  done
  echo "$(basename "$0"): the screen did not settle within $limit s (times $patience)" >&2
  return 1
}
# Presses KEY on a still screen and waits until the picture has changed (the
# game has seen the key) and settled again (for $2 ms, as settle).
step() {
  local end
  grab "$tmp/before.ppm"
  press "$1"
  end=$(deadline_in 30)
  until grab "$tmp/c.ppm" && ! same "$tmp/c.ppm" "$tmp/before.ppm"; do
    past "$end" && { echo "$(basename "$0"): the screen did not change after $1" >&2; break; }
    sleep 0.05
  done
  settle 30 "${2:-500}"
}
# Waits until the picture is no longer black (lit) or black (dark), at most
# $1 seconds times the patience.
brightness_is() {
  local test=$1 end
  end=$(deadline_in "$2")
  until past "$end"; do
    grab "$tmp/l.ppm" &&
      awk -v m="$(./x_probe mean "$tmp/l.ppm")" "BEGIN { exit !(m $test) }" && return 0
    sleep 0.1
  done
  echo "$(basename "$0"): the screen never became $test within $2 s (times $patience)" >&2
  return 1
}
lit() { brightness_is '> 0.03' "$1"; }
dark() { brightness_is '< 0.04' "$1"; }

# The start of a script in parts (the display tests), after begin_script: the
# build directory as the working folder, its folder $1 for screenshots as
# `shots`, the fresh folder as the game's HOME (`home`), and the game whose
# process id a part keeps in `pid` killed should the part end early.
begin_parts() {
  cd "$build" || exit 1
  shots="$build/$1"
  home="$work"
  pid=
  trap 'rm -rf "$work"; [ -n "$pid" ] && kill -9 "$pid" 2> /dev/null' EXIT
}

# For a script in parts (the display tests): the script runs itself again,
# as `script BUILD PART ARG...`, once for each group of parts given, each
# group on a private X server of its own screen. The groups of one call run at
# once; their output is shown group by group, and fail=1 if any group failed.
# usage: parts_at_once "SCREEN|PART|ARG..." ...
parts_at_once() {
  local out group i=0
  local -a runs fields
  out="$(mktemp -d)"
  for group in "$@"; do
    IFS='|' read -ra fields <<< "$group"
    (private_x "${fields[0]}" || exit 1; bash "$script" "$build" "${fields[@]:1}"; rc=$?; stop_private_x; exit $rc) \
      > "$out/$i" 2>&1 &
    runs+=($!)
    i=$((i + 1))
  done
  for i in "${!runs[@]}"; do
    wait "${runs[$i]}" || fail=1
    cat "$out/$i"
  done
  rm -rf "$out"
}

# Runs the caller's run_one ID in SLOTS private X servers at once, RUNS_PER_SLOT
# times each, with RANDOM seeded from `seed` and the slot; each run leaves one
# line in $work/result.ID starting with "ok " or not. Prints every line and
# returns 1 unless all SLOTS * RUNS_PER_SLOT runs said ok.
run_slots_and_report() {
  local s f fail=0 slots=()
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
    slots+=($!)
  done
  wait "${slots[@]}"
  for f in "$work"/result.*; do
    cat "$f"
    grep -q '^ok ' "$f" || fail=1
  done
  [ "$(ls "$work"/result.* | wc -l)" = $(( SLOTS * RUNS_PER_SLOT )) ] || { echo "FAIL: runs missing"; fail=1; }
  return $fail
}

#!/usr/bin/env bash
# Runs the game in a real window under an X server with a timed key script and
# saves screenshots at given moments, so what a player sees can be looked at.
#
# usage: tools/dev/shots/shots.sh SCRIPT OUTDIR [game arguments...]
# The game runs at -scale 1 unless the game arguments ask for another.
# SCRIPT lines (times in seconds from the window's appearance, in order):
#   1.5 key Return        press and release a key (held 0.1 s)
#   2.0 down Up           hold a key down      3.0 up Up    release it
#   4.0 shot title        save OUTDIR/title.png
#   9.0 end               stop the game (SIGTERM if it has not exited)
# Key names are xdotool's: Up Down Left Right space Control_L Return Escape ...
# Without DISPLAY the script starts its own Xvfb. The game runs from the build
# directory (BUILD_DIR, default build/) with HOME in a fresh temporary folder.
set -uo pipefail
if [ $# -lt 2 ]; then
  sed -n '2,15p' "$0"; exit 2
fi
script="$(realpath "$1")"; outdir="$(realpath -m "$2")"; shift 2
top="$(cd "$(dirname "$0")/../../.." && pwd)"
build="${BUILD_DIR:-$top/build}"
mkdir -p "$outdir"

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$script" "$outdir" "$@"
fi

# The window is waited for with the test scripts' ceilings (VORLIN_TEST_PATIENCE).
source "$top/tests/support/real_program.sh"
home="$(mktemp -d)"
cd "$build"
HOME="$home" ./vorlin -win -scale 1 "$@" > "$outdir/stdout.txt" 2> "$outdir/stderr.txt" &
pid=$!
wid=$(wait_window 'El Vorlin' $STARTUP_S $pid)
if [ -z "$wid" ]; then
  echo "shots: the game window did not appear" >&2; kill $pid 2>/dev/null; exit 1
fi
start=$(date +%s.%N)

wait_until() {
  local delay
  delay=$(awk -v t="$1" -v s="$start" -v n="$(date +%s.%N)" 'BEGIN { d = t - (n - s); printf "%.3f", (d > 0 ? d : 0) }')
  sleep "$delay"
}

while read -r when action arg; do
  [ -z "${when:-}" ] && continue
  case "$when" in \#*) continue;; esac
  wait_until "$when"
  case "$action" in
    key)  xdotool keydown "$arg"; sleep 0.1; xdotool keyup "$arg" ;;
    down) xdotool keydown "$arg" ;;
    up)   xdotool keyup "$arg" ;;
    shot) import -window "$wid" "$outdir/$arg.png" 2>/dev/null || import -window root "$outdir/$arg.png" ;;
    end)  break ;;
  esac
done < "$script"

# A game the script quit has a few seconds to end by itself.
gone() { ! kill -0 $pid 2> /dev/null; }
wait_until 5 gone
stop_game $pid; rc=$exit_rc
echo "game exit code: $rc (screenshots in $outdir)"

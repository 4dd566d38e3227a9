#!/usr/bin/env bash
# Plays the real game from outside under an X server, the way a player would:
# skips the intro, walks the title's pages, starts, dismisses the briefing,
# drives for a few seconds, pauses and quits; then shows the ending notice
# through the e2e_ending program. Screenshots of each screen go to OUTDIR,
# the game's output to OUTDIR/*.txt.
#
# usage: [E2E_HOME=dir] tools/e2e/e2e.sh BUILD_DIR OUTDIR
# The game runs with HOME=E2E_HOME (default: a fresh temporary folder), where
# it keeps its settings file.
# Without DISPLAY it starts its own Xvfb. Exit code: the game's exit code.
set -uo pipefail
if [ $# -lt 2 ]; then
  sed -n '2,11p' "$0"; exit 2
fi
build="$(realpath "$1")"; out="$(realpath -m "$2")"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$@"
fi
mkdir -p "$out"
home="${E2E_HOME:-$(mktemp -d)}"
rm -f "$out"/*.png

# Key held long enough for a loop that samples the keyboard 60 times a second.
press() { xdotool keydown "$1"; sleep 0.12; xdotool keyup "$1"; }
shot() { import -window root "$out/$1.png" 2>/dev/null; }
# Sleeps until $1 seconds after the window appeared.
at() {
  local d
  d=$(awk -v t="$1" -v s="$start" -v n="$(date +%s.%N)" 'BEGIN { d = t - (n - s); printf "%.3f", (d > 0 ? d : 0) }')
  sleep "$d"
}
# Waits up to $2 seconds for process $1 to exit; prints its exit code, or
# kills it and prints 124.
finish() {
  local pid=$1 limit=$2
  for _ in $(seq $((limit * 10))); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid"; echo $?; return; }
    sleep 0.1
  done
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; echo 124
}
window() { timeout 20 xdotool search --sync --name 'El Vorlin' | head -1; }

cd "$build"
HOME="$home" ./vorlin -win > "$out/game_stdout.txt" 2> "$out/game_stderr.txt" &
pid=$!
[ -n "$(window)" ] || { echo "e2e: no game window" >&2; kill $pid; exit 1; }
start=$(date +%s.%N)

at 3.0;  shot intro            # fading in after the second's pause
at 3.2;  press Return          # ends the fade-in, skips the hold
at 3.9;  press Return          # ends the fade-out at once
at 8.0;  shot title
at 8.5;  press Right           # carousel: controls
at 9.2;  press Return          # joystick page
at 9.9;  shot joystick
at 10.3; press Right           # keyboard item
at 11.0; press Return          # keyboard page
at 11.7; shot keyboard
at 12.1; press Right           # back
at 12.8; press Return          # root menu, on start
at 13.5; shot title_start
at 13.6; press Return          # start: the title fades out
at 15.8; shot briefing
at 16.0; press Return          # dismiss the briefing
at 19.5; xdotool keydown Up    # drive forwards and turn
at 20.3; xdotool keydown Left
at 20.9; xdotool keyup Left; xdotool keyup Up
at 21.3; shot level
at 21.8; press Escape          # pause
at 22.5; shot pause
at 22.8; press Down
at 23.3; shot pause_quit
at 23.6; press Return          # quit
rc=$(finish $pid 15)
echo "game exit code: $rc (settings in $home)"

# The ending notice, shown by the real ending under the real engine.
ehome="$(mktemp -d)"
HOME="$ehome" ./e2e_ending -win > "$out/ending_stdout.txt" 2> "$out/ending_stderr.txt" &
epid=$!
if [ -n "$(window)" ]; then
  sleep 1.5; shot ending
  press space
fi
erc=$(finish $epid 10)
rm -rf "$ehome"
echo "ending exit code: $erc"
echo "$erc" > "$out/ending_rc.txt"
exit "$rc"

#!/usr/bin/env bash
# Plays the real game from outside under an X server, the way a player would:
# skips the intro, walks the title's pages, starts, dismisses the briefing,
# drives for a few seconds, pauses and quits; then shows the ending notice
# through the e2e_ending program. Screenshots of each screen go to OUTDIR,
# the game's output to OUTDIR/*.txt.
#
# usage: [E2E_HOME=dir] tools/test/e2e/e2e.sh BUILD_DIR OUTDIR
# The game runs with HOME=E2E_HOME (default: a fresh temporary folder), where
# it keeps its settings file.
# Without DISPLAY it starts its own Xvfb. Exit code: the game's exit code.
set -uo pipefail
if [ $# -lt 2 ]; then
  sed -n '2,11p' "$0"; exit 2
fi
build="$(realpath "$1")"; out="$(realpath -m "$2")"
top="$(cd "$(dirname "$0")/../../.." && pwd)"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$@"
fi
mkdir -p "$out"
home="${E2E_HOME:-$(mktemp -d)}"
rm -f "$out"/*.png
# Waits with ceilings that VORLIN_TEST_PATIENCE scales.
source "$top/tests/support/real_program.sh"

# Key held long enough for a loop that samples the keyboard 60 times a second.
press() { xdotool keydown "$1"; sleep 0.12; xdotool keyup "$1"; }
shot() { grab "$tmp/shot.ppm" && convert "$tmp/shot.ppm" "$out/$1.png"; }
# Waits for process $1 (a child of this shell) to exit and sets `status` to
# its exit code, or kills it and sets 124.
finish() {
  wait_exit "$1" $EXIT_S
  if [ "$exit_rc" = none ]; then status=124; else status=$exit_rc; fi
}
# The id of the game's window once it is shown (of process $1).
window() { wait_window 'El Vorlin' $STARTUP_S "$1"; }

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
cd "$build"
HOME="$home" ./vorlin -win -scale 1 > "$out/game_stdout.txt" 2> "$out/game_stderr.txt" &
pid=$!
wid="$(window $pid)"
[ -n "$wid" ] || { echo "e2e: no game window" >&2; kill $pid; exit 1; }

lit 30; sleep 0.8
shot intro                     # fading in after the second's pause
press Return                   # ends the fade-in, skips the hold (or it ends by itself)
settle 60 5000                 # the title: the intro holds a picture for 3 s only
shot title                     # revealed, logo in, carousel on "start"
step Right                     # carousel: controls
step Return                    # joystick page
shot joystick
step Right                     # keyboard item
step Return                    # keyboard page
shot keyboard
step Left                      # back (the carousel wraps past "remap")
step Return                    # root menu, on start
shot title_start
step Return 2000               # start: the title fades out, the briefing fades in
shot briefing
press Return                   # dismiss the briefing: it fades out
dark 60; brightness_is '> 0.1' 60; sleep 2.5   # the level's zoom, then the start sign
xdotool keydown Up; sleep 0.8  # drive forwards and turn
xdotool keydown Left; sleep 0.6
xdotool keyup Left; xdotool keyup Up
sleep 0.4; shot level
step Escape                    # pause
shot pause
step Down
shot pause_quit
press Return                   # quit
finish $pid; rc=$status
echo "game exit code: $rc (settings in $home)"

# The ending notice, shown by the real ending under the real engine.
ehome="$(mktemp -d)"
HOME="$ehome" ./e2e_ending -win > "$out/ending_stdout.txt" 2> "$out/ending_stderr.txt" &
epid=$!
wid="$(window $epid)"
if [ -n "$wid" ]; then
  brightness_is '> 0.002' 30; sleep 0.5; shot ending
  press space
fi
finish $epid; erc=$status
rm -rf "$ehome"
echo "ending exit code: $erc"
echo "$erc" > "$out/ending_rc.txt"
exit "$rc"

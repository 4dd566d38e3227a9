#!/usr/bin/env bash
# The whole program played from outside (tools/test/e2e/e2e.sh) on an X server of its
# own: intro skipped, title pages, a level started, paused and quit; the
# exit code, the object count, the settings file, the screenshots and the
# ending notice's program are checked. A second run quits from the title and
# must play the other title song. Screenshots stay in BUILD/e2e-shots.
set -uo pipefail
src="$(cd "$(dirname "$0")/../.." && pwd)"
source "$src/tests/support/real_program.sh"
begin_script "$1"
out="$build/e2e-shots"
home="$work"
private_x 1024x768x24 || exit 1
E2E_HOME="$home" bash "$src/tools/test/e2e/e2e.sh" "$build" "$out"
rc=$?
check "game exits 0 after quitting from the pause menu" '[ $rc -eq 0 ]' ||
  { echo "the game's last words:"; tail -n 15 "$out/game_stderr.txt"; }
check "the level's objects were all deleted" 'grep -qx "Create count = 0 (this is good)" "$out/game_stdout.txt"'
check "shutdown completed" '[ "$(game_stderr "$out/game_stderr.txt" | tail -n 1)" = "Goodbye!" ]'
cfg="$home/vorlin-settings.cfg"
check "settings file written" '[ -f "$cfg" ]'
check "first title played song 1, next is 0" 'grep -q "^title_song = 0" "$cfg"'
for s in intro title joystick keyboard title_start briefing level pause pause_quit ending; do
  check "screenshot $s" '[ -s "$out/$s.png" ]'
done
# Screens that must differ: each page of the title, the pause marker's two rows.
differ() { [ "$(compare -metric AE "$out/$1.png" "$out/$2.png" null: 2>&1 | cut -d' ' -f1)" != "0" ]; }
check "title and joystick page differ" 'differ title joystick'
check "joystick and keyboard pages differ" 'differ joystick keyboard'
check "pause marker moved" 'differ pause pause_quit'
check "ending program exits 0 after a key" '[ "$(cat "$out/ending_rc.txt")" = "0" ]' ||
  { echo "the ending program's last words:"; tail -n 15 "$out/ending_stderr.txt"; }

# Second run, quitting from the title with ESC: the other title song.
cd "$build"
HOME="$home" ./vorlin -win > /dev/null 2>&1 &
pid=$!
wait_window 'El Vorlin' $STARTUP_S $pid > /dev/null
escape_until_gone() { ! kill -0 $pid 2> /dev/null || { press Escape; sleep 0.2; false; }; }
wait_until $STARTUP_S escape_until_gone
wait_exit $pid $EXIT_S
rc2=$exit_rc
check "second run quits from the title with exit 0 (was $rc2)" '[ "$rc2" = 0 ]'
check "second title played song 0, next is 1" 'grep -q "^title_song = 1" "$cfg"'
exit $fail

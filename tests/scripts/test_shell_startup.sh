#!/usr/bin/env bash
# The real program under the test run's X server: the start-up log line by line,
# a normal quit with its settings file, writes to closed streams, and the
# fatal paths of no display and an impossible colour depth, each exiting with
# the right code and message.
set -uo pipefail
source "$(dirname "$(realpath "$0")")/../support/real_program.sh"
begin_script "$1"
private_x 1024x768x24 || exit 1

# Runs the game and quits it with ESC; the exit code is the game's.
run_and_quit() {
  env "$@" &
  quit_with_escape $!
}

cd "$build"
mkdir -p "$work/home"
HOME="$work/home" run_and_quit ./vorlin -win > "$work/out" 2> "$work/err"
rc=$?
check "normal quit exits 0" '[ $rc -eq 0 ]'
printf '%s\n' '//************' '             El Vorlin (v0.7)' '                           ***************//' \
  'Initializing......' 'Sound....... ' 'Joysticks..... ' 'Graphics..... ' 'Loading data... ' \
  'Installing timers...' 'Done!' '' > "$work/banner"
check "start-up lines on standard output" 'head -n 11 "$work/out" | diff - "$work/banner"'
check "shutdown lines on standard error" \
  'grep -qx "Shutting down...." "$work/err" && [ "$(game_stderr "$work/err" | tail -n 1)" = "Goodbye!" ]'
cfg="$work/home/vorlin-settings.cfg"
check "settings file written" '[ -f "$cfg" ]'
check "title song toggled to 0" 'grep -q "^title_song = 0" "$cfg"'
for pair in 0:3 1:0 2:1 3:2 4:8 5:7 6:6; do
  check "control${pair%%:*} stored" "grep -q '^control${pair%%:*} = ${pair##*:}' '$cfg'"
done

# Second run: the title song alternates back.
HOME="$work/home" run_and_quit ./vorlin -win > /dev/null 2>&1
check "title song alternates" 'grep -q "^title_song = 1" "$cfg"'

# Writes to a closed pipe or a closed stream never end the game: it plays on
# to a normal quit.
HOME="$work/home" run_and_quit ./vorlin -win 2> /dev/null | head -n 1 > "$work/first"
rc=${PIPESTATUS[0]}
check "standard output piped into head -1: normal quit exits 0 (was $rc)" \
  '[ $rc -eq 0 ] && [ "$(cat "$work/first")" = "//************" ]'
HOME="$work/home" run_and_quit ./vorlin -win > "$work/out4" 2>&-
rc=$?
check "standard error closed: normal quit exits 0 (was $rc)" '[ $rc -eq 0 ] && grep -qx "Done!" "$work/out4"'

# No display to open: the fatal message says so.
HOME="$work/home" bounded $FATAL_RUN_S env -u DISPLAY ./vorlin -win > /dev/null 2> "$work/err_nodisplay"
rc=$?
check "DISPLAY unset: exit 1 with the reason (was $rc)" '[ $rc -eq 1 ] &&
  grep -qx "Fatal error:  Cannot start the Allegro library: no display could be opened (DISPLAY is not set)" "$work/err_nodisplay"'
HOME="$work/home" bounded $FATAL_RUN_S env DISPLAY=:987 ./vorlin -win > /dev/null 2> "$work/err_nodisplay"
rc=$?
check "DISPLAY naming no server: exit 1 with the reason (was $rc)" '[ $rc -eq 1 ] &&
  grep -qx "Fatal error:  Cannot start the Allegro library: no display could be opened at DISPLAY=:987" "$work/err_nodisplay"'

# The missing archive's fatal path: test_badinput_archive.sh (case "none");
# 8 bits, which the library offers but the game does not draw in, and depths
# the library refuses: test_display_depth.sh (part "refused"). Here a depth no
# driver offers, after which the settings must be as the last quit left them.
# xmessage is kept off the PATH so the message box cannot wait for a click.
HOME="$work/home" bounded $FATAL_RUN_S env PATH=/nonexistent ./vorlin -win -bpp 7 > /dev/null 2> "$work/err3"
rc=$?
check "impossible depth exits 1" '[ $rc -eq 1 ]'
check "impossible depth reported" 'grep -q "^Fatal error:  " "$work/err3"'
check "a fatal error does not store the settings" 'grep -q "^title_song = 1" "$cfg"'

exit $fail

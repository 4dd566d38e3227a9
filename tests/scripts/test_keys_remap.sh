#!/usr/bin/env bash
# Remapped keys drive the craft in a real level: with gas on W and hide HUD
# on J in the settings file, holding Up leaves the craft where it started and
# holding W drives it away; H leaves the HUD shown and J hides it. Then the keyboard remapping on the title's keyboard page: a
# key given twice is refused with a message on the page, ESC leaves the page
# as it was and the settings file without a change. Screenshots (PPM) stay in
# BUILD/keys-shots (or KEYS_SHOTS).
set -uo pipefail
source "$(dirname "$(realpath "$0")")/../support/real_program.sh"
begin_script "$1"
private_x || exit 1
cd "$build" || exit 1 # the X probe of the build (grab, rmse)
shots="${KEYS_SHOTS:-$build/keys-shots}"
mkdir -p "$shots"

WAIT_S=60 # ceiling for a picture to show up; a slow machine only waits longer
# Root-mean-square difference (0..1) of region $3 (WxH+X+Y) of PPM pictures $1 and $2.
rmse() { ./x_probe rmse "$1" "$2" "$3" 2> /dev/null; }
alike() { awk -v d="$(rmse "$1" "$2" "$3")" 'BEGIN { exit !(d != "" && d < 0.02) }'; }
slow_press() { xdotool keydown "$1"; sleep 0.2; xdotool keyup "$1"; sleep 0.3; }
# Waits until grabs a third of a second apart agree three times in region $1; the last one is $work/now.ppm.
still() {
  local n=0 end=$(( EPOCHSECONDS + WAIT_S * patience ))
  grab "$work/now.ppm"
  while [ "$EPOCHSECONDS" -lt "$end" ]; do
    kill -0 $pid 2> /dev/null || return 1
    sleep 0.33
    cp "$work/now.ppm" "$work/was.ppm"
    grab "$work/now.ppm" || continue
    if alike "$work/was.ppm" "$work/now.ppm" "$1"; then n=$((n + 1)); [ $n -ge 3 ] && return 0; else n=0; fi
  done
  return 1
}

# Level 8: one enemy, which rises at the top and walks slowly; the craft
# starts at the bottom, clear of the start sign.
background="$work/background_7.ppm"
convert "$build/data/gen/006_background_7.bmp" "$background"
title_background="$work/title_background.ppm"
convert "$build/data/gen/113_title_background.bmp" "$title_background"
craft="24x32+320+400" # the craft's place at the start
floor="100x60+60+300"  # open floor, far from the craft and the HUD
sign="300x120+170+140" # the start sign, raised when play begins
hud="80x20+120+5"      # the HUD's heat label, away from the health bar

# ---- Play: gas on W ---------------------------------------------------------
home="$work/home"
mkdir -p "$home"
printf '[controls]\nkey_gas = W\nkey_hide_hud = J\n' > "$home/vorlin-settings.cfg"
(cd "$build" && exec env HOME="$home" ./vorlin -win -scale 1 -debug -warpaheadtothelevelgivenok 8 > "$work/out" 2> "$work/err") &
pid=$!
wid=$(wait_window 'El Vorlin' $STARTUP_S $pid)
check "the game opens its window" '[ -n "$wid" ]' || exit 1

# Return through the intro and the title's "start"; with -debug no briefing.
in_level() { grab "$work/now.ppm" && alike "$work/now.ppm" "$background" "$floor"; }
enter_level() { in_level || { kill -0 $pid 2> /dev/null && press Return; false; }; }
check "Return starts level 8" 'wait_until $WAIT_S enter_level'
play_begun() { grab "$work/now.ppm" && ! alike "$work/now.ppm" "$background" "$sign"; }
check "play begins: the start sign shows" 'wait_until $WAIT_S play_begun'
# At once, before the enemy, which rises from tick 200 on, can come near.
cp "$work/now.ppm" "$shots/level_start.ppm"
check "the craft stands at its start" '! alike "$shots/level_start.ppm" "$background" "$craft"'
xdotool keydown Up; sleep 0.8; xdotool keyup Up
grab "$shots/after_up.ppm"
check "Up, gas no longer, leaves the craft where it was" \
  'alike "$shots/level_start.ppm" "$shots/after_up.ppm" "$craft"'
xdotool keydown w; sleep 0.6; xdotool keyup w
sleep 0.3
grab "$shots/after_w.ppm"
check "W, gas now, drives the craft away from its start" \
  '! alike "$shots/after_up.ppm" "$background" "$craft" && alike "$shots/after_w.ppm" "$background" "$craft"'
# The HUD, drawn over everything, slides away with the hide key: J now, not H.
slow_press h
sleep 0.5
grab "$shots/after_h.ppm"
check "H, hide HUD no longer, leaves the HUD shown" 'alike "$shots/after_w.ppm" "$shots/after_h.ppm" "$hud"'
slow_press j
sleep 0.5
grab "$shots/after_j.ppm"
check "J, hide HUD now, slides the HUD away" '! alike "$shots/after_h.ppm" "$shots/after_j.ppm" "$hud"'

press Escape # -debug: the pause menu, then the game ends
quit_from_pause() { ! kill -0 $pid 2> /dev/null || { press Return; sleep 0.3; false; }; }
wait_until $EXIT_S quit_from_pause
wait_exit $pid $EXIT_S
check "the game exits 0 (exit $exit_rc)" '[ "$exit_rc" = 0 ]'
check "the settings file keeps gas on W" 'grep -qx "key_gas = W" "$home/vorlin-settings.cfg"'
check "no sanitizer finding" '! sanitizer_finding "$work/err"'

# ---- The remapping on the title's keyboard page -----------------------------
home="$work/home2"
mkdir -p "$home"
printf '[misc]\ntitle_song = 1\n' > "$home/vorlin-settings.cfg"
cp "$home/vorlin-settings.cfg" "$work/settings_before"
(cd "$build" && exec env HOME="$home" ./vorlin -win -scale 1 > "$work/out2" 2> "$work/err2") &
pid=$!
wid=$(wait_window 'El Vorlin' $STARTUP_S $pid)
check "the game opens its window again" '[ -n "$wid" ]' || exit 1
# One Return for the intro (it ends by itself too); a second could start a game.
title_shown() { grab "$work/now.ppm" && alike "$work/now.ppm" "$title_background" "200x100+400+150"; }
slow_press Return
check "the title shows" 'wait_until $WAIT_S title_shown'
still "640x480+0+0"
for k in Right Return Right Return; do slow_press $k; done # controls, joystick page, keyboard item, keyboard page
still "640x480+0+0"
cp "$work/now.ppm" "$shots/keyboard_page.ppm"
slow_press Return # remap
still "640x480+0+0"
cp "$work/now.ppm" "$shots/remap_asking.ppm"
check "the remapping asks over the page" '! alike "$shots/keyboard_page.ppm" "$shots/remap_asking.ppm" "640x480+0+0"'
slow_press a # steer left
still "640x480+0+0"
cp "$work/now.ppm" "$shots/remap_second.ppm"
slow_press a # steer right: taken
still "640x480+0+0"
cp "$work/now.ppm" "$shots/remap_conflict.ppm"
message="620x25+10+260"  # the line below the nine prompts
check "a key given twice is refused with a message" \
  '! alike "$shots/remap_second.ppm" "$shots/remap_conflict.ppm" "$message"'
slow_press Escape
still "640x480+0+0"
cp "$work/now.ppm" "$shots/after_cancel.ppm"
check "ESC goes back to the keyboard page as it was" \
  'alike "$shots/keyboard_page.ppm" "$shots/after_cancel.ppm" "640x400+0+0"'
stop_game $pid
check "the game ends on SIGTERM (exit $exit_rc)" '[ "$exit_rc" = 0 ]'
check "the cancelled remapping left the settings without keys" '! grep -q "^key_" "$home/vorlin-settings.cfg"'
check "no sanitizer finding" '! sanitizer_finding "$work/err2"'
[ $fail = 0 ] || { echo "game's stderr:"; game_stderr "$work/err" | tail -5; game_stderr "$work/err2" | tail -5; }
exit $fail

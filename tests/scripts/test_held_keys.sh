#!/usr/bin/env bash
# Keys held from one screen into the next, as a player holds them, with the X
# server repeating them: Left held from before the intro neither ends the
# intro by repeating nor moves the title's carousel (Return then starts a game
# rather than quitting it); Up held from the title into the
# briefing does not dismiss the briefing. The game is then quit from the pause
# menu and must report the level's objects deleted.
set -uo pipefail
source "$(dirname "$(realpath "$0")")/../support/real_program.sh"
begin_script "$1"
private_x || exit 1

WAIT_S=60   # ceiling for any screen to show up (times the patience); a slow machine only waits longer

cd "$build" || exit 1 # the X probe of the build (grab, same, mean)
mean() { ./x_probe mean "$1" 2> /dev/null || echo 0; }
# Grabs (which take seconds on a busy machine) are timed by the clock, not counted.
deadline() { echo $(( EPOCHSECONDS + WAIT_S * patience )); }
# Waits until the picture is lit and has stopped changing (three equal grabs
# a quarter of a second apart), at most WAIT_S seconds; false if the game
# ended first.
settled() {
  local equal=0 end
  end=$(deadline)
  grab "$work/a.ppm"
  while [ "$EPOCHSECONDS" -lt "$end" ]; do
    kill -0 $pid 2> /dev/null || return 1
    sleep 0.25
    if grab "$work/b.ppm" && same "$work/a.ppm" "$work/b.ppm" &&
      awk -v m="$(mean "$work/b.ppm")" 'BEGIN { exit !(m > 0.03) }'; then
      equal=$((equal + 1))
      [ $equal -ge 2 ] && return 0
    else
      equal=0
    fi
    mv "$work/b.ppm" "$work/a.ppm" 2> /dev/null
  done
  return 1
}
# The intro holds its picture still for 3.2 s: a rest that is not the title's.
intro_picture="$work/intro.ppm"
convert "$build/data/gen/063_intro.bmp" "$intro_picture"
like_intro() {
  local d
  d=$(./x_probe rmse "$1" "$intro_picture" 640x480+0+0 2> /dev/null)
  awk -v d="${d:-1}" 'BEGIN { exit !(d < 0.05) }'
}
# Waits until the title has come to rest, at most WAIT_S seconds after the
# intro's hold; false if the game ended first.
title_settled() {
  while settled; do
    like_intro "$work/a.ppm" || return 0
  done
  return 1
}
# Waits until the picture's mean brightness passes the test $1.
brightness_is() {
  local end
  end=$(deadline)
  while [ "$EPOCHSECONDS" -lt "$end" ]; do
    kill -0 $pid 2> /dev/null || return 1
    grab "$work/l.ppm" && awk -v m="$(mean "$work/l.ppm")" "BEGIN { exit !(m $1) }" && return 0
    sleep 0.1
  done
  return 1
}

home="$work/home"
mkdir -p "$home"
(cd "$build" && exec env HOME="$home" ./vorlin -win -scale 1 > "$work/out" 2> "$work/err") &
pid=$!
wid=$(bounded $WAIT_S xdotool search --sync --name 'El Vorlin' | head -1)
check "the game opens its window" '[ -n "$wid" ]'

# Left goes down as the window opens, before the intro begins, and stays down
# (the last key pressed: X repeats it), as keys held through the last death
# are held into the intro after the game-over screen. The intro must not end
# on Left's repeats, and the title must not move to "quit" with it.
xdotool keydown Left
check "the intro's picture is there to compare with" '[ -s "$intro_picture" ]'
check "with Left held, the intro plays and the title comes to rest" 'title_settled'
grab "$work/title_held.ppm"
xdotool keyup Left

# Return chooses the item shown: "start" unless Left moved the carousel. Up
# goes down during the title's fade-out and stays down, repeating, into the
# briefing, which must wait for a new press.
press Return
xdotool keydown Up
check "the title started a game: the briefing comes to rest with Up held" 'settled'
cp "$work/a.ppm" "$work/briefing.ppm"
sleep 2   # time for Up's repeats to dismiss it, were they counted
grab "$work/briefing_later.ppm"
check "the briefing still waits after 2 s of Up repeating" 'same "$work/briefing.ppm" "$work/briefing_later.ppm"'
xdotool keyup Up

# A new press dismisses it; into the level, then quit through the pause menu.
press Return
brightness_is '< 0.04'
brightness_is '> 0.05'
press Escape
settled
press Down
settled
press Return
wait_exit $pid $WAIT_S
check "the game exits 0 after quitting from the pause menu (exit $exit_rc)" '[ "$exit_rc" = 0 ]'
check "a level was played and its objects deleted" 'grep -qx "Create count = 0 (this is good)" "$work/out"'
check "no sanitizer finding" '! sanitizer_finding "$work/err"'
[ $fail = 0 ] || { echo "game's stderr:"; grep -v '^ALSA' "$work/err" | tail -5; }
[ -n "${HELD_KEYS_SHOTS:-}" ] && cp "$work"/*.ppm "$HELD_KEYS_SHOTS"/ 2> /dev/null
exit $fail

#!/usr/bin/env bash
# The display of the real program on X servers of the sizes players have
# (1024x768, 1920x1080, 3840x2160), each started privately: the window's size
# per desktop and option, the remembered "scale", sharp pixels read back from
# screenshots (every picture pixel an exact 2x2 or 3x3 block, equal to the 1x
# picture), full screen at the desktop's size with the picture centred on
# black, the fallback to a window when full screen is refused, the hidden
# pointer, the window's class, icons and answer to the desktop's ping, and
# the pause menu opening when the
# window loses the focus in play. (That a loss on the screens before play
# opens nothing is shown headless, by test_focus_pause.)
#
# usage: test_display_x.sh BUILD_DIR               (runs every part)
#        test_display_x.sh BUILD_DIR PART ...     (parts on the current X server)
# A part is a name below, or ARGS:EXPECTED: the game's window with the
# options ARGS must be EXPECTED in size.
set -uo pipefail
source "$(dirname "$(realpath "$0")")/../support/real_program.sh"
begin_script "$1"
begin_parts display-test

if [ $# -eq 1 ]; then
  # The servers of one call at once. The 1x title the second call compares
  # with comes from the first; a window size a part shows already (1x on
  # 1920x1080 by picture_1x, -win there by pointer) is not started again.
  parts_at_once "1024x768x24|-win:640x480|-win -scale 2:640x480" "1024x768x24|focus|switching_bare" \
    "1920x1080x24|picture_1x|-win -scale 3:1280x960" "3840x2160x24|-win:2560x1920|remembered"
  parts_at_once "3840x2160x24|picture_3x" "1920x1080x24|fullscreen" "1920x1080x24|fallback|pointer" \
    "1920x1080x24|managed" \
    "1920x1080x24|resizable" "1366x768x24|switching"
  exit $fail
fi

mkdir -p "$shots"
desk=$(xdpyinfo | awk '/dimensions:/ { print $2 }')

# Starts the game and waits until its start-up is done. A game that cannot
# reach the X server at once (a server started a moment ago on a busy machine)
# is started again after a second.
start_game() { # ARGS...
  for _ in 1 2 3; do
    HOME="$home" ./vorlin "$@" > "$home/out" 2> "$home/err" &
    pid=$!
    wait_for_line "$home/out" "Done!" $STARTUP_S "$pid" && return
    kill -0 "$pid" 2>/dev/null && return
    wait "$pid"
    grep -q "Cannot start the Allegro library" "$home/err" || return
    sleep 1
  done
}
# Ends the game (SIGTERM, a player's quit); one that does not go is killed.
stop_game() {
  kill "$pid" 2>/dev/null
  wait_exit "$pid" $EXIT_S
  pid=
}
press() { xdotool keydown "$1"; sleep 0.12; xdotool keyup "$1"; }
# The size of the named game window once the screen has opened (the library
# makes its window small before it knows the mode).
window_size() {
  local size=
  sized() {
    size=$(xwininfo -name 'El Vorlin' 2>/dev/null | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { if (w) print w "x" h }')
    [ -n "$size" ] && [ "$size" != "320x200" ]
  }
  wait_until $STARTUP_S sized
  echo "$size"
}
# Waits until the title is shown: the area unchanged in shots a quarter of a
# second apart for 5 s (the intro before it holds a picture for 3 s only; the
# title stays until a key), and not dark. Saves the shot as FILE (PNG).
shot_when_still() { # X Y W H FILE
  local prev="$home/prev.ppm" cur="$home/cur.ppm" end since=0
  rm -f "$prev"
  end=$(deadline_in 90)
  until past "$end"; do
    ./x_probe shot "$1" "$2" "$3" "$4" "$cur" || return 1
    if [ -f "$prev" ] && cmp -s "$cur" "$prev"; then
      if past $(( since + 5000 )) &&
         awk -v m="$(./x_probe mean "$cur")" 'BEGIN { exit !(m > 0.03) }'; then
        convert "$cur" "$5"
        return 0
      fi
    else
      since=$(clock_ms)
    fi
    mv "$cur" "$prev"
    sleep 0.25
  done
  return 1
}
differing() { compare -metric AE "$1" "$2" null: 2>&1 | awk '{ print $1 }'; }
# The shot FILE of an area W x H shows the 1x title at whole multiple K,
# centred, on black. NAME names the case in the checks.
centred_title() { # NAME FILE W H K
  local pw=$(( 640 * $5 )) ph=$(( 480 * $5 )) x=$(( ($3 - 640 * $5) / 2 )) y=$(( ($4 - 480 * $5) / 2 )) border
  convert "$2" -crop "${pw}x${ph}+$x+$y" +repage "$home/picture.png"
  convert "$home/picture.png" -sample 640x480! "$home/small.png"
  convert "$home/small.png" -sample "${pw}x${ph}!" "$home/blocks.png"
  check "$1: the picture at ${5}x, centred, in exact ${5}x$5 blocks" \
    '[ "$(differing "$home/blocks.png" "$home/picture.png")" = 0 ]'
  check "$1: the blocks are the 1x picture" '[ "$(differing "$home/small.png" "$shots/title_1x.png")" = 0 ]'
  border=$(convert "$2" -fill black -draw "rectangle $x,$y $(( x + pw - 1 )),$(( y + ph - 1 ))" -format '%[fx:maxima]' info:)
  check "$1: black around the picture" '[ "$border" = 0 ]'
}
# Waits (at most 30 s times the patience) until the area X Y W H shows the
# picture laid out for that size at K times: all black around it. The game lays
# the picture out again once it hears of a new size, and until then the old
# layout is just as still. usage: wait_centred X Y W H K
wait_centred() {
  local left=$(( ($3 - 640 * $5) / 2 )) top=$(( ($4 - 480 * $5) / 2 )) k=$5
  centred_now() {
    ./x_probe shot "$1" "$2" "$3" "$4" "$home/laid.ppm" &&
      [ "$(./x_probe outside "$home/laid.ppm" "$(( 640 * k ))x$(( 480 * k ))+$left+$top")" = 0 ]
  }
  wait_until 30 centred_now "$1" "$2" "$3" "$4"
}

# Starts openbox (the window manager) and waits until it runs.
start_window_manager() {
  command -v openbox > /dev/null || { echo "FAIL: openbox is missing (tools/deps.sh installs it)"; fail=1; return 1; }
  openbox > /dev/null 2>&1 &
  wm=$!
  wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q "window id"; }
  wait_until 60 wm_ready
}
# The place and size of window $wid: "X Y W H".
geometry() {
  xwininfo -id "$wid" 2>/dev/null | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /Width:/ { w = $2 } /Height:/ { h = $2 } END { print x, y, w, h }'
}

# With the game (window $wid, process $pid) started at level 1 and another
# window $other open: goes through the intro, the title and the briefing into
# play, where Down and Return do nothing; then the focus goes to the other
# window and back, which must open the pause menu, where Down and Return
# choose Quit and end the game with code 0. Only that menu reads Down, so on a
# machine too busy to have reached play yet, the focus is lost and Quit chosen
# again until the game ends. $1 names the case in the checks.
focus_loss_pauses() {
  xdotool windowfocus --sync "$wid"
  for _ in 1 2 3 4 5 6 7; do press Return; sleep 1.2; done
  sleep 2
  press Down; press Return; sleep 1
  check "$1: in play, Down and Return do not end the game" 'kill -0 "$pid" 2>/dev/null'
  gone() { ! kill -0 "$pid" 2>/dev/null; }
  focus_out_and_quit() {
    bounded 10 xdotool windowfocus --sync "$other"; sleep 0.5
    bounded 10 xdotool windowfocus --sync "$wid"; sleep 0.5
    press Down; press Return
    wait_until 5 gone
  }
  wait_until $STARTUP_S focus_out_and_quit
  wait_exit "$pid" $EXIT_S; rc=$exit_rc; pid=
  check "$1: focus lost in play opened the pause menu (Quit chosen there ends the program, code 0; was $rc)" '[ "$rc" = 0 ]'
}

for part in "${@:2}"; do
  case "$part" in
  *:*)
    args=${part%%:*}; want=${part##*:}
    # shellcheck disable=SC2086
    start_game $args
    got=$(window_size)
    stop_game
    check "$desk, '$args': window $want (got $got)" '[ "$got" = "$want" ]' || tail -n 5 "$home/err"
    ;;
  picture_1x)
    start_game -win -scale 1
    check "$desk, '-win -scale 1': window 640x480" '[ "$(window_size)" = 640x480 ]'
    shot_when_still 0 0 640 480 "$shots/title_1x.png"; still=$?
    check "1x title picture captured" '[ $still -eq 0 ]'
    stop_game
    ;;
  picture_3x)
    start_game -win -scale 3
    check "$desk, '-win -scale 3': window 1920x1440" '[ "$(window_size)" = 1920x1440 ]'
    shot_when_still 0 0 1920 1440 "$shots/title_3x.png"
    stop_game
    convert "$shots/title_3x.png" -sample 640x480! "$shots/title_3x_small.png"
    convert "$shots/title_3x_small.png" -sample 1920x1440! "$shots/title_3x_blocks.png"
    check "3x: every picture pixel is an exact 3x3 block" '[ "$(differing "$shots/title_3x_blocks.png" "$shots/title_3x.png")" = 0 ]'
    check "3x: the blocks are the 1x picture" '[ "$(differing "$shots/title_3x_small.png" "$shots/title_1x.png")" = 0 ]'
    ;;
  remembered)
    printf '[misc]\nscale = 3\n' > "$home/vorlin-settings.cfg"
    start_game -win
    check "settings scale = 3: window 1920x1440" '[ "$(window_size)" = 1920x1440 ]'
    stop_game
    # -scale applies to its own run: a normal quit (ESC through the intro and
    # the title) writes the settings back with the remembered 3.
    start_game -win -scale 2
    check "-scale 2 over a remembered 3: window 1280x960" '[ "$(window_size)" = 1280x960 ]'
    xdotool windowfocus --sync "$(wait_window 'El Vorlin' $STARTUP_S "$pid")" 2>/dev/null
    quit_with_escape "$pid"; rc=$?; pid=
    check "quit exits 0 (was $rc)" '[ "$rc" = 0 ]'
    check "-scale 2 is not remembered: scale = 3 stays" \
      'grep -q "^scale = 3" "$home/vorlin-settings.cfg" && ! grep -q "^scale = 2" "$home/vorlin-settings.cfg"'
    ;;
  fullscreen)
    start_game
    shot_when_still 0 0 1920 1080 "$shots/full.png"
    fs=$(xdotool search --class Vorlin | while read -r w; do
           xwininfo -id "$w" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } /IsViewable/ { v = 1 } END { if (v) print w "x" h }'
         done | head -1)
    stop_game
    check "$desk, full screen: a shown window of the desktop's size (got $fs)" '[ "$fs" = "$desk" ]'
    convert "$shots/full.png" -crop 1280x960+320+60 +repage "$shots/full_picture.png"
    convert "$shots/full_picture.png" -sample 640x480! "$shots/full_small.png"
    convert "$shots/full_small.png" -sample 1280x960! "$shots/full_blocks.png"
    check "full screen: the picture at 2x, centred, in exact 2x2 blocks" \
      '[ "$(differing "$shots/full_blocks.png" "$shots/full_picture.png")" = 0 ]'
    check "full screen: the blocks are the 1x picture" '[ "$(differing "$shots/full_small.png" "$shots/title_1x.png")" = 0 ]'
    border=$(convert "$shots/full.png" -fill black -draw "rectangle 320,60 1599,1019" -format '%[fx:maxima]' info:)
    check "full screen: black around the picture" '[ "$border" = 0 ]'
    ;;
  fallback)
    # The grab is held until the game has opened its window.
    ./x_probe grab $(( STARTUP_S * patience * 2 )) > "$home/grab" &
    gpid=$!
    wait_for_line "$home/grab" grabbed 30 "$gpid"
    start_game
    got=$(window_size)
    stop_game
    kill "$gpid"; wait "$gpid" 2>/dev/null
    check "full screen refused: a window of 1280x960 instead" '[ "$got" = 1280x960 ]'
    check "full screen refused: said on standard error" \
      'grep -q "^Full screen not available (.*): playing in a window$" "$home/err"'
    ;;
  pointer)
    start_game -win
    wid=$(wait_window 'El Vorlin' $STARTUP_S "$pid")
    got=$(window_size)
    xdotool mousemove --sync 600 400
    inside=$(./x_probe cursor)
    xdotool mousemove --sync 1700 1000
    outside=$(./x_probe cursor)
    class=$(xprop -id "$wid" WM_CLASS)
    icons=$(xprop -id "$wid" _NET_WM_ICON | grep "Icon (")
    hints=$(xprop -id "$wid" WM_HINTS)
    owner=$(xprop -id "$wid" _NET_WM_PID WM_CLIENT_MACHINE _NET_WM_NAME)
    # The desktop's ping is answered while the game runs, and not while it
    # is stopped (as a hung game would be).
    bounded 60 ./x_probe ping "$wid" 30 > /dev/null; pinged=$?
    kill -STOP "$pid"; bounded 10 ./x_probe ping "$wid" 2 > /dev/null 2>&1; pinged_stopped=$?; kill -CONT "$pid"
    owner_expected=$(printf '_NET_WM_PID(CARDINAL) = %s\nWM_CLIENT_MACHINE(STRING) = "%s"\n_NET_WM_NAME(UTF8_STRING) = "El Vorlin"' \
      "$pid" "$(hostname)")
    stop_game
    check "$desk, '-win': window 1280x960 (got $got)" '[ "$got" = 1280x960 ]'
    check "window class vorlin, Vorlin" '[[ "$class" == *\"vorlin\",\ \"Vorlin\"* ]]'
    check "window icons from the game, 16 to 64 pixels" '[ "$(echo "$icons" | tr -d "\t")" = "$(printf "Icon (%d x %d):\n" 16 16 32 32 48 48 64 64 | sed "1s/^/_NET_WM_ICON(CARDINAL) = /")" ]'
    check "window icon picture for the window manager" '[[ "$hints" == *"bitmap id # to use for icon"* ]]'
    check "window names its process, machine and UTF-8 title (got $owner)" '[ "$owner" = "$owner_expected" ]'
    check "the desktop's ping answered" '[ $pinged -eq 0 ]'
    check "no answer to the ping from a stopped game" '[ $pinged_stopped -ne 0 ]'
    check "pointer hidden over the window" '[ "$inside" = "cursor 0" ]'
    check "pointer shown elsewhere" '[ "$outside" != "cursor 0" ]'
    ;;
  managed)
    # Under a window manager, full screen is the manager's: a window it shows
    # full screen, holding neither the keyboard nor the pointer, the picture
    # as in the library's full screen, and a loss of focus in play pauses.
    start_window_manager || continue
    xmessage -name other "another window" 2> /dev/null &
    xpid=$!
    other=$(wait_window other 30 "$xpid")
    start_game -warpaheadtothelevelgivenok 1
    wid=$(wait_window 'El Vorlin' $STARTUP_S "$pid")
    full_shown() { [ "$(geometry)" = "0 0 ${desk/x/ }" ]; }
    wait_until 30 full_shown; shown=$?
    state=$(xprop -id "$wid" _NET_WM_STATE)
    check "window manager's full screen: the window asks for it (got $state)" '[[ "$state" == *_NET_WM_STATE_FULLSCREEN* ]]'
    check "window manager's full screen: the whole desktop, at 0,0" '[ $shown -eq 0 ]'
    check "window manager's full screen: keyboard and pointer free for others" 'bounded 10 ./x_probe grab 0 > /dev/null'
    shot_when_still 0 0 1920 1080 "$shots/managed.png"
    centred_title "window manager's full screen" "$shots/managed.png" 1920 1080 2
    focus_loss_pauses "window manager's full screen"
    kill "$xpid" "$wm" 2>/dev/null; wait "$wm" 2>/dev/null
    ;;
  resizable)
    # The window under a window manager may be resized: maximised, and
    # shown full screen by the manager, the picture is laid out again in the
    # size it has, centred on black.
    start_window_manager || continue
    start_game -win
    wid=$(wait_window 'El Vorlin' $STARTUP_S "$pid")
    hints=$(xprop -id "$wid" WM_NORMAL_HINTS)
    check "window: the window manager may size it from 640x480 to the desktop (got $hints)" \
      '[[ "$hints" == *"minimum size: 640 by 480"* && "$hints" == *"maximum size: ${desk/x/ by }"* ]]'
    wmctrl -i -r "$wid" -b add,maximized_vert,maximized_horz
    maximised() { read -r _ _ w h <<< "$(geometry)"; [ "$w" = "${desk%x*}" ] && [ "$h" -gt 960 ]; }
    wait_until 30 maximised
    read -r x y w h <<< "$(geometry)"
    wait_centred "$x" "$y" "$w" "$h" 2
    shot_when_still "$x" "$y" "$w" "$h" "$shots/maximised.png"
    centred_title "maximised window ${w}x$h" "$shots/maximised.png" "$w" "$h" 2
    wmctrl -i -r "$wid" -b add,fullscreen
    full_shown() { [ "$(geometry)" = "0 0 ${desk/x/ }" ]; }
    wait_until 30 full_shown
    wait_centred 0 0 "${desk%x*}" "${desk#*x}" 2
    shot_when_still 0 0 "${desk%x*}" "${desk#*x}" "$shots/wm_full.png"
    centred_title "window shown full screen by the window manager" "$shots/wm_full.png" "${desk%x*}" "${desk#*x}" 2
    stop_game
    kill "$wm" 2>/dev/null; wait "$wm" 2>/dev/null
    ;;
  switching)
    # Alt+Enter and F11 switch between the window manager's full screen and
    # the window in play and in the pause menu, which stays open; F10 cycles
    # the scaling mode; both choices are remembered. On 1366x768, full screen
    # fills the height smoothly.
    start_window_manager || continue
    start_game -warpaheadtothelevelgivenok 1
    wid=$(wait_window 'El Vorlin' $STARTUP_S "$pid")
    full_shown() { [ "$(geometry)" = "0 0 ${desk/x/ }" ]; }
    window_shown() { read -r _ _ w h <<< "$(geometry)"; [ "${w}x$h" = 640x480 ]; }
    wait_until 30 full_shown
    shot_when_still 0 0 1366 768 "$shots/full_1366x768.png"
    fill_edge=$(convert "$shots/full_1366x768.png" -crop 190x768+171+0 -format '%[fx:maxima]' info:)
    border=$(convert "$shots/full_1366x768.png" -fill black -draw "rectangle 171,0 1194,767" -format '%[fx:maxima]' info:)
    check "1366x768 full screen: the picture fills the height, 1024x768 centred (edge shows $fill_edge)" \
      'awk -v m="$fill_edge" "BEGIN { exit !(m > 0.1) }"'
    check "1366x768 full screen: black beside the picture" '[ "$border" = 0 ]'
    xdotool windowfocus --sync "$wid"
    for _ in 1 2 3 4 5 6 7; do press Return; sleep 1.2; done
    alt_enter() { xdotool keydown Alt_L keydown Return; sleep 0.12; xdotool keyup Return keyup Alt_L; }
    round_trip() { # WHERE
      press F11; wait_until 30 window_shown; to_window=$?
      alt_enter; wait_until 30 full_shown; to_full=$?
      alt_enter; wait_until 30 window_shown; to_window2=$?
      press F11; wait_until 30 full_shown; to_full2=$?
      check "$1: F11 and Alt+Enter, window and full screen and back twice" \
        '[ "$to_window$to_full$to_window2$to_full2" = 0000 ]'
    }
    round_trip "in play"
    press Down; press Return; sleep 1
    check "in play after the switches: still playing (Down and Return do not end the game)" 'kill -0 "$pid" 2>/dev/null'
    # F10 from the automatic fill to whole: the 640x480 picture alone, centred on black.
    press F10
    whole_shown() {
      ./x_probe shot 0 0 1366 768 "$home/mode.ppm" &&
        [ "$(./x_probe outside "$home/mode.ppm" 640x480+363+144)" = 0 ]
    }
    wait_until 30 whole_shown; whole=$?
    check "F10: whole, the 640x480 picture centred on black" '[ $whole -eq 0 ]' ||
      convert "$home/mode.ppm" "$shots/f10_whole.png"
    press F10
    press Escape; sleep 1
    round_trip "in the pause menu"
    press Down; press Return
    wait_exit "$pid" $EXIT_S; rc=$exit_rc; pid=
    check "the pause menu stayed open through the switches (Quit chosen there ends the game, code 0; was $rc)" '[ "$rc" = 0 ]'
    check "the scaling mode chosen is remembered, full screen is the default and needs no key" \
      'grep -q "^scalemode = 2" "$home/vorlin-settings.cfg" && ! grep -q "^window" "$home/vorlin-settings.cfg"'
    kill "$wm" 2>/dev/null; wait "$wm" 2>/dev/null
    ;;
  switching_bare)
    # Without a window manager the switch opens the screen again: the
    # library's full screen, a window, and full screen again.
    start_game
    shown_size() {
      xdotool search --class Vorlin | while read -r w; do
        xwininfo -id "$w" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } /IsViewable/ { v = 1 } END { if (v) print w "x" h }'
      done | grep -vx 320x200 | head -1
    }
    is_shown() { [ "$(shown_size)" = "$1" ]; }
    wait_until 30 is_shown "$desk"; first=$?
    press F11; wait_until 30 is_shown 640x480; to_window=$?
    # No window manager gives the focus back: the new window takes it here.
    xdotool windowfocus --sync "$(xdotool search --name 'El Vorlin' | head -1)" 2>/dev/null
    press F11; wait_until 30 is_shown "$desk"; to_full=$?
    check "bare X: full screen, F11 to a window and back (got $first$to_window$to_full)" \
      '[ "$first$to_window$to_full" = 000 ] && kill -0 "$pid" 2>/dev/null'
    stop_game
    ;;
  focus)
    xmessage -name other "another window" 2> /dev/null &
    xpid=$!
    other=$(wait_window other 30 "$xpid")
    start_game -win -scale 1 -warpaheadtothelevelgivenok 1
    wid=$(wait_window 'El Vorlin' $STARTUP_S "$pid")
    focus_loss_pauses "in a window"
    kill "$xpid" 2>/dev/null
    ;;
  *)
    echo "test_display_x: unknown part $part"; fail=1
    ;;
  esac
done
exit $fail

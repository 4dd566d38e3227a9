#!/usr/bin/env bash
# Colour depths of the real program, each on an X server of its own: at 24 bits
# the intro fades in and the pause menu darkens the game as at 32 bits; on a
# 30-bit screen the picture reads back exactly as on a 24-bit one, at the
# desktop's depth and at 24 bits; a depth the library refuses ends the game with
# the library's reason, 8 bits with the game's own. Screenshots stay in
# BUILD/display-depth-test.
#
# usage: test_display_depth.sh BUILD_DIR               (runs every part)
#        test_display_depth.sh BUILD_DIR PART ...      (parts on the current X server)
set -uo pipefail
source "$(dirname "$(realpath "$0")")/../support/real_program.sh"
begin_script "$1"
begin_parts display-depth-test

if [ $# -eq 1 ]; then
  rm -rf "$shots"
  mkdir -p "$shots"
  # The servers of one call at once; the 30-bit title is compared with the
  # reference the first call takes.
  parts_at_once "1024x768x24|fade24" "1024x768x24|reference" "1024x768x24|refused"
  parts_at_once "1024x768x30|deep30" "1024x768x30|deep30_24"
  exit $fail
fi

# Every wait below is for something the game shows, with a ceiling that only a
# stuck game reaches.
start_game() { # ARGS...
  HOME="$home" ./vorlin "$@" > "$home/out" 2> "$home/err" &
  pid=$!
  wait_window 'El Vorlin' "$STARTUP_S" "$pid" > /dev/null
}
end_game() {
  stop_game "$pid"
  pid=
}
shot() { ./x_probe shot 0 0 640 480 "$1"; }
mean() { ./x_probe mean "$1"; } # of a PPM shot
# Mean brightness of the area W x H at (X, Y) of picture FILE.
area_mean() { convert "$1" -crop "$4x$5+$2+$3" +repage -format '%[fx:mean]' info:; }
# Waits until the picture stops changing (three equal shots a quarter of a
# second apart) and is not black, at most $2 seconds; saves it as FILE $1 (PNG).
settle() {
  local equal=0 prev="$home/prev.ppm" cur="$home/cur.ppm"
  shot "$prev" || return 1
  for _ in $(seq $(( ${2:-60} * 4 * patience ))); do
    sleep 0.25
    shot "$cur" || return 1
    if cmp -s "$cur" "$prev" && awk -v m="$(mean "$cur")" 'BEGIN { exit !(m > 0.03) }'; then
      equal=$((equal + 1))
      if [ $equal -ge 2 ]; then convert "$cur" "$1"; return 0; fi
    else
      equal=0
    fi
    mv "$cur" "$prev"
  done
  return 1
}
# From the intro, once it shows, to the title: H ends the fade-in (and with it
# the hold), H again the fade-out, and the title ignores it. Saves the title,
# once still, as FILE $1.
to_title() {
  brightness_is '> 0.03' 120 || return 1
  press h; sleep 0.4; press h; sleep 1; press h
  settle "$1" 120
}
# Waits until the picture's mean brightness passes the awk test $1, at most $2 seconds.
brightness_is() {
  for _ in $(seq $(( $2 * 10 * patience ))); do
    shot "$home/l.ppm" && awk -v m="$(mean "$home/l.ppm")" "BEGIN { exit !(m $1) }" && return 0
    sleep 0.1
  done
  return 1
}
# Less than `share` of the brightness of `than`.
darker() { awk -v a="$1" -v b="$2" -v s="$3" 'BEGIN { exit !(b > 0 && a < b * s) }'; }

for part in "${@:2}"; do
  case "$part" in
  fade24)
    start_game -win -scale 1 -bpp 24
    # The intro fades in from black over about four seconds and then holds its
    # picture: the shots taken until it holds are darker versions of it.
    # Shots are kept and measured afterwards, so that the fade is sampled often.
    n=0
    for i in $(seq 600); do
      shot "$home/f$i.ppm" || break
      n=$i
      if [ "$i" -gt 1 ] && cmp -s "$home/f$i.ppm" "$home/f$((i - 1)).ppm" &&
         awk -v m="$(mean "$home/f$i.ppm")" 'BEGIN { exit !(m > 0.03) }'; then
        break
      fi
      sleep 0.05
    done
    means=()
    for i in $(seq "$n"); do means+=("$(mean "$home/f$i.ppm")"); done
    cp "$home/f$n.ppm" "$home/f.ppm"
    convert "$home/f.ppm" "$shots/intro24_still.png"
    still=$(printf '%s\n' "${means[@]}" | sort -g | tail -n 1)
    between=$(printf '%s\n' "${means[@]}" | awk -v s="$still" '$1 > s * 0.1 && $1 < s * 0.8' | wc -l)
    check "24 bits: the intro fades in ($between shots between black and the held picture, mean $still)" \
      '[ "$between" -ge 1 ]'
    # Through the title and the briefing into play, then the pause menu.
    to_title "$home/title.png" || echo "the title did not settle"
    press Return
    sleep 1; settle "$shots/briefing24.png" || echo "the briefing did not settle"
    press Return
    brightness_is '< 0.04' 60; brightness_is '> 0.1' 60
    sleep 3
    shot "$home/play.ppm"; convert "$home/play.ppm" "$shots/play24.png"
    press Escape
    settle "$shots/pause24.png" || echo "the pause menu did not settle"
    end_game
    # The strip left of the menu's panel shows the game, halved by the pause.
    play=$(area_mean "$shots/play24.png" 0 0 160 480)
    pause=$(area_mean "$shots/pause24.png" 0 0 160 480)
    check "24 bits: the pause menu darkens the game beside its panel (mean $play in play, $pause paused)" \
      'darker "$pause" "$play" 0.75'
    ;;
  reference)
    start_game -win -scale 1 -bpp 32
    to_title "$shots/title_ref.png"; check "reference title captured on a 24-bit screen at 32 bits" '[ $? -eq 0 ]'
    end_game
    ;;
  deep30|deep30_24)
    # The screen's channels have 10 bits; the shots keep their top 8.
    root=$(xdpyinfo | grep "depth of root window")
    check "the X screen is 30 bits deep" '[[ "$root" =~ window:\ *30\ planes ]]'
    bpp=${part#deep30}; bpp=${bpp#_}   # the desktop's depth, or 24 bits
    start_game -win -scale 1 ${bpp:+-bpp $bpp}
    name="title30${bpp:+_$bpp}"
    to_title "$shots/$name.png"; got=$?
    end_game
    # A garbled screen differs everywhere and by far; the edges of the
    # title's translucent logo come out up to one level apart there.
    differ=$(compare -metric AE "$shots/$name.png" "$shots/title_ref.png" null: 2>&1 | cut -d' ' -f1)
    levels=$(convert "$shots/$name.png" "$shots/title_ref.png" -compose difference -composite \
               -format '%[fx:round(255 * max(maxima.r, max(maxima.g, maxima.b)))]' info:)
    check "30-bit screen, ${bpp:-desktop} depth: the title as on a 24-bit screen at 32 bits ($differ pixels differ, by up to $levels levels)" \
      '[ $got -eq 0 ] && [ "$levels" -le 1 ] && [ "$differ" -lt 3000 ]'
    ;;
  refused)
    # xmessage is kept off the PATH so that no message box waits for a click.
    run_to_exit() { # ARGS...
      HOME="$home" env PATH=/nonexistent ./vorlin "$@" > /dev/null 2> "$home/err" &
      pid=$!
      wait_exit "$pid" "$FATAL_RUN_S"
      rc=$exit_rc
      pid=
    }
    for depth in 12 0 48; do
      for mode in -win ""; do
        # shellcheck disable=SC2086
        run_to_exit $mode -bpp "$depth"
        check "-bpp $depth ${mode:-full screen}: exit 1 with the library's reason alone (was $rc)" \
          '[ "$rc" = 1 ] && grep -qx "Fatal error:  Unsupported color depth" "$home/err" &&
           ! grep -q "Full screen not available" "$home/err"' || tail -n 3 "$home/err"
      done
    done
    run_to_exit -win -bpp 8
    check "-bpp 8: exit 1 with the game's own reason (was $rc)" \
      '[ "$rc" = 1 ] && grep -qx "Fatal error:  Colour depth 8 is not supported: the game runs at 15, 16, 24 or 32 bits" "$home/err"'
    ;;
  *)
    echo "test_display_depth: unknown part $part"; fail=1
    ;;
  esac
done
exit $fail

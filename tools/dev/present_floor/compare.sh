#!/usr/bin/env bash
# The game's processor share in play beside the floor of presenting alone:
# for each level and scale, the game (in a window at -scale N, started at the
# level, brought into play with Return and then driven and shooting with
# xdotool keys) and present_floor at the same scale run at the same time for
# SECONDS seconds; each one's user+system time is read from /proc. Prints one
# line per run and the ratio game / floor; exits 1 if any ratio is above the
# goal (1.3) or the game could not be brought into play.
#
# A scale of MODE:FLOOR (e.g. fill:1024x768, whole:1) runs the game full
# screen in scaling mode MODE and the floor at FLOOR (a multiple or WxH).
#
# usage: tools/dev/present_floor/compare.sh BUILD_DIR [SECONDS=20] [LEVELS="1 7"] [SCALES="1 2 3"]
# COMPARE_SHOTS=DIR saves the game's window at the end of each run there.
# Without DISPLAY it starts its own Xvfb (3840x2160, 24 bits), where 3x fits.
set -uo pipefail
source "$(dirname "$0")/../measure_play.sh"
measure_start 3840x2160x24 "$@"
levels="${3:-1 7}"
scales="${4:-1 2 3}"
goal=1.3
home="$(mktemp -d)"
pid=; fpid=
trap 'rm -rf "$home"; [ -n "$pid" ] && kill "$pid" 2>/dev/null; [ -n "$fpid" ] && kill "$fpid" 2>/dev/null' EXIT

cd "$build"
failed=0
for level in $levels; do
  for scale in $scales; do
    floor_at=$scale
    if [[ "$scale" == *:* ]]; then
      floor_at=${scale#*:}
      start_game compare "$floor_at" "$level" -scalemode "${scale%%:*}"
    else
      start_game compare "$scale" "$level"
    fi
    xdotool windowfocus --sync "$wid" 2>/dev/null
    sleep 2
    # Intro, title, briefing: Return passes each; then the level's opening.
    for _ in 1 2 3 4 5; do press Return; sleep 1.2; done
    sleep 3
    kill -0 $pid 2>/dev/null || { echo "compare: the game ended early"; cat "$home/err"; exit 1; }
    ./present_floor "$floor_at" $((seconds + 4)) > "$home/floor" 2>/dev/null &
    fpid=$!
    sleep 1
    # The floor's window took the focus: give it back to the game.
    xdotool windowfocus --sync "$wid" 2>/dev/null
    sleep 1
    g0=$(cpu_ticks $pid); f0=$(cpu_ticks $fpid); s0=$(date +%s.%N)
    drive_for "$seconds"
    g1=$(cpu_ticks $pid); f1=$(cpu_ticks $fpid); s1=$(date +%s.%N)
    kill -0 $pid 2>/dev/null || { echo "compare: the game ended during the measurement"; exit 1; }
    kill $fpid 2>/dev/null; wait $fpid 2>/dev/null; fpid=
    if [ -n "${COMPARE_SHOTS:-}" ]; then
      # The floor's window lay over the game's; the game shows again on its next frame.
      sleep 0.3
      ./x_probe shot 0 0 $((640 * scale)) $((480 * scale)) "$home/shot.ppm" &&
        convert "$home/shot.ppm" "$COMPARE_SHOTS/level${level}_x${scale}.png"
    fi
    kill $pid 2>/dev/null; wait $pid 2>/dev/null; pid=
    game=$(share "$g0" "$g1" "$s0" "$s1"); floor=$(share "$f0" "$f1" "$s0" "$s1")
    ratio=$(awk -v g="$game" -v f="$floor" 'BEGIN { printf "%.2f", (f > 0 ? g / f : 99) }')
    echo "compare: level $level, -scale $scale: game ${game} %, floor ${floor} % of one core: ratio ${ratio} (goal: at most ${goal})"
    awk -v r="$ratio" -v g="$goal" 'BEGIN { exit !(r <= g) }' || failed=1
  done
done
exit $failed

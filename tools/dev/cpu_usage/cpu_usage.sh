#!/usr/bin/env bash
# Processor share of the real game while a level is played in a window under
# an X server: starts the game at the given level, skips the intro, starts from
# the title, dismisses the briefing, then drives and shoots with xdotool keys
# for SECONDS seconds and reads the game's user+system time from
# /proc/<pid>/stat before and after. Prints the share of one core; exits 1 if
# it is above the goal (15 %) or the game could not be brought into play.
#
# usage: tools/dev/cpu_usage/cpu_usage.sh BUILD_DIR [SECONDS=20] [LEVEL=1]
# CPU_USAGE_SHOT=file.png saves the screen as it was at the end of the play.
# Without DISPLAY it starts its own Xvfb (1024x768, 24 bits).
set -uo pipefail
source "$(dirname "$0")/../measure_play.sh"
measure_start 1024x768x24 "$@"
level="${3:-1}"
goal_percent=15
home="$(mktemp -d)"
trap 'rm -rf "$home"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null' EXIT

mean_brightness() {
  import -window root "$home/shot.png" 2>/dev/null &&
    convert "$home/shot.png" -format '%[fx:mean]' info:
}

cd "$build"
start_game cpu_usage 1 "$level"

# Intro, title, briefing: each waits for a key; Return passes all three.
sleep 2
for _ in 1 2 3 4 5; do press Return; sleep 1.2; done
# The level's opening: black, then the zoom opens the arena.
for _ in $(seq 100); do
  b=$(mean_brightness) || b=0
  awk -v m="$b" 'BEGIN { exit !(m > 0.03) }' && break
  sleep 0.1
done
sleep 3
kill -0 $pid 2>/dev/null || { echo "cpu_usage: the game ended early"; cat "$home/err"; exit 1; }

t0=$(cpu_ticks $pid)
s0=$(date +%s.%N)
drive_for "$seconds"
t1=$(cpu_ticks $pid)
# What the window showed at the end of the measurement, for a look afterwards.
[ -n "${CPU_USAGE_SHOT:-}" ] && import -window root "$CPU_USAGE_SHOT" 2>/dev/null
s1=$(date +%s.%N)
kill -0 $pid 2>/dev/null || { echo "cpu_usage: the game ended during the measurement"; exit 1; }
kill $pid 2>/dev/null; wait $pid 2>/dev/null
pid=

percent=$(share "$t0" "$t1" "$s0" "$s1")
echo "cpu_usage: level $level, $(awk -v s0="$s0" -v s1="$s1" 'BEGIN { printf "%.1f", s1 - s0 }') s of play:" \
     "the game used ${percent} % of one core (goal: at most ${goal_percent} %)"
awk -v p="$percent" -v g="$goal_percent" 'BEGIN { exit !(p <= g) }'

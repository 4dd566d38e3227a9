# What the scripts that measure the real game in play share (cpu_usage.sh,
# present_floor/compare.sh): the start under an X server, the keys, the reading
# of a process's processor time, and the drive that plays a level.
# Sourced; the script sets `home` (its temporary folder) and `pid` (the game's).

# measure_start SCREEN BUILD_DIR [SECONDS=20] ...: without arguments prints the
# script's usage (lines 2 to 11 of it) and exits 2; without DISPLAY runs the
# script again under its own Xvfb with a screen of SCREEN (WxHxDEPTH). Sets
# `build` and `seconds`.
measure_start() {
  local screen_size="$1"
  shift
  if [ $# -lt 1 ]; then
    sed -n '2,11p' "$0"; exit 2
  fi
  if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 $screen_size" "$0" "$@"
  fi
  build="$(realpath "$1")"
  seconds="${2:-20}"
}

press() { xdotool keydown "$1"; sleep 0.12; xdotool keyup "$1"; }
# utime + stime of a process, in clock ticks (fields 14 and 15 of its stat,
# counted after the parenthesised command name).
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }
# share TICKS0 TICKS1 WALL0 WALL1: percent of one core used between the two
# readings.
share() {
  awk -v a="$1" -v b="$2" -v s0="$3" -v s1="$4" -v hz="$(getconf CLK_TCK)" \
    'BEGIN { printf "%.1f", 100 * (b - a) / hz / (s1 - s0) }'
}

# start_game NAME SCALE LEVEL: starts the game in a window at -scale SCALE and
# level LEVEL from the working directory (the build), output in $home; sets
# `pid` and `wid`. Exits 1 (after "NAME: no game window") if no window shows.
# Further arguments replace "-win -scale SCALE" as the game's options.
start_game() {
  local options=(-win -scale "$2")
  [ $# -gt 3 ] && options=("${@:4}")
  HOME="$home" ./vorlin "${options[@]}" -warpaheadtothelevelgivenok "$3" > "$home/out" 2> "$home/err" &
  pid=$!
  wid=$(timeout 20 xdotool search --sync --name 'El Vorlin' | head -1)
  [ -n "$wid" ] || { echo "$1: no game window"; exit 1; }
}

# drive_for SECONDS: gas with turns, shooting in bursts (the gun overheats if
# held), and Return now and then, which dismisses a briefing should the craft
# be lost.
drive_for() {
  local end=$(( $(date +%s) + $1 ))
  xdotool keydown Up
  while [ "$(date +%s)" -lt "$end" ]; do
    xdotool keydown Control_L; xdotool keydown Left; sleep 0.5
    xdotool keyup Left; sleep 0.4; xdotool keyup Control_L
    xdotool keydown Right; sleep 0.3; xdotool keyup Right; sleep 0.3
    xdotool keyup Up; press Return; xdotool keydown Up
  done
  xdotool keyup Up
}

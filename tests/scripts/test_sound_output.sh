#!/usr/bin/env bash
# What a player hears, captured from the real output with no sound card: the
# game's ALSA default device (chosen by an .asoundrc in the game's HOME) is a
# file device that writes everything the game plays into a raw capture, in
# front of a PulseAudio null sink on a private server, which takes the sound
# in real time. tests/sound/sound_probe reads the capture.
#
# The game, played from outside: silence through the intro, the title and the
# briefing; one shot sound for each press of the gun, none after the eighth
# quick shot (the gun is overheated); driving into a wall with the engine at
# top speed never reaches full scale; quitting from the pause menu ends the
# engine with a fade, not a click.
# Then tests/sound/sound_pileup plays the pile-ups of play through the game's
# own sound calls (several full-volume effects in one tick over the engine,
# each followed by the engine's stop): no sample at full scale, no click.
set -uo pipefail
source "$(dirname "$(realpath "$0")")/../support/real_program.sh"
begin_script "$1"
probe="$build/tests/sound_probe"
server_pid=""
game_pid=""
cleanup() {
  # What was heard stays for a look when something failed.
  if [ "$fail" != 0 ]; then
    mkdir -p "$build/sound-output-failed"
    cp "$work"/*.raw "$work"/out "$work"/err "$work"/pileup.* "$build/sound-output-failed/" 2> /dev/null
    echo "captures and logs in $build/sound-output-failed"
  fi
  [ -n "$game_pid" ] && kill "$game_pid" 2> /dev/null
  [ -n "$server_pid" ] && kill "$server_pid" 2> /dev/null && wait "$server_pid" 2> /dev/null
  stop_private_x
  rm -rf "$work"
}
trap cleanup EXIT

# Ceilings for waiting on events (times the patience); a busy machine only
# makes the run longer.
START_S=$((90 * patience)) # the game's window, the sound server's socket
EVENT_S=$((20 * patience)) # a sound the game must make
BYTES_PER_SECOND=176400 # 44.1 kHz, 16-bit stereo
# The largest jump between neighbouring samples allowed in the last 200 ms of
# a sound that stops (the probe's window): above the engine's own steps and the
# fade's, far below a cut mid-waveform (-17 dBFS was heard at the end of play).
CLICK_BOUND=600         # -35 dBFS
PRESS_GAP_S=1           # time on each screen before the next Return

for tool in pulseaudio Xvfb xdotool; do
  command -v $tool > /dev/null || { echo "FAIL: $tool is missing (tools/deps.sh installs it)"; exit 1; }
done
if ! ls /usr/lib/*/alsa-lib/libasound_module_pcm_pulse.so > /dev/null 2>&1; then
  echo "FAIL: the ALSA plug-in of PulseAudio is missing (package libasound2-plugins; tools/deps.sh installs it)"
  exit 1
fi

# The private sound server: a null sink, a socket of its own, no session bus.
mkdir -p "$work/server_home" "$work/run"
socket="$work/run/native"
cat > "$work/server.pa" <<EOF
load-module module-null-sink sink_name=listener rate=44100 channels=2
load-module module-native-protocol-unix auth-anonymous=1 socket=$socket
EOF
env HOME="$work/server_home" XDG_RUNTIME_DIR="$work/run" \
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --disable-shm=yes \
  -F "$work/server.pa" > "$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq $((START_S * 20))); do
  [ -S "$socket" ] && break
  kill -0 $server_pid 2> /dev/null || break
  sleep 0.05
done
[ -S "$socket" ] || { echo "FAIL: the sound server did not start"; cat "$work/server.log"; exit 1; }

# The game's HOME, whose .asoundrc sends the default device into capture $1.
home="$work/home"
mkdir -p "$home"
listen_into() {
  cat > "$home/.asoundrc" <<EOF
pcm.!default { type file; slave.pcm "listener"; file "$1"; format "raw" }
pcm.listener { type pulse; server "unix:$socket" }
ctl.!default { type pulse; server "unix:$socket" }
EOF
}
size_of() { stat -c %s "$1" 2> /dev/null || echo 0; }
# Waits until the capture $1 holds at least $2 bytes, at most $3 seconds.
wait_capture() {
  for _ in $(seq $(($3 * 20))); do
    [ "$(size_of "$1")" -ge "$2" ] && return 0
    sleep 0.05
  done
  return 1
}
bursts_from() { "$probe" "$capture" bursts "$1" ${2:-} | wc -l; }
level() { "$probe" "$capture" levels "$@"; }
field() { sed -n "s/.*\b$1=\([^ ]*\).*/\1/p"; }

# The game's mixer runs on a thread of its own; on a very busy machine it can
# stand still for a while, and every sound started meanwhile then begins at
# the same moment of the output (five shots in one, at full scale). A phase
# whose output fell more than STALL_MS behind the clock is played again or
# not judged by its timing.
STALL_MS=250
phase_begin() { phase_ms=$(clock_ms); phase_bytes=$(size_of "$capture"); }
phase_stalled() {
  local heard_ms=$((($(size_of "$capture") - phase_bytes) * 1000 / BYTES_PER_SECOND))
  [ $heard_ms -lt $(($(clock_ms) - phase_ms - STALL_MS)) ]
}

private_x || exit 1
capture="$work/game.raw"
listen_into "$capture"
(cd "$build" && exec env HOME="$home" ./vorlin -win > "$work/out" 2> "$work/err") &
game_pid=$!
timeout $START_S xdotool search --sync --name 'El Vorlin' > /dev/null
check "the game opens its window" 'kill -0 $game_pid 2> /dev/null'

# Intro, title, briefing: Return every PRESS_GAP_S until the engine is heard.
presses=()
engine_at=""
for _ in $(seq 40); do
  kill -0 $game_pid 2> /dev/null || break
  presses+=("$(size_of "$capture")")
  press Return
  sleep $PRESS_GAP_S
  if [ "$(level | field nonzero)" -gt 0 ]; then
    # The first sound, wherever it is: the rest of the capture runs on from it.
    engine_at=$("$probe" "$capture" bursts | head -1 | cut -d' ' -f2)
    break
  fi
done
check "the level starts and its engine is heard" '[ -n "$engine_at" ]'
[ -n "$engine_at" ] || { tail -5 "$work/err"; exit 1; }
check "silence through the intro, the title and the briefing (${#presses[@]} presses of Return)" \
  '[ ${#presses[@]} -ge 3 ] && [ "$(level 0 "${presses[2]}" | field nonzero)" = 0 ] && [ "$engine_at" -gt "${presses[2]}" ]'
wait_capture "$capture" $((engine_at + BYTES_PER_SECOND)) $EVENT_S
check "the first sound goes on without a break (the engine's loop)" \
  '[ "$("$probe" "$capture" stops "$engine_at" $((engine_at + BYTES_PER_SECOND)) | wc -l)" = 0 ]'

# The gun from cold: eleven quick presses. Eight quick shots overheat it (it
# cools only after half a second without a shot): a shot sound for each of the
# first eight presses, then silence. On a busy machine the game may miss a
# press, and presses more than QUICK_MS apart let the gun cool: when the
# presses were slow, the output stalled or fewer than eight shots sounded, the
# gun is left to cool down and the series is played again (up to ATTEMPTS
# times). Each press is one xdotool run, so that a busy machine delays it once,
# not three times. More than eight shot sounds for quick presses fail at once.
PRESSES=11
QUICK_MS=450
HOLD_S=0.15
ATTEMPTS=5
for attempt in $(seq $ATTEMPTS); do
  phase_begin
  from=$phase_bytes
  quick=1
  last_ms=""
  for i in $(seq $PRESSES); do
    t=$(clock_ms)
    [ -n "$last_ms" ] && [ $((t - last_ms)) -gt $QUICK_MS ] && quick=0
    last_ms=$t
    xdotool keydown Control_L sleep $HOLD_S keyup Control_L
  done
  phase_stalled && quick=0
  wait_capture "$capture" $(($(size_of "$capture") + BYTES_PER_SECOND / 2)) $EVENT_S
  shots=($("$probe" "$capture" bursts "$from" | cut -d' ' -f2))
  gaps_ms=()
  for ((k = 1; k < ${#shots[@]}; k++)); do gaps_ms+=($(((shots[k] - shots[k - 1]) * 1000 / BYTES_PER_SECOND))); done
  echo "series $attempt: ${#shots[@]} shot sounds for $PRESSES presses, ms apart: ${gaps_ms[*]}"
  [ $quick = 1 ] && [ ${#shots[@]} -ge 8 ] && break
  echo "the presses were slow, missed or the output stalled (a busy machine): the gun cools, the series is played again"
  [ $attempt = $ATTEMPTS ] || wait_capture "$capture" $(($(size_of "$capture") + BYTES_PER_SECOND * 8)) $((START_S * 2))
done
check "eight shot sounds for $PRESSES quick presses: one a press, none once the gun is overheated" \
  '[ ${#shots[@]} = 8 ]'

# Into the top wall at top speed: the engine at full pitch and the bumps.
phase_begin
xdotool keydown Up
sleep 2.5
xdotool keyup Up
sleep 0.3
drive_levels=$(level "$phase_bytes" "$(size_of "$capture")")
phase_stalled && drive_levels=""
press Escape
sleep 1
press Down
sleep 0.5
quit_at=$(size_of "$capture")
press Return
wait_exit $game_pid 90
game_pid=""
check "the game quits from the pause menu with exit code 0" '[ "$exit_rc" = 0 ]'
check "no sanitizer finding in the game" '! sanitizer_finding "$work/err"'
if [ -n "$drive_levels" ]; then
  echo "driving into the wall: $drive_levels"
  check "no sample at full scale while driving into the wall" '[ "$(echo "$drive_levels" | field full_scale)" = 0 ]'
else
  echo "not judged: the output stalled while driving into the wall (a busy machine); the pile-ups below are"
fi
last_stop=$("$probe" "$capture" stops "$quit_at" | tail -1)
echo "the engine's end at the quit: $last_stop"
check "the engine ends at the quit without a click (step <= $CLICK_BOUND)" \
  '[ -n "$last_stop" ] && [ "$(echo "$last_stop" | field click)" -le $CLICK_BOUND ]'

# The pile-ups of play, through the game's own sound calls. The output can
# lose a period on a very busy machine, a jump of its own: when a stop clicks,
# the pile-ups are played once more, and only a click at the same stop in both
# plays counts.
play_pileups() {   # $1: the play's number; sets pileup_rc, levels, clicks
  capture="$work/pileup$1.raw"
  listen_into "$capture"
  (cd "$build" && env HOME="$home" timeout $((START_S * 2)) ./tests/sound_pileup \
    > "$work/pileup.out" 2> "$work/pileup.err")
  pileup_rc=$?
  levels=$(level)
  clicks=($("$probe" "$capture" stops | field click))
  echo "the pile-ups' capture ($1): $levels; the engine's stops: steps of ${clicks[*]}"
}
over_bound() { local c; for c in "$@"; do [ "$c" -gt $CLICK_BOUND ] && echo 1 || echo 0; done; }
play_pileups 1
cat "$work/pileup.out"
clicked=($(over_bound "${clicks[@]}"))
if [ $pileup_rc = 0 ] && [[ " ${clicked[*]} " == *" 1 "* ]]; then
  first=("${clicked[@]}")
  play_pileups 2
  again=($(over_bound "${clicks[@]}"))
  clicked=()
  for k in "${!again[@]}"; do clicked+=($((${first[k]:-1} & again[k]))); done
fi
check "the pile-ups play (exit code 0)" '[ $pileup_rc = 0 ]' || cat "$work/pileup.err"
check "no sample at full scale in the pile-ups" '[ "$(echo "$levels" | field full_scale)" = 0 ]'
check "the engine stops once after each of the five pile-ups" '[ ${#clicks[@]} = 5 ]'
check "no click when the engine stops (every step <= $CLICK_BOUND)" '[[ " ${clicked[*]} " != *" 1 "* ]]'
exit $fail

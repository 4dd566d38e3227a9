#!/usr/bin/env bash
# The real program with hostile settings files and home folders: damaged
# files (binary garbage, huge and negative numbers, very long lines, bytes the
# library's reader hangs on, a byte-order mark), things at the settings path that are not a
# regular file (a folder, a FIFO, a link to /dev/zero, a link to nothing), a
# file far too large, a home path of thousands of characters and one that
# cannot exist, a full disk at shutdown, no HOME at all. Every run starts, quits through
# shutdown with exit code 0 and either stores valid settings that the next run
# reads back, or leaves what is at the path exactly as it was with one line on
# standard error saying why.
# The games run several at once on an X server of the script's own; each is asked to
# quit (SIGTERM, which the game treats as a player's quit) once started.
set -uo pipefail
source "$(dirname "$(realpath "$0")")/../support/real_program.sh"
begin_script "$1"
private_x 1024x768x24 || exit 1

# A broken reader of a link to /dev/zero would take all the memory it can get;
# the plain build is held to far more than the game needs (the sanitizer build
# reserves too much address space for such a limit).
memory_cap=""
sanitizer_build "$build/vorlin" || memory_cap="ulimit -v 2000000;"

# Starts the game with HOME=$2 under name $1; its output goes to $work/$1.out
# and $work/$1.err. With shell commands $3 (limits), they run first and the
# output goes through pipes, which no file size limit cuts short (it may then
# reach the files a moment after the game has ended).
start_game() {
  if [ -n "${3:-}" ]; then
    (cd "$build" && exec > >(cat > "$work/$1.out") 2> >(cat > "$work/$1.err") && eval "$memory_cap" && eval "$3" &&
      exec env HOME="$2" ./vorlin -win) &
  else
    (cd "$build" && eval "$memory_cap" && exec env HOME="$2" ./vorlin -win > "$work/$1.out" 2> "$work/$1.err") &
  fi
  pids[$1]=$!
}
# Asks each game to quit as soon as it has started (or has given up, or
# STARTUP_S has passed): a started game left waiting only slows the others'
# start-up. Exit codes go to rcs[name].
declare -A pids rcs
quit_games() {
  local name end
  local -A asked=()
  end=$(deadline_in $STARTUP_S)
  while [ ${#asked[@]} -lt ${#pids[@]} ]; do
    for name in "${!pids[@]}"; do
      [ -z "${asked[$name]:-}" ] || continue
      if has_line "$work/$name.out" "Done!" || ! kill -0 "${pids[$name]}" 2> /dev/null || past "$end"; then
        kill -TERM "${pids[$name]}" 2> /dev/null
        asked[$name]=1
      fi
    done
    sleep 0.05
  done
  for name in "${!pids[@]}"; do
    wait_exit "${pids[$name]}" $EXIT_S
    rcs[$name]=$exit_rc
  done
  pids=()
}

# The value of key $2 in file $1 as the game reads it: spaces and a trailing comment left out.
value_of() { grep -a "^$2 = " "$1" | tail -1 | sed -E "s/^$2 = [[:space:]]*//; s/[[:space:]]+#.*$//; s/[[:space:]]+$//"; }
# Every stored value usable: title song 0 or 1, every control a button 0..8.
values_valid() {
  local cfg="$1" v
  v=$(value_of "$cfg" title_song); [ "$v" = 0 ] || [ "$v" = 1 ] || return 1
  for i in 0 1 2 3 4 5 6; do
    v=$(value_of "$cfg" control$i); [[ "$v" =~ ^[0-8]$ ]] || return 1
  done
}
defaults_stored() {
  local cfg="$1" i=0
  for b in 3 0 1 2 8 7 6; do [ "$(value_of "$cfg" control$i)" = "$b" ] || return 1; i=$((i + 1)); done
}
settings_lines() { grep -c '^Settings ' "$1"; }
# What is at path $1, described: kind, link target, size and checksum.
describe() { stat -c "%F %N %s" "$1"; if [ -f "$1" ]; then md5sum < "$1"; fi; }

long_line=$(head -c 200000 /dev/zero | tr '\0' 'x')
long_key=$(head -c 10000 /dev/zero | tr '\0' 'k')
# Makes the settings file of case $1 at path $2.
case_file() {
  local f="$2"
  case "$1" in
    garbage)
      # Binary bytes, zeros included: a slice of the game's own archive.
      tail -c +1000001 "$build/data/vorlin.dat" | head -c 16384 > "$f" ;;
    huge_numbers)
      printf '[misc]\ntitle_song = 99999999999999999999999\n[controls]\ncontrol0 = 4294967296\n'\
'control1 = 2147483647\ncontrol2 = 1e30\ncontrol3 = 0x7fffffff\ncontrol4 = 99999999999999999999\n'\
'control5 = 2147483648\ncontrol6 = 18446744073709551617\n' > "$f" ;;
    negative_values)
      printf '[misc]\ntitle_song = -1\n[controls]\ncontrol0 = -1\ncontrol1 = -2147483648\n'\
'control2 = -9\ncontrol3 = -99999999999999\ncontrol4 = -0x10\ncontrol5 = -8\ncontrol6 = -7\n' > "$f" ;;
    long_lines)
      { printf '[misc]\n%s\n%s = 5\n[%s]\ncontrol1 = 3\n[controls]\n' "$long_line" "$long_key" "$long_key"
        printf 'control0 = 7%s\ncontrol2 = %s\n' "$(head -c 50000 /dev/zero | tr '\0' ' ')" "$long_line"
        printf 'title_song = 0'; } > "$f" ;;
    hang_bytes)
      # A lead byte the library's reader never returns from, among valid lines.
      printf '[controls]\ncontrol4 = 5\n\xfd\xa9\x97\x9d\xb3\x80\ncontrol5 = 2\n' > "$f" ;;
    byte_order_mark) printf '\xef\xbb\xbf[controls]\ncontrol4 = 5\n' > "$f" ;;
    folder) mkdir "$f" ;;
    fifo) mkfifo "$f" ;;
    device_link) ln -s /dev/zero "$f" ;;
    dangling_link) ln -s "$(dirname "$f")/nothing-here" "$f" ;;
    too_large)
      { printf '[controls]\ncontrol4 = 5\n'; head -c 2000000 /dev/zero | tr '\0' '#'; echo; } > "$f" ;;
  esac
}
readable_cases="garbage huge_numbers negative_values long_lines hang_bytes byte_order_mark"
unusable_cases="folder fifo device_link dangling_link too_large"

for c in $readable_cases $unusable_cases; do
  mkdir -p "$work/home_$c"
  case_file "$c" "$work/home_$c/vorlin-settings.cfg"
  describe "$work/home_$c/vorlin-settings.cfg" > "$work/$c.before"
  start_game "$c" "$work/home_$c"
done
# A home folder whose path has thousands of characters: the settings file is
# written there and read back.
deep="$work/deep"
segment=$(head -c 200 /dev/zero | tr '\0' 'd')
for _ in $(seq 19); do deep="$deep/$segment"; done
mkdir -p "$deep"
start_game deep "$deep"
# Longer than any path the system can open: nothing can be stored, play goes on.
nowhere="$work/missing/$(head -c 8000 /dev/zero | tr '\0' 'e')"
start_game nowhere "$nowhere"
quit_games

for c in $readable_cases; do
  cfg="$work/home_$c/vorlin-settings.cfg"
  check "$c: quits with exit code 0 (was ${rcs[$c]})" '[ "${rcs[$c]}" = 0 ] && ! sanitizer_finding "$work/$c.err"'
  check "$c: stored values are valid" 'values_valid "$cfg"'
  case "$c" in
    huge_numbers|negative_values)
      check "$c: out-of-range controls fall back to the defaults" 'defaults_stored "$cfg"' ;;
    hang_bytes)
      check "$c: the valid lines are kept" '[ "$(value_of "$cfg" control4)" = 5 ] && [ "$(value_of "$cfg" control5)" = 2 ]' ;;
    byte_order_mark)
      check "$c: read through, one controls section stored" \
        '[ "$(value_of "$cfg" control4)" = 5 ] && [ "$(grep -ac "\[controls\]" "$cfg")" = 1 ]' ;;
  esac
done
for c in $unusable_cases; do
  cfg="$work/home_$c/vorlin-settings.cfg"
  check "$c: quits with exit code 0 (was ${rcs[$c]})" '[ "${rcs[$c]}" = 0 ] && ! sanitizer_finding "$work/$c.err"'
  check "$c: left exactly as it was" 'describe "$cfg" | cmp -s - "$work/$c.before"'
  check "$c: one line on standard error says so" \
    '[ "$(settings_lines "$work/$c.err")" = 1 ] && grep -q "^Settings file .*: the defaults are used" "$work/$c.err"'
done
check "dangling_link: nothing made where it points" '[ ! -e "$work/home_dangling_link/nothing-here" ]'
check "home path of ${#deep} characters: exit 0 (was ${rcs[deep]})" '[ "${rcs[deep]}" = 0 ] && ! sanitizer_finding "$work/deep.err"'
check "home path of ${#deep} characters: settings stored there" 'defaults_stored "$deep/vorlin-settings.cfg"'
check "home path of ${#nowhere} characters that cannot exist: exit 0 (was ${rcs[nowhere]})" \
  '[ "${rcs[nowhere]}" = 0 ] && ! sanitizer_finding "$work/nowhere.err"'
check "home path that cannot exist: one line on standard error says so" '[ "$(settings_lines "$work/nowhere.err")" = 1 ]'

# The runs from here on go at once, each checked once all have quit.
# The files as written, damaged lines kept, are read back by the next run.
for c in garbage long_lines hang_bytes; do start_game "$c.2" "$work/home_$c"; done

# How a save treats what the player did to the file, each checked after a
# normal quit: a read-only file (directly or through a link) stays as it was
# and standard error says so once; a hard-linked file stays linked; lines the
# player (or a second copy of the game) wrote while the game ran stay; numbers
# are read in decimal and a comment after a value stays; a temporary file
# that a killed save left behind is removed. The last two runs have a stack of
# 64 KB, and a file size limit of 0 under which the reason is the system's.
save_cases="read_only read_only_link hard_link edited numbers leftover small_stack no_file_size"
for c in $save_cases; do mkdir -p "$work/home_$c"; done
printf '[misc]\ntitle_song = 1\n' > "$work/home_read_only/vorlin-settings.cfg"
printf '[misc]\ntitle_song = 1\n' > "$work/home_read_only_link/kept.cfg"
ln -s kept.cfg "$work/home_read_only_link/vorlin-settings.cfg"
chmod 444 "$work/home_read_only/vorlin-settings.cfg" "$work/home_read_only_link/kept.cfg"
printf '[misc]\ntitle_song = 1\n' > "$work/home_hard_link/vorlin-settings.cfg"
ln "$work/home_hard_link/vorlin-settings.cfg" "$work/home_hard_link/other.cfg"
printf '[misc]\ntitle_song = 1\n\n[controls]\ncontrol4 = 8\n' > "$work/home_edited/vorlin-settings.cfg"
printf '[controls]\ncontrol0 = 08 # gas on the right\ncontrol1 = abc\ncontrol2 =  5\n' > "$work/home_numbers/vorlin-settings.cfg"
printf '[misc]\ntitle_song = 1\n' > "$work/home_leftover/vorlin-settings.cfg"
printf 'half a file' > "$work/home_leftover/.vorlin-settings.cfg.k1lL3d"
touch -d '1 hour ago' "$work/home_leftover/.vorlin-settings.cfg.k1lL3d"
printf '[misc]\ntitle_song = 1\n' > "$work/home_small_stack/vorlin-settings.cfg"
printf '[misc]\ntitle_song = 1\n' > "$work/home_no_file_size/vorlin-settings.cfg"
for c in read_only read_only_link; do describe "$work/home_$c/vorlin-settings.cfg" > "$work/$c.before"; done
for c in $save_cases; do
  case $c in
    small_stack) start_game $c "$work/home_$c" "ulimit -s 64" ;;
    no_file_size) start_game $c "$work/home_$c" "ulimit -f 0" ;;
    *) start_game $c "$work/home_$c" ;;
  esac
done

# A full disk at shutdown: the settings file needs one more block than is
# free. The old file stays exactly as it was and standard error says the
# settings could not be saved. The small disk is a memory file system mounted
# in a private mount namespace (where the test may not mount, a file size
# limit stands in for it).
full_home="$work/full"
mkdir -p "$full_home"
{ printf '[misc]\ntitle_song = 1\n'; for _ in $(seq 64); do printf '# %60s\n' 'kept by the player'; done; } \
  > "$work/full.cfg"
full_disk_run() {
  cd "$build"
  mount -t tmpfs -o size=64k vorlin-test "$full_home" || return 99
  cp "$work/full.cfg" "$full_home/vorlin-settings.cfg"
  dd if=/dev/zero of="$full_home/filler" bs=4096 2> /dev/null
  env HOME="$full_home" ./vorlin -win > "$work/full.out" 2> "$work/full.err" &
  local pid=$!
  wait_for_line "$work/full.out" "Done!" $STARTUP_S $pid
  kill -TERM $pid
  wait_exit $pid $EXIT_S
  cp "$full_home/vorlin-settings.cfg" "$work/full.after"
  ls -A "$full_home" > "$work/full.listing"
  return "$exit_rc"
}
export -f full_disk_run wait_for_line has_line wait_exit clock_ms deadline_in past
export build work full_home patience STARTUP_S EXIT_S

# HOME unset or empty: the settings live in the home folder the password
# database gives the user, never in a file named after the fallback path in
# the working folder. That home is a memory file system mounted over it in a
# private mount namespace, so the test never touches the real one.
account_home_run() {
  local home how pid
  home=$(getent passwd "$(id -u)" | cut -d: -f6)
  mount -t tmpfs vorlin-test "$home" || return 99
  mkdir -p "$work/cwd" && ln -s "$build/data" "$work/cwd/data" && cd "$work/cwd" || return 98
  for how in unset empty; do
    if [ $how = unset ]; then
      env -u HOME "$build/vorlin" -win > "$work/account_$how.out" 2> "$work/account_$how.err" &
    else
      env HOME= "$build/vorlin" -win > "$work/account_$how.out" 2> "$work/account_$how.err" &
    fi
    pid=$!
    wait_for_line "$work/account_$how.out" "Done!" $STARTUP_S $pid
    kill -TERM $pid
    wait_exit $pid $EXIT_S
    echo "$exit_rc" > "$work/account_$how.rc"
    cp "$home/vorlin-settings.cfg" "$work/account_$how.cfg" 2> /dev/null
    rm -f "$home/vorlin-settings.cfg"
  done
  ls -A "$work/cwd" > "$work/account.listing"
}
export -f account_home_run

unshare -rm bash -c full_disk_run &
full_disk=$!
unshare -rm bash -c account_home_run &
account=$!
# While the game runs, the player adds a key and a second copy stores its pause button.
if wait_for_line "$work/edited.out" "Done!" $STARTUP_S "${pids[edited]}"; then
  printf '[misc]\ntitle_song = 1\nmine = 2\n\n[controls]\ncontrol4 = 6\n' > "$work/home_edited/vorlin-settings.cfg"
fi
quit_games
wait $full_disk
full_disk_rc=$?
wait $account
account_rc=$?

for c in garbage long_lines hang_bytes; do
  check "$c: second run exits 0 (was ${rcs[$c.2]})" \
    '[ "${rcs[$c.2]}" = 0 ] && values_valid "$work/home_$c/vorlin-settings.cfg" && ! sanitizer_finding "$work/$c.2.err"'
done
for c in $save_cases; do
  wait_for_line "$work/$c.err" "Goodbye!" 15
  check "$c: quits with exit code 0 (was ${rcs[$c]})" '[ "${rcs[$c]}" = 0 ] && ! sanitizer_finding "$work/$c.err"'
done
for c in read_only read_only_link; do
  check "$c: left exactly as it was" 'describe "$work/home_$c/vorlin-settings.cfg" | cmp -s - "$work/$c.before"'
  check "$c: one line on standard error says it is read-only" \
    '[ "$(settings_lines "$work/$c.err")" = 1 ] && grep -q "^Settings file .* is read-only" "$work/$c.err"'
done
check "hard_link: both names still one file, saved" \
  '[ "$(stat -c %i "$work/home_hard_link/vorlin-settings.cfg")" = "$(stat -c %i "$work/home_hard_link/other.cfg")" ] &&
   defaults_stored "$work/home_hard_link/other.cfg"'
check "edited: the player's key and the other copy's button stay, this run's missing keys are stored" \
  'grep -qx "mine = 2" "$work/home_edited/vorlin-settings.cfg" && [ "$(value_of "$work/home_edited/vorlin-settings.cfg" control4)" = 6 ] &&
   [ "$(value_of "$work/home_edited/vorlin-settings.cfg" control0)" = 3 ]'
check "numbers: 08 is button 8 and keeps its comment, what is no number gets the default" \
  'grep -qx "control0 = 8 # gas on the right" "$work/home_numbers/vorlin-settings.cfg" &&
   [ "$(value_of "$work/home_numbers/vorlin-settings.cfg" control1)" = 0 ] &&
   [ "$(value_of "$work/home_numbers/vorlin-settings.cfg" control2)" = 5 ]'
check "leftover: the killed save's temporary file is removed" '[ ! -e "$work/home_leftover/.vorlin-settings.cfg.k1lL3d" ]'
check "small_stack: settings saved" 'defaults_stored "$work/home_small_stack/vorlin-settings.cfg"'
check "no_file_size: the old file stays, standard error gives the system's reason" \
  '[ "$(cat "$work/home_no_file_size/vorlin-settings.cfg")" = "$(printf "[misc]\ntitle_song = 1")" ] &&
   grep -qx "Settings could not be saved to $work/home_no_file_size/vorlin-settings.cfg: File too large" "$work/no_file_size.err"'

rc=$full_disk_rc
if [ $rc = 99 ]; then
  echo "(no private mount here: a file size limit stands in for the full disk)"
  cp "$work/full.cfg" "$full_home/vorlin-settings.cfg"
  (cd "$build" && ulimit -f 4 && exec env HOME="$full_home" ./vorlin -win > "$work/full.out" 2> "$work/full.err") &
  pid=$!
  wait_for_line "$work/full.out" "Done!" $STARTUP_S $pid
  kill -TERM $pid
  wait_exit $pid $EXIT_S
  rc=$exit_rc
  cp "$full_home/vorlin-settings.cfg" "$work/full.after"
  ls -A "$full_home" > "$work/full.listing"
fi
check "full disk: quits with exit code 0 (was $rc)" '[ "$rc" = 0 ] && ! sanitizer_finding "$work/full.err"'
check "full disk: the old settings file is left exactly as it was" 'cmp -s "$work/full.cfg" "$work/full.after"'
# The game's files are named after it; the sound system may keep its own in HOME.
check "full disk: no temporary file left behind" \
  '[ -z "$(grep -v "^vorlin-settings.cfg$" "$work/full.listing" | grep vorlin)" ]'
check "full disk: one line on standard error says the settings could not be saved" \
  '[ "$(settings_lines "$work/full.err")" = 1 ] && grep -q "^Settings could not be saved to .*vorlin-settings.cfg: " "$work/full.err"'

if [ $account_rc = 99 ]; then
  echo "(no private mount here: the run without HOME is left out rather than write in the real home)"
else
  for how in unset empty; do
    rc=$(cat "$work/account_$how.rc")
    check "HOME $how: quits with exit code 0 (was $rc)" '[ "$rc" = 0 ] && ! sanitizer_finding "$work/account_$how.err"'
    check "HOME $how: settings stored in the user's home from the password database" \
      'defaults_stored "$work/account_$how.cfg"'
  done
  check "HOME unset or empty: no fallback file in the working folder" '[ "$(cat "$work/account.listing")" = data ]'
fi

# A game that did not end well says why: its last lines of standard error.
for name in "${!rcs[@]}"; do
  [ "${rcs[$name]}" = 0 ] || { echo "== $name ended with ${rcs[$name]}; its last words:"; tail -n 8 "$work/$name.err"; }
done
exit $fail

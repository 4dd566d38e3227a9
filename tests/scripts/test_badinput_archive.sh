#!/usr/bin/env bash
# A missing, empty, truncated or damaged data/vorlin.dat, or something there
# that is not a regular file (a FIFO, a link to a device, a folder), ends the
# real program with the archive's fatal message and exit code 1, never with a
# crash or a hang, and the line before it says what is wrong and where the
# game looked. So does a data directory named wrongly, a program started
# through a link away from its data, and too little memory to load the
# archive (the out-of-memory message then).
set -uo pipefail
source "$(dirname "$(realpath "$0")")/../support/real_program.sh"
begin_script "$1"
private_x 1024x768x24 || exit 1
good="$build/data/vorlin.dat"
[ -f "$good" ] || { echo "FAIL: $good missing (build the gamedata target)"; exit 1; }
size=$(stat -c %s "$good")

# Overwrites bytes of a file in place: patch FILE OFFSET HEX-ESCAPED-BYTES
patch() { printf "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }
# Offset of the first occurrence of a byte string in a file.
offset_of() { grep -obUaF -m1 "$2" "$1" | head -1 | cut -d: -f1; }

# Each case builds data/vorlin.dat in its own folder ("none" leaves it out).
make_case() {
  local name="$1" dir="$work/$1"
  mkdir -p "$dir/data"
  local f="$dir/data/vorlin.dat"
  case "$name" in
    none) ;;
    empty) : > "$f" ;;
    text) echo "this is not an archive" > "$f" ;;
    header_only) printf 'slh.ALL.\0\0\0\0' > "$f" ;;
    cut_in_first_object) head -c 61 "$good" > "$f" ;;
    cut_in_half) head -c $((size / 2)) "$good" > "$f" ;;
    last_byte_missing) head -c $((size - 1)) "$good" > "$f" ;;
    one_object_short) cp "$good" "$f"; patch "$f" 8 '\x00\x00\x00\x76' ;;
    count_huge) cp "$good" "$f"; patch "$f" 8 '\x7f\xff\xff\xff' ;;
    claims_packed) cp "$good" "$f"; patch "$f" 0 'slh!' ;;
    bitmap_width_huge) cp "$good" "$f"; patch "$f" $(( $(offset_of "$good" 'BMP ') + 14 )) '\x7f\xff' ;;
    bitmap_depth_bad) cp "$good" "$f"; patch "$f" $(( $(offset_of "$good" 'BMP ') + 12 )) '\x00\x07' ;;
    chunk_size_huge) cp "$good" "$f"; patch "$f" $(( $(offset_of "$good" 'BMP ') + 4 )) '\x7f\xff\xff\xff\x7f\xff\xff\xff' ;;
    font_damaged) cp "$good" "$f"; patch "$f" $(( $(offset_of "$good" 'FONT') + 12 )) '\x00\x00\xff\xff' ;;
    sample_length_huge) cp "$good" "$f"; patch "$f" $(( $(offset_of "$good" 'SAMP') + 16 )) '\x7f\xff\xff\xff' ;;
    wrong_archive) cp "$build/data/ending.dat" "$f" ;;
    random_header) head -c 4096 /dev/urandom > "$f"; tail -c +4097 "$good" >> "$f" ;;
    fifo) mkfifo "$f" ;;
    device_link) ln -s /dev/zero "$f" ;;
    folder) mkdir "$f" ;;
  esac
}
# The line on standard error before the fatal message, for case $1 in folder $2.
cause_of() {
  case "$1" in
    none) echo "data/vorlin.dat was not found in $2 (the working directory) nor in * (the installed data directory): *VORLIN_DATA_DIR*" ;;
    fifo|device_link|folder) echo "data/vorlin.dat in $2 (the working directory) is not a regular file" ;;
    *) echo "data/vorlin.dat in $2 (the working directory) is damaged or is not the game's archive" ;;
  esac
}
# Whether file $1 has a line matching the shell pattern $2.
has_line() { local l; while IFS= read -r l; do [[ "$l" == $2 ]] && return 0; done < "$1"; return 1; }

cases="none empty text header_only cut_in_first_object cut_in_half last_byte_missing one_object_short
count_huge claims_packed bitmap_width_huge bitmap_depth_bad chunk_size_huge font_damaged
sample_length_huge wrong_archive random_header fifo device_link folder"
mkdir -p "$work/home"
# Two games at a time: most of a run is the sanitizer's leak check at exit.
# Only the games are waited for (a bare wait would wait for the X server too).
games=()
wait_games() { [ ${#games[@]} -eq 0 ] || wait "${games[@]}"; games=(); }
n=0
for c in $cases; do
  make_case "$c"
  # xmessage is kept off the PATH so the message box cannot wait for a click.
  (cd "$work/$c" && HOME="$work/home" bounded $FATAL_RUN_S env PATH=/nonexistent \
      "$build/vorlin" -win > "$work/$c.out" 2> "$work/$c.err"; echo $? > "$work/$c.rc") &
  games+=($!)
  n=$((n + 1))
  [ $((n % 2)) = 0 ] && wait_games
done
wait_games
for c in $cases; do
  rc=$(cat "$work/$c.rc")
  if [ $rc -ne 1 ]; then
    echo "FAIL: $c: exit code $rc"; tail -20 "$work/$c.err"; fail=1
  elif ! grep -qx "Fatal error:  Cannot load data archive:  data/vorlin.dat!!!" "$work/$c.err"; then
    echo "FAIL: $c: no archive message"; tail -20 "$work/$c.err"; fail=1
  elif ! has_line "$work/$c.err" "$(cause_of "$c" "$work/$c")"; then
    echo "FAIL: $c: no line saying why"; tail -20 "$work/$c.err"; fail=1
  elif sanitizer_finding "$work/$c.err"; then
    echo "FAIL: $c: sanitizer finding"; grep -A20 Sanitizer "$work/$c.err" | head -40; fail=1
  else
    echo "ok: $c"
  fi
  rm -rf "${work:?}/$c"
done

# Where the data is not: each run ends with the archive's fatal message after
# a line naming the folders searched, how each was chosen, and the system's
# reason. Runs from folder $2 with the environment $3 and the program $4.
mkdir -p "$work/empty" "$work/linked"
ln -s "$build/vorlin" "$work/linked/vorlin"
where_runs=(
  "named folder missing|$work/home|VORLIN_DATA_DIR=$work/nowhere|$build/vorlin|VORLIN_DATA_DIR names $work/nowhere, which cannot be entered: No such file or directory"
  "named folder without data|$work/home|VORLIN_DATA_DIR=$work/empty|$build/vorlin|data/vorlin.dat was not found in $work/empty (named by VORLIN_DATA_DIR): No such file or directory"
  "started through a link|$work/linked|VORLIN_DATA_DIR=|$work/linked/vorlin|data/vorlin.dat was not found in $work/linked (the working directory) nor in $build/* (the installed data directory): No such file or directory; VORLIN_DATA_DIR can name the folder that holds data/ and music/"
)
for i in "${!where_runs[@]}"; do
  IFS='|' read -r what dir environment program cause <<< "${where_runs[$i]}"
  (cd "$dir" && HOME="$work/home" bounded $FATAL_RUN_S env PATH=/nonexistent "$environment" "$program" -win \
      > "$work/where$i.out" 2> "$work/where$i.err"; echo $? > "$work/where$i.rc") &
  games+=($!)
  [ $((i % 2)) = 1 ] && wait_games
done
wait_games
for i in "${!where_runs[@]}"; do
  IFS='|' read -r what dir environment program cause <<< "${where_runs[$i]}"
  rc=$(cat "$work/where$i.rc")
  if [ $rc -ne 1 ] || ! grep -qx "Fatal error:  Cannot load data archive:  data/vorlin.dat!!!" "$work/where$i.err" ||
     ! has_line "$work/where$i.err" "$cause" || sanitizer_finding "$work/where$i.err"; then
    echo "FAIL: $what: exit code $rc, expected the archive message after: $cause"; tail -20 "$work/where$i.err"; fail=1
  else
    echo "ok: $what"
  fi
done

# Too little memory to check or load the archive: the out-of-memory message,
# never an abort or a crash. The sanitizer build refuses single allocations
# larger than the archive (it cannot run under an address space limit); the
# plain build runs under a range of address space limits, from too little to
# start up at all to enough to play, and is asked to quit when it started.
if sanitizer_build "$build/vorlin"; then
  (cd "$build" && HOME="$work/home" bounded $FATAL_RUN_S env PATH=/nonexistent \
      ASAN_OPTIONS="$ASAN_OPTIONS:allocator_may_return_null=1:max_allocation_size_mb=$(( size / 1048576 - 2 ))" \
      "$build/vorlin" -win > "$work/memory.out" 2> "$work/memory.err")
  rc=$?
  if [ $rc -ne 1 ] || ! grep -qx "Fatal error:  Out of memory!!!" "$work/memory.err" ||
     ! grep -qx "data/vorlin.dat in $build (the working directory) could not be held in memory" "$work/memory.err" ||
     grep -v "WARNING: AddressSanitizer failed to allocate" "$work/memory.err" | sanitizer_finding /dev/stdin; then
    echo "FAIL: too little memory: exit code $rc"; grep -v '^ALSA' "$work/memory.err" | tail -20; fail=1
  else
    echo "ok: too little memory for the archive"
  fi
else
  for limit in $(seq 30000 4000 90000); do
    (cd "$build" && ulimit -v $limit && exec env HOME="$work/home" PATH=/nonexistent ./vorlin -win \
        > "$work/memory.out" 2> "$work/memory.err") &
    pid=$!
    started=no
    wait_for_line "$work/memory.out" "Done!" 60 $pid && started=yes && kill -TERM $pid
    wait_exit $pid 30
    if [ $started = yes ] && [ "$exit_rc" = 0 ]; then
      echo "ok: $limit KB: plays, quits"
    elif [ $started = no ] && [ "$exit_rc" = 1 ] && grep -q "^Fatal error:  " "$work/memory.err"; then
      echo "ok: $limit KB: $(grep -m1 '^Fatal error:  ' "$work/memory.err")"
    else
      echo "FAIL: $limit KB: started $started, exit code $exit_rc"; grep -v '^ALSA' "$work/memory.err" | tail -20; fail=1
    fi
  done
fi

# The untouched archive starts normally: tests/test_shell_startup.sh; so do
# copies the library loads whole (packed, with more objects, with bytes after
# the last object): tests/test_archive_check.cpp.
exit $fail

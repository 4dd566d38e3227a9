#!/usr/bin/env bash
# A missing, empty, truncated or damaged data/vorlin.dat ends the real program
# with the archive's fatal message and exit code 1, never with a crash.
set -uo pipefail
build="$(realpath "$1")"
here="$(dirname "$(realpath "$0")")"
source "$here/support/real_program.sh"
keep_sound_library_loaded "$build/vorlin"
fail=0
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
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
  esac
}

cases="none empty text header_only cut_in_first_object cut_in_half last_byte_missing one_object_short
count_huge claims_packed bitmap_width_huge bitmap_depth_bad chunk_size_huge font_damaged
sample_length_huge wrong_archive random_header"
mkdir -p "$work/home"
for c in $cases; do
  make_case "$c"
  # xmessage is kept off the PATH so the message box cannot wait for a click.
  (cd "$work/$c" && HOME="$work/home" bounded $FATAL_RUN_S env LD_PRELOAD="$game_preload" PATH=/nonexistent \
      "$build/vorlin" -win > "$work/$c.out" 2> "$work/$c.err")
  rc=$?
  if [ $rc -ne 1 ]; then
    echo "FAIL: $c: exit code $rc"; tail -20 "$work/$c.err"; fail=1
  elif ! grep -qx "Fatal error:  Cannot load data archive:  data/vorlin.dat!!!" "$work/$c.err"; then
    echo "FAIL: $c: no archive message"; tail -20 "$work/$c.err"; fail=1
  elif sanitizer_finding "$work/$c.err"; then
    echo "FAIL: $c: sanitizer finding"; grep -A20 Sanitizer "$work/$c.err" | head -40; fail=1
  else
    echo "ok: $c"
  fi
  rm -rf "${work:?}/$c"
done

# The untouched archive starts normally: tests/test_shell_startup.sh; so do
# copies the library loads whole (packed, with more objects, with bytes after
# the last object): tests/test_archive_check.cpp.
exit $fail

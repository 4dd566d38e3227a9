#!/usr/bin/env bash
# The real program with a damaged settings file (binary garbage, huge numbers,
# negative values, very long lines, bytes the library's reader hangs on) and with a home folder path of thousands of
# characters: it starts, quits normally with exit code 0, and leaves a settings
# file that the next run reads back to valid values.
set -uo pipefail
build="$(realpath "$1")"
# In the sanitizer build: Allegro unloads its sound plug-in at exit, before the
# leak check; only the slow unwinder traces what the plug-in and ALSA keep back
# to the library, whose allocations the suppressions file leaves out.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$(dirname "$(realpath "$0")")/lsan.supp:print_suppressions=0}"
fail=0
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; else echo "ok: $1"; fi; }

press() { xdotool keydown "$1"; sleep 0.12; xdotool keyup "$1"; }
grab() { import -window root "$1" 2>/dev/null; }
same() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1)" = "0" ]; }
# Waits until the screen has stopped changing (three equal grabs), at most $1 s.
settle() {
  local equal=0
  grab "$work/a.png"
  for _ in $(seq $(($1 * 4))); do
    sleep 0.25
    grab "$work/b.png"
    if same "$work/a.png" "$work/b.png"; then
      equal=$((equal + 1)); [ $equal -ge 2 ] && return 0
    else
      equal=0
    fi
    mv "$work/b.png" "$work/a.png"
  done
  return 1
}
lit() {
  for _ in $(seq $(($1 * 10))); do
    grab "$work/l.png" &&
      awk -v m="$(convert "$work/l.png" -format '%[fx:mean]' info:)" 'BEGIN { exit !(m > 0.03) }' && return 0
    sleep 0.1
  done
  return 1
}
# Runs the game with HOME=$1 from the build directory and quits it the way a
# player does: skip the intro, ESC on the title (to its quit item), Return.
# Prints the exit code (124 if it had to be killed).
play_and_quit() {
  (cd "$build" && HOME="$1" exec ./vorlin -win > "$work/out" 2> "$work/err") &
  local pid=$!
  timeout 30 xdotool search --sync --name 'El Vorlin' > /dev/null
  lit 60
  press Return; sleep 0.4; press Return
  for _ in 1 2 3; do
    settle 30
    kill -0 $pid 2>/dev/null || break
    press Escape
    settle 10
    kill -0 $pid 2>/dev/null || break
    press Return
    for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    kill -0 $pid 2>/dev/null || break
  done
  if kill -0 $pid 2>/dev/null; then
    kill $pid; wait $pid 2>/dev/null; echo 124
  else
    wait $pid; echo $?
  fi
}
# Any sanitizer report (the sanitizer build): memory errors, undefined behaviour, leaks.
sanitizer_finding() { grep -qE 'Sanitizer|runtime error:' "$1"; }
# Value of key $2 in the settings file $1 ("" if absent).
value_of() { grep -a "^$2 = " "$1" | tail -1 | sed "s/^$2 = //"; }
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

long_line=$(head -c 200000 /dev/zero | tr '\0' 'x')
long_key=$(head -c 10000 /dev/zero | tr '\0' 'k')
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
  esac
}

for c in garbage huge_numbers negative_values long_lines hang_bytes; do
  home="$work/home_$c"; mkdir -p "$home"
  cfg="$home/vorlin-settings.cfg"
  case_file "$c" "$cfg"
  rc=$(play_and_quit "$home")
  check "$c: normal quit exits 0 (was $rc)" '[ "$rc" = 0 ]'
  check "$c: no sanitizer finding" '! sanitizer_finding "$work/err"'
  check "$c: stored values are valid" 'values_valid "$cfg"'
  case "$c" in huge_numbers|negative_values)
    check "$c: out-of-range controls fall back to the defaults" 'defaults_stored "$cfg"' ;;
    hang_bytes)
      check "$c: the valid lines are kept" '[ "$(value_of "$cfg" control4)" = 5 ] && [ "$(value_of "$cfg" control5)" = 2 ]' ;;
  esac
  # The file as written, damaged lines kept, is read back by the next run.
  case "$c" in garbage|long_lines|hang_bytes)
    rc=$(play_and_quit "$home")
    check "$c: second run exits 0 (was $rc)" '[ "$rc" = 0 ] && values_valid "$cfg"' ;;
  esac
done

# A home folder whose path has thousands of characters: the settings file is
# written there and read back.
deep="$work/deep"
segment=$(head -c 200 /dev/zero | tr '\0' 'd')
for _ in $(seq 19); do deep="$deep/$segment"; done
mkdir -p "$deep"
rc=$(play_and_quit "$deep")
check "home path of ${#deep} characters: exit 0 (was $rc)" '[ "$rc" = 0 ] && ! sanitizer_finding "$work/err"'
check "home path of ${#deep} characters: settings stored there" \
  '[ "$(value_of "$deep/vorlin-settings.cfg" title_song)" = 0 ] && defaults_stored "$deep/vorlin-settings.cfg"'

# Longer than any path the system can open: nothing can be stored, play goes on.
nowhere="$work/missing/$(head -c 8000 /dev/zero | tr '\0' 'e')"
rc=$(play_and_quit "$nowhere")
check "home path of ${#nowhere} characters that cannot exist: exit 0 (was $rc)" \
  '[ "$rc" = 0 ] && ! sanitizer_finding "$work/err"'

exit $fail

#!/usr/bin/env bash
# The library's configuration reader never writes outside its buffers for
# any settings file the game hands it: lines of hundreds of bytes whose
# characters of two, three or four bytes reach the end of the reader's line
# buffer (256, 512, 1024 bytes), after a newline or a carriage return, with
# zero bytes before them, as a fuzz run found in a 256-byte line of garbage.
# The library is not built with the sanitizers, so valgrind watches it: the
# plain build's settings fuzz harness takes these files through the game's
# preparation, the library's reader and the game's reading and storing of
# the settings.
set -uo pipefail
build="$(realpath "$1")"
harness="$build/fuzz_settings"
if [[ "$(ldd "$harness")" == *libasan* ]]; then  # all of it: a grep -q under pipefail fails now and then
  echo "sanitizer build: valgrind runs on the plain build only, where this test checks it"
  exit 0
fi
command -v valgrind > /dev/null || { echo "FAIL: valgrind is missing (tools/deps.sh installs it)"; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

a() { head -c "$1" /dev/zero | tr '\0' a; }
n=0
for ch in '\303\251' '\342\202\254' '\360\237\230\200'; do   # 2, 3 and 4 bytes
  for end in 256 512 1024; do
    for before in 2 3 4; do
      n=$((n + 1))
      # The character ending the line, then inside it, then after a carriage
      # return and behind zero bytes.
      { a $((end - before)); printf "$ch\n"
        a $((end - before)); printf "${ch}aaaa\n"
        printf 'x\r'; a $((end - before)); printf "$ch\n"
        head -c $((end - before)) /dev/zero; printf "$ch"; } > "$work/line$n.cfg"
    done
  done
done
# The settings around such a line are still read and stored.
{ printf '[controls]\ncontrol4 = 5\n# '; a 252; printf '\303\251\n'; } > "$work/comment.cfg"

valgrind --error-exitcode=9 -q "$harness" -t 0 "$work"/*.cfg > "$work/log" 2>&1
rc=$?
if [ $rc -ne 0 ]; then
  head -30 "$work/log"
  echo "FAIL: the settings fuzz harness under valgrind exited with $rc"
  exit 1
fi
echo "ok: $(ls "$work"/*.cfg | wc -l) files read and stored without a write outside the reader's buffers"

#!/usr/bin/env bash
# A short soak: two playthroughs of the eight levels headless (the soak program
# of tools/soak); every level attempt must report "Create count = 0" and the
# heap must stay steady from the first playthrough to the second. The long run
# (100 000 ticks and more) is the same program with a larger figure.
set -uo pipefail
build="$(realpath "$1")"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$(dirname "$(realpath "$0")")/lsan.supp:print_suppressions=0}"
cd "$build"
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
# One playthrough takes about 38 000 ticks with the soak's driver.
./soak 78000 > "$out" 2>&1
rc=$?
cat "$out"
fail=0
[ $rc -eq 0 ] || { echo "FAIL: soak exit code $rc"; fail=1; }
grep -q "^soak: playthrough 2 done" "$out" || { echo "FAIL: fewer than two playthroughs"; fail=1; }
grep -q " 0 bad reports" "$out" || { echo "FAIL: an attempt left objects behind"; fail=1; }
if grep -qE 'Sanitizer|runtime error:' "$out"; then echo "FAIL: sanitizer finding"; fail=1; fi
exit $fail

#!/usr/bin/env bash
# A short soak: the soak program of tools/test/soak plays the eight levels headless
# with a pilot's random input for about 78 000 ticks (one round of all eight
# levels and part of a second). Every tick of play must keep the invariants of
# play (an "INVARIANT FAILED" line names the invariant, the level, the tick and
# the seed), every level attempt must report "Create count = 0", and the heap
# must stay steady after the first round. The run is deterministic for its
# seed: `./soak TICKS SEED` in the build directory replays it; longer runs and
# other seeds are the same program with other figures.
set -uo pipefail
build="$(realpath "$1")"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$(dirname "$(realpath "$0")")/../lsan.supp:print_suppressions=0}"
cd "$build"
ticks=78000
seed="${SOAK_SEED:-2026}"
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
./soak "$ticks" "$seed" > "$out" 2>&1
rc=$?
cat "$out"
fail=0
[ $rc -eq 0 ] || { echo "FAIL: soak exit code $rc (replay: ./soak $ticks $seed in $build)"; fail=1; }
grep -q "^soak: round 1 done" "$out" || { echo "FAIL: the first round of eight levels was not finished"; fail=1; }
for level in 1 2 3 4 5 6 7 8; do
    grep -qE "^soak: level $level played: [1-9][0-9]* attempts" "$out" || { echo "FAIL: level $level not played"; fail=1; }
done
grep -q " 0 bad reports, 0 invariant failures" "$out" || { echo "FAIL: an attempt left objects behind or an invariant failed"; fail=1; }
if grep -qE 'Sanitizer|runtime error:' "$out"; then echo "FAIL: sanitizer finding"; fail=1; fi
exit $fail

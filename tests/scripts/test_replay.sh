#!/usr/bin/env bash
# Replays: the shipped short recording plays back headless to its check sums
# with each set of blending kernels in turn (the plain build plays the long
# playthrough, see tools/test.sh), and the program refuses every kind of bad
# replay file with a line on standard error and exit code 1, before it opens
# a window.
set -uo pipefail
src="$(cd "$(dirname "$0")/../.." && pwd)"
source "$src/tests/support/real_program.sh"
begin_script "$1"
cd "$build" || exit 1
short="$src/tests/replays/short.vrp"

out="$work/kernels.txt"
bounded 600 ./replay_check -kernels portable "$short" -kernels sse2 "$short" -kernels avx2 "$short" > "$out" 2>&1
rc=$?
check "the short recording replays with every kernel set (exit $rc)" '[ $rc -eq 0 ]' || tail -n 20 "$out"
check "three replays played as recorded" '[ "$(grep -c "played as recorded" "$out")" -eq 3 ]'

# Bad files: each must give its words and exit 1.
good="$work/good.vrp"
cp "$short" "$good"
size=$(stat -c %s "$good")
head -c $((size - 7)) "$good" > "$work/truncated.vrp"
cp "$good" "$work/damaged.vrp"
printf '\x55' | dd of="$work/damaged.vrp" bs=1 seek=$((size - 10)) conv=notrunc status=none
{ cat "$good"; printf 'trailing'; } > "$work/trailing.vrp"
printf 'VORLINRP\x07' > "$work/format.vrp"
echo "not a replay" > "$work/text.vrp"
mkdir "$work/folder.vrp"
while IFS='|' read -r name file says; do
  err="$work/$name.err"
  bounded 120 env HOME="$work" ./vorlin -win -replay "$file" > /dev/null 2> "$err"
  rc=$?
  check "$name: exit 1 (was $rc)" '[ $rc -eq 1 ]' || cat "$err"
  check "$name: says \"$says\"" 'grep -q "^The replay $file $says" "$err"' || cat "$err"
  check "$name: no sanitizer finding" '! sanitizer_finding "$err"'
done << LIST
missing|$work/none.vrp|does not exist
not a replay|$work/text.vrp|is not a replay
a later format|$work/format.vrp|is in replay format 7
truncated|$work/truncated.vrp|is truncated
damaged|$work/damaged.vrp|is damaged
trailing bytes|$work/trailing.vrp|has 8 bytes of something else after its end
a folder|$work/folder.vrp|is not a regular file
LIST
exit $fail

#!/usr/bin/env bash
# Bounded run of one plain seed-and-mutate fuzz harness of a sanitizer build,
# for FUZZ_SECONDS (default 20, at most 60) seconds.
# Usage: run_plain.sh NAME BUILD_DIR [SEED_FILE...]
# Exits non-zero on a finding (memory error, undefined behaviour, broken
# invariant or hang), leaving the input in BUILD_DIR/NAME-finding.bin.
set -uo pipefail
name="$1"; build="$(realpath -m "$2")"; shift 2
top="$(cd "$(dirname "$0")/../../.." && pwd)"
seconds="${FUZZ_SECONDS:-20}"
[ "$seconds" -gt 60 ] && seconds=60
harness="$build/$name"
[ -x "$harness" ] || cmake --build "$build" --target "$name" -j2 > /dev/null 2>&1
[ -x "$harness" ] || { echo "$name: $harness is missing (build the sanitizer build first)"; exit 1; }
export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
finding="$build/$name-finding.bin"
rm -f "$finding"
echo "$name: ${seconds} s"
# The harness stops itself; the margin for its start and end follows the
# tests' VORLIN_TEST_PATIENCE.
patience="${VORLIN_TEST_PATIENCE:-1}"
[[ "$patience" =~ ^[1-9][0-9]{0,2}$ ]] || patience=1
timeout $((seconds + 60 * patience)) "$harness" -t "$seconds" -o "$finding" "$@" 2>&1 | tail -40
status=${PIPESTATUS[0]}
if [ "$status" -ne 0 ]; then
  echo "$name: FINDING (exit $status)"; [ -e "$finding" ] && od -An -tx1 "$finding" | head -20
  exit 1
fi
exit 0

#!/usr/bin/env bash
# Bounded fuzzing of the data archives' check before the library loads them
# (game and ending tables; small archives built by the target are the seeds,
# with the real ending archive when BUILD_DIR has it), with the plain
# seed-and-mutate driver of the given sanitizer build, for FUZZ_SECONDS
# (default 20, at most 60) seconds.
# Usage: run.sh [BUILD_DIR]   (default: build-asan beside the sources)
# Exits non-zero on a finding (memory error, undefined behaviour, broken
# invariant or hang), leaving the input in BUILD_DIR/fuzz_archive-finding.bin.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
top="$(cd "$here/../.." && pwd)"
build="$(realpath -m "${1:-$top/build-asan}")"
seconds="${FUZZ_SECONDS:-20}"
[ "$seconds" -gt 60 ] && seconds=60
harness="$build/fuzz_archive"
[ -x "$harness" ] || cmake --build "$build" --target fuzz_archive -j2 > /dev/null 2>&1
[ -x "$harness" ] || { echo "fuzz_archive: $harness is missing (build the sanitizer build first)"; exit 1; }
export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
finding="$build/fuzz_archive-finding.bin"
rm -f "$finding"
seeds=()
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
if [ -f "$build/data/ending.dat" ]; then
  { printf '\x01'; cat "$build/data/ending.dat"; } > "$work/ending_seed"
  seeds+=("$work/ending_seed")
fi
echo "fuzz_archive: ${seconds} s"
timeout $((seconds + 30)) "$harness" -t "$seconds" -o "$finding" "${seeds[@]}" 2>&1 | tail -40
status=${PIPESTATUS[0]}
if [ "$status" -ne 0 ]; then
  echo "fuzz_archive: FINDING (exit $status)"; [ -e "$finding" ] && xxd "$finding" | head -20
  exit 1
fi
exit 0

#!/usr/bin/env bash
# Bounded fuzzing of the data archives' check before the library loads them
# (game and ending tables; small archives built by the target are the seeds,
# with the real ending archive when BUILD_DIR has it).
# Usage: run.sh [BUILD_DIR]   (default: build-asan beside the sources)
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(realpath -m "${1:-$here/../../../build-asan}")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
seeds=()
if [ -f "$build/data/ending.dat" ]; then
  { printf '\x01'; cat "$build/data/ending.dat"; } > "$work/ending_seed"
  seeds+=("$work/ending_seed")
fi
"$here/../fuzzing/run_plain.sh" fuzz_archive "$build" "${seeds[@]}"

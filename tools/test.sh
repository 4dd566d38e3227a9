#!/usr/bin/env bash
# Sets up, builds and runs every test headless: the normal build, then the same
# tests under AddressSanitizer and UndefinedBehaviorSanitizer. Exits non-zero on
# any failure.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/tools/deps.sh"

run_suite() {
  local dir="$1"; shift
  cmake -S "$top" -B "$dir" "$@" > /dev/null
  cmake --build "$dir" -j2
  (cd "$dir" && xvfb-run -a -s '-screen 0 1024x768x24' ctest --output-on-failure -j2)
}

run_suite "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLIN_TESTS=ON

# Slow unwinding lets the suppressions see through modules the library has
# already unloaded (its ALSA driver) by the time the leak check runs.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:fast_unwind_on_malloc=0"
export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Assertions stay on; -O1 keeps the whole-game runs quick under the sanitizers.
run_suite "$top/build-asan" -DVORLIN_TESTS=ON -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g" -DVORLIN_SANITIZE=ON

# Bounded fuzz runs over everything that parses bytes from files.
for fuzz in "$top"/tools/fuzz_*/run.sh; do
  [ -e "$fuzz" ] || continue
  echo "== $fuzz"
  bash "$fuzz" "$top/build-asan"
done
echo "All tests passed."

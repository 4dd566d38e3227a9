#!/usr/bin/env bash
# Sets up, builds and runs every test headless. Every test program and
# real-program script runs once, in the build under AddressSanitizer and
# UndefinedBehaviorSanitizer (assertions on); the build players get is built
# whole, warning-free, and checked where only it can be: installed, packaged and
# run from its install, and the library's settings reader under valgrind.
# Bounded fuzz runs beside the tests. Exits non-zero on any failure.
# VORLIN_TEST_PATIENCE=N (a whole number, default 1) multiplies every ceiling
# the tests wait up to, for a slow or busy machine (see the README).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/tools/deps.sh"
# Each step's header says when it began, in seconds since the packages were in
# place, so the slow steps can be told apart in a log.
SECONDS=0
step() { echo "== $* (at ${SECONDS} s)"; }
xvfb=(xvfb-run -a -s '-screen 0 1024x768x24')
step "test patience: ${VORLIN_TEST_PATIENCE:-1}"

step "layout (.clang-format)"
find "$top/src" "$top/tests" "$top/tools" \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0 |
  xargs -0 clang-format --dry-run --Werror

# The build players get (the play command's build directory, with every tool).
step "plain build"
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLIN_TESTS=OFF > /dev/null
cmake --build "$top/build" -j2
# Its own checks run beside the sanitizer build's tests (below), which leave
# processor time while they wait for the game: installation and packaging (on
# an X server of the script's own), the library's settings reader under
# valgrind, and the shipped recordings, the long playthrough of every level
# among them, replayed where replays are quickest (the sanitizer build replays
# the short one with each kernel set: tests/scripts/test_replay.sh).
plain_checks() {
  local check
  for check in test_install test_settings_reader; do
    echo "== $check (plain build)"
    (cd "$top/build" && bash "$top/tests/scripts/$check.sh" "$top/build") || return 1
  done
  echo "== replays (plain build)"
  (cd "$top/build" && ./replay_check "$top"/tests/replays/*.vrp | grep -v '^Create count')
}

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# -O1 keeps the whole-game runs quick under the sanitizers.
step "sanitizer build"
# The developer tools are built (and so kept building) in the plain build only,
# and so is the data generator, whose archives are the same bytes from either
# build; each test program compiles as one file (tests/CMakeLists.txt).
cmake -S "$top" -B "$top/build-asan" -DVORLIN_TESTS=ON -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g" \
  -DVORLIN_SANITIZE=ON -DVORLIN_DEV_TOOLS=OFF -DVORLIN_UNITY_TESTS=ON "-DVORLIN_GENDATA=$top/build/gendata" > /dev/null
cmake --build "$top/build-asan" -j2
# Bounded fuzz runs over everything that parses bytes from files, on the
# processor time the tests leave spare: the real-program scripts spend much of
# theirs waiting for a window or a line. Each run is one process at the lowest
# priority (a test that wants a core gets it) for a fixed time, two at a time;
# each one's output is shown whole once all have ended. FUZZ_SECONDS (at most
# 60) sets each run's time for a longer search by hand.
export FUZZ_SECONDS="${FUZZ_SECONDS:-30}"
# Three tests at a time on two cores: the scripts wait for the game (a window,
# a picture, a stop of 10 s) a third of the time or more, which a third test
# fills better than the fuzz runs; the waits' ceilings are sized for a far
# busier machine.
step "tests in the sanitizer build, the plain build's checks and fuzz runs beside them"
plain_log="$(mktemp)"
(unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS; plain_checks) > "$plain_log" 2>&1 &
plain_pid=$!
fuzz_logs="$(mktemp -d)"
(printf '%s\0' "$top"/tools/test/fuzz_*/run.sh |
  nice -n 19 xargs -0 -P2 -I{} bash -c 'bash "$1" "$2" > "$3/$(basename "$(dirname "$1")").log" 2>&1 ||
    { echo "FAILED: $1"; exit 1; }' _ {} "$top/build-asan" "$fuzz_logs") &
fuzz_pid=$!
tests_failed=0
(cd "$top/build-asan" && "${xvfb[@]}" ctest --output-on-failure -j3) || tests_failed=1
plain_failed=0
wait "$plain_pid" || plain_failed=1
step "checks of the plain build"
cat "$plain_log"
rm -f "$plain_log"
fuzz_failed=0
wait "$fuzz_pid" || fuzz_failed=1
step "fuzz runs"
cat "$fuzz_logs"/*.log
rm -rf "$fuzz_logs"
[ "$tests_failed" -eq 0 ] || { echo "A test failed (its output is above)."; exit 1; }
[ "$plain_failed" -eq 0 ] || { echo "A check of the plain build failed (its output is above)."; exit 1; }
[ "$fuzz_failed" -eq 0 ] || { echo "A fuzz run failed (its output is above)."; exit 1; }
step "All tests passed."

#!/usr/bin/env bash
# Bounded fuzzing of the MP3 stream (FUZZ_SECONDS, default 30, at most 60 s in all): libFuzzer under
# clang when it is available, else the plain harness of the given sanitizer
# build. Seeds are small MPEG files made here with sox, lame and twolame.
# Usage: run.sh [BUILD_DIR]   (default: build-asan beside the sources)
# FUZZ_PLAIN=1 skips libFuzzer and runs the plain harness of BUILD_DIR.
# Exits non-zero on a finding, printing the input that caused it.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
top="$(cd "$here/../../.." && pwd)"
build="$(realpath -m "${1:-$top/build-asan}")"
limit_s="${FUZZ_SECONDS:-30}"   # the build of the libFuzzer harness included; at most 60
[ "$limit_s" -gt 60 ] && limit_s=60
start_s=$SECONDS
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/seeds" "$work/corpus"

# Seeds: four control bytes (block size, flags, operations) before each song.
make_seed() {
  local name="$1" control="$2" format="$3" synth="$4" encoder="$5"
  sox -n -b 16 $format "$work/$name.wav" synth $synth 2>/dev/null || return 0
  $encoder "$work/$name.wav" "$work/$name.mpa" >/dev/null 2>&1 || return 0
  printf "$control" > "$work/seeds/$name"
  cat "$work/$name.mpa" >> "$work/seeds/$name"
}
if command -v sox >/dev/null && command -v lame >/dev/null; then
  make_seed cbr    '\x00\x10\x1a\x05' "-r 44100 -c 2" "0.6 sine 300-2400 pinknoise" "lame --quiet -b 128 --cbr"
  make_seed vbr    '\x00\x08\x0c\x11' "-r 44100 -c 2" "0.8 sine 100-6000 pinknoise" "lame --quiet -V 2"
  make_seed mono   '\x34\x02\x03\x21' "-r 32000 -c 1" "0.5 sine 440" "lame --quiet -m m -b 32"
  make_seed lsf    '\x00\x04\x02\x40' "-r 16000 -c 2" "0.5 sine 440 pinknoise" "lame --quiet -b 24"
  make_seed mpeg25 '\x80\x00\x06\x00' "-r 8000 -c 1" "0.5 sine 440" "lame --quiet -b 8"
  make_seed tags   '\x00\x20\x00\x33' "-r 44100 -c 2" "0.4 sine 440 pinknoise" "lame --quiet -b 64 --add-id3v2 --tt Title"
  make_seed id3v1  '\x00\x02\x00\x00' "-r 44100 -c 2" "0.3 sine 440 pinknoise" "lame --quiet -b 64 --id3v1-only --tt Title"
fi
if command -v sox >/dev/null && command -v twolame >/dev/null; then
  make_seed layer2 '\x00\x10\x08\x01' "-r 48000 -c 2" "0.5 sine 440 pinknoise" "twolame --quiet -b 160"
fi
printf '\x10\x00\x01\x00\xff\xfb\x90\x64' > "$work/seeds/tiny"

elapsed() { echo $((SECONDS - start_s)); }
# Each run stops itself; the margin for its start and end follows the tests'
# VORLIN_TEST_PATIENCE.
patience="${VORLIN_TEST_PATIENCE:-1}"
[[ "$patience" =~ ^[1-9][0-9]{0,2}$ ]] || patience=1
margin_s=$((60 * patience))
log="$work/log"
status=0
if [ "${FUZZ_PLAIN:-0}" != 1 ] && command -v clang++ >/dev/null; then
  fdir="$build/fuzz_almp3_libfuzzer"
  if cmake -S "$here" -B "$fdir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$work/cmake.log" 2>&1 &&
     grep -q 'VORLIN_HAVE_LIBFUZZER:INTERNAL=1' "$fdir/CMakeCache.txt" &&
     cmake --build "$fdir" -j2 >>"$work/cmake.log" 2>&1; then
    budget=$((limit_s - $(elapsed) - 5))
    [ $budget -lt 5 ] && budget=5
    echo "fuzz_almp3: libFuzzer for ${budget} s"
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
    export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
    timeout $((budget + margin_s)) "$fdir/fuzz_almp3" -max_total_time=$budget -max_len=49152 -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" "$work/seeds" >"$log" 2>&1
    status=$?
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
    if [ $status -ne 0 ]; then
      tail -60 "$log"
      for a in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
        [ -e "$a" ] && { echo "finding: $a"; od -An -tx1 "$a" | head -20; cp "$a" "$build/" 2>/dev/null; }
      done
      echo "fuzz_almp3: FINDING after ${runs:-?} inputs (exit $status)"
      exit 1
    fi
    echo "fuzz_almp3: ${runs:-?} inputs run without a finding"
    exit 0
  fi
  echo "fuzz_almp3: no libFuzzer build ($(tail -1 "$work/cmake.log")); using the plain harness"
fi

harness="$build/fuzz_almp3"
if [ ! -x "$harness" ]; then
  echo "fuzz_almp3: $harness is missing (build the sanitizer build first)"
  exit 1
fi
budget=$((limit_s - $(elapsed) - 5))
[ $budget -lt 5 ] && budget=5
echo "fuzz_almp3: plain harness for ${budget} s"
export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
timeout $((budget + margin_s)) "$harness" -t "$budget" -o "$build/fuzz_almp3-finding.bin" "$work"/seeds/* >"$log" 2>&1
status=$?
cat "$log" | tail -40
[ $status -ne 0 ] && { echo "fuzz_almp3: FINDING (exit $status)"; exit 1; }
exit 0

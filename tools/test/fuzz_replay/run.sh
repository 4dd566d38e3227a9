#!/usr/bin/env bash
# Bounded fuzzing of the replay file reader, seeded with the shipped recordings.
# Usage: run.sh [BUILD_DIR]   (default: build-asan beside the sources)
here="$(cd "$(dirname "$0")" && pwd)"
exec "$here/../fuzzing/run_plain.sh" fuzz_replay "${1:-$here/../../../build-asan}" "$here"/../../../tests/replays/*.vrp

#!/usr/bin/env bash
# Bounded fuzzing of the ending's timing lines (cue reader and the ending's
# switches against a model).
# Usage: run.sh [BUILD_DIR]   (default: build-asan beside the sources)
here="$(cd "$(dirname "$0")" && pwd)"
exec "$here/../fuzzing/run_plain.sh" fuzz_ending_cues "${1:-$here/../../../build-asan}"

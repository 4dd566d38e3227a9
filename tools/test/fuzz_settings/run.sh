#!/usr/bin/env bash
# Bounded fuzzing of the settings file (repaired bytes through the library's
# configuration reader into read_settings).
# Usage: run.sh [BUILD_DIR]   (default: build-asan beside the sources)
here="$(cd "$(dirname "$0")" && pwd)"
exec "$here/../fuzzing/run_plain.sh" fuzz_settings "${1:-$here/../../../build-asan}"

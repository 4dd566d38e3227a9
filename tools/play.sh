#!/usr/bin/env bash
# Sets up, builds and starts the game; arguments are passed to the game.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/tools/deps.sh" --play
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$top/build" -j2
cd "$top/build"
exec ./vorlin "$@"

#!/usr/bin/env bash
# Sets up, builds and starts the game; arguments are passed to the game.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/tools/deps.sh" --play
# Only the game and its data (with the generator that paints it); the tests
# and the other tools build with the test command.
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLIN_TESTS=OFF > /dev/null
cmake --build "$top/build" -j2 --target vorlin gamedata
cd "$top/build"
exec ./vorlin "$@"

#!/usr/bin/env bash
# Builds both engine configurations (every target) in Release and runs the whole
# test suite with CTest. Exits non-zero if anything fails.
# Usage: ./test.sh [extra ctest arguments]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$root/build
jobs=$(nproc)

"$root/tools/install-deps.sh"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j"$jobs"

# Every test that needs a window starts a private Xvfb of its own (see
# tests/support/TestDisplay.h), so window tests can run side by side without
# sharing focus or a screen; a desktop's DISPLAY is not used.
unset DISPLAY

cd "$build"
ctest --output-on-failure --no-tests=error -j"$jobs" "$@"

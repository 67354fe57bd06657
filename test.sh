#!/usr/bin/env bash
# Builds both engine configurations (every target) and runs the whole test
# suite with CTest twice: a Release build in build/, then a build with
# AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/, where any
# sanitizer report fails the test that made it. Exits non-zero if anything fails.
# Usage: ./test.sh [extra ctest arguments]
#   SORBELANE_SANITIZE=0 ./test.sh   skips the sanitizer pass.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
jobs=$(nproc)

"$root/tools/install-deps.sh"

# Every test that needs a window starts a private Xvfb of its own (see
# tests/support/TestDisplay.h), so window tests can run side by side without
# sharing focus or a screen; a desktop's DISPLAY is not used.
unset DISPLAY

run_suite() {
  local build=$1
  shift
  cmake -S "$root" -B "$build" "$@" >/dev/null
  cmake --build "$build" -j"$jobs"
  (cd "$build" && ctest --output-on-failure --no-tests=error -j"$jobs" "${ctest_args[@]}")
}

ctest_args=("$@")
echo "== Release build ==" >&2
run_suite "$root/build" -DCMAKE_BUILD_TYPE=Release
if [[ ${SORBELANE_SANITIZE:-1} != 0 ]]; then
  echo "== AddressSanitizer + UndefinedBehaviorSanitizer build ==" >&2
  run_suite "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORBELANE_SANITIZE=ON \
    -DSORBELANE_BUILD_BENCH=OFF
fi

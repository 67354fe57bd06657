#!/usr/bin/env bash
# Builds both engine configurations (every target) and runs the whole test
# suite with CTest twice: a Release build in build/, then a build with
# AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/, where any
# sanitizer report fails the test that made it. CTest runs every test in a
# process of its own; the Release pass then also runs each test program once
# as a whole, all its tests in one process, so that no test passes only
# because it ran alone (beside the sanitizer build, as those runs mostly wait). Tests keep their temporary files in a folder of the
# suite's own, which must be empty at the end. Exits non-zero if anything fails.
# Usage: ./test.sh [extra ctest arguments]
#   SORBELANE_SANITIZE=0 ./test.sh   skips the sanitizer pass.
#   With extra arguments the whole-program runs are skipped.
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

# Runs the test programs side by side, each once with all its tests; a
# failing program's output is shown, the others' only summed up.
run_whole_programs() {
  local build=$1 program pids=() status=0 i
  local programs=("$build/tests/sorbelane-tests-grid" "$build/tests/sorbelane-tests-simple")
  local out_dir
  out_dir=$(mktemp -d "${TMPDIR:-/tmp}/sorbelane-whole.XXXXXX")
  for program in "${programs[@]}"; do
    (cd "$build/tests" && "$program" --gtest_brief=1 >"$out_dir/$(basename "$program").out" 2>&1) &
    pids+=($!)
  done
  for i in "${!programs[@]}"; do
    program=$(basename "${programs[$i]}")
    if wait "${pids[$i]}"; then
      echo "$program: all tests passed in one process" >&2
    else
      status=1
      echo "$program: FAILED when all its tests ran in one process:" >&2
      cat "$out_dir/$program.out" >&2
    fi
  done
  rm -rf "$out_dir"
  return "$status"
}

# The tests keep their files below TMPDIR: a folder of the suite's own, which
# must be empty once every test program has ended.
suite_tmp=$(mktemp -d "${TMPDIR:-/tmp}/sorbelane-suite.XXXXXX")
whole_log=$(mktemp "${TMPDIR:-/tmp}/sorbelane-whole-programs.XXXXXX")
trap 'rm -rf "$suite_tmp" "$whole_log"' EXIT
export TMPDIR=$suite_tmp

ctest_args=("$@")
echo "== Release build ==" >&2
run_suite "$root/build" -DCMAKE_BUILD_TYPE=Release

# The whole-program runs mostly wait on windows, terminals and sockets, so they
# run while the sanitizer build compiles; their report follows that build's.
whole_pid=
if [[ ${#ctest_args[@]} -eq 0 ]]; then
  run_whole_programs "$root/build" >"$whole_log" 2>&1 &
  whole_pid=$!
fi
sanitizer_status=0
if [[ ${SORBELANE_SANITIZE:-1} != 0 ]]; then
  echo "== AddressSanitizer + UndefinedBehaviorSanitizer build ==" >&2
  cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORBELANE_SANITIZE=ON \
    -DSORBELANE_BUILD_BENCH=OFF >/dev/null
  cmake --build "$root/build-asan" -j"$jobs" || sanitizer_status=$?
fi
if [[ -n $whole_pid ]]; then
  echo "== Each test program as a whole, in one process ==" >&2
  whole_status=0
  wait "$whole_pid" || whole_status=$?
  cat "$whole_log" >&2
  [[ $whole_status -eq 0 ]] || exit "$whole_status"
fi
[[ $sanitizer_status -eq 0 ]] || exit "$sanitizer_status"
if [[ ${SORBELANE_SANITIZE:-1} != 0 ]]; then
  echo "== Tests of the sanitizer build ==" >&2
  (cd "$root/build-asan" && ctest --output-on-failure --no-tests=error -j"$jobs" "${ctest_args[@]}")
fi
if [[ -n $(ls -A "$suite_tmp") ]]; then
  echo "test.sh: the tests left files in the temporary folder:" >&2
  ls -A "$suite_tmp" >&2
  exit 1
fi

#!/usr/bin/env bash
# Follows the README's install recipe from the source tree: a build of its own
# with tests and benchmarks off, installed into a temporary prefix, its build
# tree then removed. Builds a small consumer project against the installed
# package with find_package(Sorbelane), setting no C++ standard and once asking
# for C++14 (the package must bring C++17), and runs both of its programs headless,
# then one in a real window on an Xvfb server from a directory without
# sb-font.ttf, where the engine must fall back to the font it installed, and
# once more without that font, where start-up must fail.
# Usage: check_install.sh SOURCE_DIR
set -euo pipefail
source=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/sorbelane-install-XXXXXX")
trap 'rm -rf "$work"' EXIT

# The recipe of "Using the engine in a game" (docs/guide.md).
cmake -S "$source" -B "$work/engine-build" -DCMAKE_BUILD_TYPE=Release \
  -DSORBELANE_BUILD_TESTS=OFF -DSORBELANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$work/engine-build" -j2 >/dev/null
cmake --install "$work/engine-build" --prefix "$work/prefix" >/dev/null
rm -rf "$work/engine-build"

font=$work/prefix/share/sorbelane/DejaVuSansMono-Bold.ttf
for file in include/sorbelane/Sorbelane.h share/sorbelane/DejaVuSansMono-Bold.ttf \
            share/sorbelane/DejaVuSansMono-Bold.ttf.copyright; do
  test -f "$work/prefix/$file" || { echo "not installed: $file" >&2; exit 1; }
done
# Private helpers (a folder's detail/) stay out of the package.
private=$(find "$source/engine" -path '*/detail/*.h' -printf '%f\n')
for header in $private; do
  test ! -e "$work/prefix/include/sorbelane/$header" || { echo "private header installed: $header" >&2; exit 1; }
done
cmake -S "$source/tests/install/consumer" -B "$work/build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/build" -j2 >/dev/null
# A project that asks for an older standard still gets the C++17 the headers need.
cmake -S "$source/tests/install/consumer" -B "$work/build-cxx14" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$work/prefix" -DCMAKE_CXX_STANDARD=14 >/dev/null
if ! cmake --build "$work/build-cxx14" -j2 >"$work/build-cxx14.log" 2>&1; then
  echo "a consumer asking for C++14 was not given C++17 by the package:" >&2
  grep -m5 -E 'error' "$work/build-cxx14.log" >&2
  exit 1
fi

mkdir "$work/run"
cd "$work/run"
printf 'headless:true,\nframe_time:1,\n' > sb-config.txt
for config in grid simple; do
  out=$("$work/build/consumer-$config")
  expected="grid $([[ $config == grid ]] && echo 1 || echo 0), steps 3"
  if [[ $out != "$expected" ]]; then
    echo "consumer-$config printed '$out', expected '$expected'" >&2
    exit 1
  fi
done

# A window whose configured font file is not in the working directory.
printf 'frame_time:1,\nfont_file:missing-font.ttf,\n' > sb-config.txt
status=0
SORBELANE_LOG=$work/run/window.log xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
  "$work/build/consumer-grid" >"$work/run/window.out" 2>"$work/run/window.err" || status=$?
if [[ $status -ne 0 ]] || ! grep -qF "using the engine's font '$font'" window.log; then
  echo "the window run (status $status) did not fall back to $font:" >&2
  cat window.err window.log >&2
  exit 1
fi
if [[ -s window.err ]]; then
  echo "the window run wrote on standard error:" >&2
  cat window.err >&2
  exit 1
fi

# With the engine's font gone too, start-up fails and says which file it wanted.
rm "$font"
status=0
SORBELANE_LOG=$work/run/nofont.log xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
  "$work/build/consumer-grid" >/dev/null 2>&1 || status=$?
if [[ $status -eq 0 ]] ||
   ! grep -qF "DisplayManager::startUp(): Unable to load font from file 'missing-font.ttf'." nofont.log; then
  echo "without any font the window run ended with status $status:" >&2
  cat nofont.log >&2
  exit 1
fi
echo "installed package works for both configurations, in a window with its own font"

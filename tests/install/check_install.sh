#!/usr/bin/env bash
# Installs the built engine into a temporary prefix, builds a small consumer
# project against it with find_package(Sorbelane), and runs both of its programs.
# Usage: check_install.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >/dev/null
test -f "$work/prefix/include/sorbelane/Sorbelane.h"
cmake -S "$source/tests/install/consumer" -B "$work/build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/build" -j2 >/dev/null

cd "$work"
printf 'headless:true,\nframe_time:1,\n' > sb-config.txt
for config in grid simple; do
  out=$("$work/build/consumer-$config")
  expected="grid $([[ $config == grid ]] && echo 1 || echo 0), steps 3"
  if [[ $out != "$expected" ]]; then
    echo "consumer-$config printed '$out', expected '$expected'" >&2
    exit 1
  fi
done
echo "installed package works for both configurations"

#!/usr/bin/env bash
# Builds Pingle in Release and runs it once, or builds and starts the example game.
# Usage: ./run.sh [grid|simple] [config-file]
#        ./run.sh game [config-file]
#   grid (default) runs pingle-grid, simple runs pingle-simple.
#   Without a config file, configs/default.txt is used.
#   game plays Arena, the example game (examples/game); without an X display it
#   plays in the terminal when standard output is one, else its demo headless.
#   Its high scores stay in build/run/arena-scores.txt (the demo's in
#   arena-demo-scores.txt).
# Pingle too runs in the terminal when there is no X display but standard output
# is a terminal, and headless otherwise.
# The program runs in build/run/, where its log (sorbelane.log) is written unless
# SORBELANE_LOG names another file. Standard output carries only the program's own
# lines; progress goes to standard error.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if [[ $# -gt 0 && "$1" == game ]]; then
  shift
  if [[ $# -gt 1 ]]; then
    echo "usage: $0 game [config-file]" >&2
    exit 64
  fi
  game_config=
  if [[ $# -eq 1 ]]; then
    if [[ ! -r "$1" ]]; then
      echo "run.sh: cannot read configuration file '$1'" >&2
      exit 66
    fi
    game_config=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
  fi
  "$root/tools/install-deps.sh"
  build=$root/build
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j"$(nproc)" --target sorbelane-game >&2
  run_dir=$build/run
  mkdir -p "$run_dir"
  cp -f /usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf "$run_dir/sb-font.ttf"
  settings=$(mktemp "${TMPDIR:-/tmp}/game-config.XXXXXX")
  trap 'rm -f "$settings"' EXIT
  # The first occurrence of a key wins, so the fallback's keys go first.
  if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
    : >"$settings"
  elif [[ -t 1 ]]; then
    echo "run.sh: no X display available, playing in the terminal" >&2
    printf 'terminal:true,\n' >"$settings"
  else
    echo "run.sh: no X display available, playing the demo headless" >&2
    printf 'headless:true,\ndemo_steps:600,\n' >"$settings"
  fi
  [[ -n "$game_config" ]] && cat "$game_config" >>"$settings"
  export SORBELANE_CONFIG=$settings
  export SORBELANE_LOG=${SORBELANE_LOG:-$run_dir/arena.log}
  cd "$run_dir"
  echo "run.sh: running $build/examples/sorbelane-game (log: $SORBELANE_LOG)" >&2
  set +e
  "$build/examples/sorbelane-game"
  status=$?
  set -e
  exit "$status"
fi

kind=grid
if [[ $# -gt 0 && ( "$1" == grid || "$1" == simple ) ]]; then
  kind=$1
  shift
fi
if [[ $# -gt 1 ]]; then
  echo "usage: $0 [grid|simple] [config-file]  or  $0 game [config-file]" >&2
  exit 64
fi
config=${1:-$root/configs/default.txt}
if [[ ! -r "$config" ]]; then
  echo "run.sh: cannot read configuration file '$config'" >&2
  exit 66
fi
config=$(cd "$(dirname "$config")" && pwd)/$(basename "$config")

"$root/tools/install-deps.sh"

build=$root/build
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target "pingle-$kind" >&2
bin=$build/pingle-$kind

temp_files=()
trap 'rm -f "${temp_files[@]}"' EXIT

run_dir=$build/run
mkdir -p "$run_dir"
cp -f /usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf "$run_dir/sb-font.ttf"

# Without a usable X display, run headless: the key goes first because the
# first occurrence of a key wins.
in_terminal=0
if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
  export SORBELANE_CONFIG=$config
else
  mode_key=headless:true,
  if [[ -t 1 ]]; then
    echo "run.sh: no X display available, running in the terminal" >&2
    mode_key=terminal:true, in_terminal=1
  else
    echo "run.sh: no X display available, running headless" >&2
  fi
  SORBELANE_CONFIG=$(mktemp "${TMPDIR:-/tmp}/pingle-config.XXXXXX")
  export SORBELANE_CONFIG
  temp_files+=("$SORBELANE_CONFIG")
  { echo "$mode_key"; cat "$config"; } >"$SORBELANE_CONFIG"
fi

# The log to follow: SORBELANE_LOG, else the configuration's logfile, else the default.
if [[ -z "${SORBELANE_LOG:-}" ]]; then
  logfile=$(sed -e '/^#/d' -e 's/\r$//' "$config" | tr -d ' \t\n' | tr ',' '\n' |
    sed -n 's/^logfile://p' | head -n 1)
  logfile=${logfile:-sorbelane.log}
  [[ "$logfile" == /* ]] || logfile=$run_dir/$logfile
  export SORBELANE_LOG=$logfile
fi
rm -f "$SORBELANE_LOG"

tty_err=0
[[ -t 2 ]] && tty_err=1

# Progress from the log, which grows by a step line every step: a line kept up to
# date on a terminal, a line every ten seconds otherwise. Finished iterations get
# a line each. A last pass runs once the program has ended and $done_file exists.
done_file=$(mktemp -u "${TMPDIR:-/tmp}/pingle-done.XXXXXX")
temp_files+=("$done_file")
step_pattern='Balls ([0-9]+)\. Step ([0-9]+) - (-?[0-9]+) of.*median ([0-9]+)'
show_progress() {
  trap '' INT
  local iters last_iter=0 done_iters line shown= now last_print=-10 finished=0
  iters=$(sed -e '/^#/d' "$config" | tr -d ' \t\r\n' | tr ',' '\n' |
    sed -n 's/^iteration-max://p' | head -n 1)
  iters=${iters:-3}
  while :; do
    [[ -e "$done_file" ]] && finished=1
    if [[ -r "$SORBELANE_LOG" ]]; then
      done_iters=$(grep -a -c 'PINGLE: Iteration [0-9]' "$SORBELANE_LOG" || true)
      if (( done_iters > last_iter )); then
        ((tty_err)) && printf '\r\033[K' >&2
        grep -a 'PINGLE: Iteration [0-9]' "$SORBELANE_LOG" | tail -n $((done_iters - last_iter)) |
          sed "s/.*PINGLE: /pingle-$kind: /" >&2
        last_iter=$done_iters
      fi
      line=$(tail -c 4096 "$SORBELANE_LOG" | grep -a 'PINGLE: Balls [0-9]' | tail -n 1 || true)
      if (( !finished )) && [[ "$line" =~ $step_pattern ]]; then
        line=$(printf '%s: iteration %d/%s  step %d  balls %d  step time %d ms  median %d ms' \
          "pingle-$kind" $((last_iter + 1)) "$iters" "${BASH_REMATCH[2]}" "${BASH_REMATCH[1]}" \
          "${BASH_REMATCH[3]}" "${BASH_REMATCH[4]}")
        now=$SECONDS
        if [[ "$line" == "$shown" ]]; then
          :
        elif ((tty_err)); then
          printf '\r\033[K%s' "$line" >&2
          shown=$line
        elif (( now - last_print >= 10 )); then
          printf '%s\n' "$line" >&2
          shown=$line last_print=$now
        fi
      fi
    fi
    (( finished )) && break
    sleep 0.5
  done
  ((tty_err)) && printf '\r\033[K' >&2
  return 0
}

# Passes the program's standard output through, clearing the progress line
# first. It ignores Ctrl-C so that the program's last lines still get out.
relay_stdout() {
  trap '' INT
  local line
  while IFS= read -r line; do
    ((tty_err)) && printf '\r\033[K' >&2
    printf '%s\n' "$line"
  done
}

cd "$run_dir"
echo "run.sh: running $bin with $config (log: $SORBELANE_LOG)" >&2
if ((in_terminal)); then
  # The program draws on the terminal itself: no progress line, no relay.
  set +e
  "$bin"
  status=$?
  set -e
  grep -a 'PINGLE: Iteration [0-9]' "$SORBELANE_LOG" | sed "s/.*PINGLE: /pingle-$kind: /" >&2 || true
  [[ $status -eq 2 ]] && echo "run.sh: stopped by Ctrl-C" >&2
  [[ $status -ne 0 && $status -ne 2 ]] &&
    echo "run.sh: pingle-$kind ended with status $status (see $SORBELANE_LOG)" >&2
  exit "$status"
fi
show_progress &
progress_pid=$!
set +e
"$bin" | relay_stdout
status=${PIPESTATUS[0]}
set -e
touch "$done_file"
wait "$progress_pid" 2>/dev/null || true
case $status in
  0) ;;
  2) echo "run.sh: stopped by Ctrl-C" >&2 ;;
  *) echo "run.sh: pingle-$kind ended with status $status (see $SORBELANE_LOG)" >&2 ;;
esac
exit "$status"

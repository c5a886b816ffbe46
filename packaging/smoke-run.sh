#!/usr/bin/env bash
# smoke-run: starts an installed Stickwell once and checks that it comes up as it should: it seeds its
# data directory from the gamecontrollerdb.txt installed beside the real executable, logs its start-up
# lines, and on SIGTERM ends cleanly (exit status 0). Nothing is fetched: both servers are pointed at a
# closed port on loopback, and the data directory and the environment file are temporary.
#
#   packaging/smoke-run.sh [PROGRAM]       PROGRAM: the installed stickwell (default: the one on PATH)
#
# The display is the caller's: set DISPLAY (an X server, e.g. Xvfb) or QT_QPA_PLATFORM=offscreen.
# Exit status 0 when every check passed; the program's output is printed either way.
set -euo pipefail
program=${1:-stickwell}
path=$(command -v "$program") || { echo "smoke-run: no program $program" >&2; exit 2; }
real=$(readlink -f "$path")
seed="$(dirname "$real")/gamecontrollerdb.txt"

work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "smoke-run: FAIL: $*" >&2
  echo "--- standard output" >&2; cat "$work/stdout" >&2 || true
  echo "--- standard error" >&2; cat "$work/stderr" >&2 || true
  exit 1
}

# waits up to $1 seconds for the command in the remaining arguments to succeed
wait_for() {
  local seconds=$1; shift
  local tries=$((seconds * 10))
  while [ "$tries" -gt 0 ]; do
    "$@" && return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}
logged() { grep -q -F "[LOG] $1" "$work/stdout"; }
gone() { ! kill -0 "$pid" 2>/dev/null; }

echo "smoke-run: $path -> $real"
[ -f "$seed" ] || fail "no seed beside the program: $seed"

# Line-buffered, so each log line is in the file as soon as the program prints it.
mkdir -m 700 "$work/runtime"
env XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime" \
  STICKWELL_DATABASE_URL=http://127.0.0.1:9/gamecontrollerdb.txt \
  STICKWELL_SUBMISSION_URL=http://127.0.0.1:9/gamecontrollerdb.php \
  STICKWELL_ENVIRONMENT_FILE="$work/environment" \
  stdbuf -oL "$path" >"$work/stdout" 2>"$work/stderr" &
pid=$!

wait_for 60 logged "Checking if new mappings available from github" ||
  { gone && fail "the program ended before its start-up lines"; fail "no start-up lines within 60 s"; }
logged "Stickwell v1.2 by Brightmoor" || fail "no banner"
[ -f "$work/data/gamecontrollerdb.txt" ] || fail "the data directory was not seeded"
cmp -s "$seed" "$work/data/gamecontrollerdb.txt" || fail "the data directory's copy differs from $seed"
# The update check fails at once against the closed port; wait for it so the window is fully up.
wait_for 30 logged "Update check failed" || fail "the update check did not end within 30 s"

kill -TERM "$pid"
wait_for 30 gone || fail "still running 30 s after SIGTERM"
status=0
wait "$pid" || status=$?
pid=
[ "$status" = 0 ] || fail "exit status $status after SIGTERM"

echo "--- standard output"
cat "$work/stdout"
echo "smoke-run: seeded from $seed, start-up lines logged, ended cleanly on SIGTERM"

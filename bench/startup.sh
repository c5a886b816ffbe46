#!/usr/bin/env bash
# Window start-up, process start to window shown (mapped on the X display), of Stickwell next to a bare
# Qt window showing a label: both started in turn N times on one Xvfb by bench/startupprobe, with the
# medians and their ratio printed. Run by hand:
#
#   bench/startup.sh BUILD_DIR [N [PROGRAM...]]
#
# N defaults to 20. Further programs (another build of Stickwell, say) join the same rotation.
# Stickwell runs with its home, data and configuration directories and its environment file in a
# temporary directory, and its update check and submission pointed at a closed port on 127.0.0.1.
set -euo pipefail

build=$(cd "${1:?usage: bench/startup.sh BUILD_DIR [N [PROGRAM...]]}" && pwd)
runs=${2:-20}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
shift $(($# < 2 ? $# : 2))

probe=$build/bench/startupprobe
programs=("$build/bench/barewindow" "$build/app/stickwell" "$@")
for program in "$probe" "${programs[@]}"; do
  [ -x "$program" ] || { echo "startup.sh: $program is missing (build it first)" >&2; exit 2; }
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/data" "$scratch/config" "$scratch/runtime"
chmod 700 "$scratch/runtime"
export HOME=$scratch/home XDG_DATA_HOME=$scratch/data XDG_CONFIG_HOME=$scratch/config
export XDG_RUNTIME_DIR=$scratch/runtime
export STICKWELL_DATABASE_URL=http://127.0.0.1:9/gamecontrollerdb.txt
export STICKWELL_SUBMISSION_URL=http://127.0.0.1:9/gamecontrollerdb.php
export STICKWELL_ENVIRONMENT_FILE=$scratch/environment

median() {
  sort -n "$1" | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# One uncounted start of each first: the libraries come into the page cache.
for p in "${!programs[@]}"; do
  "$probe" "${programs[$p]}" >/dev/null
  : >"$scratch/$p.ms"
done
for ((i = 0; i < runs; ++i)); do
  for p in "${!programs[@]}"; do
    "$probe" "${programs[$p]}" >>"$scratch/$p.ms"
  done
done

bare=$(median "$scratch/0.ms")
echo "window start-up, process start to window shown, median of $runs starts each:"
printf '  %-50s %7s ms\n' "bare Qt window with a label" "$bare"
for ((p = 1; p < ${#programs[@]}; ++p)); do
  ms=$(median "$scratch/$p.ms")
  printf '  %-50s %7s ms  (%s times the bare window)\n' "${programs[$p]}" "$ms" \
    "$(awk -v a="$ms" -v b="$bare" 'BEGIN { printf "%.2f", a / b }')"
done

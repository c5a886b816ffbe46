#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine, then configures and builds into ./build.
# Usage: [STICKWELL_QT=5|6] scripts/setup.sh [extra cmake arguments]
# Qt 6 unless STICKWELL_QT=5 asks for Qt 5.
set -euo pipefail
cd "$(dirname "$0")/.."

export STICKWELL_QT=${STICKWELL_QT:-6}
bash scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPython3_EXECUTABLE=/usr/bin/python3 \
  -DSTICKWELL_QT="$STICKWELL_QT" "$@"
cmake --build build -j"$(nproc)"

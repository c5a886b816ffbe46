#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine, then configures and builds into ./build.
# Usage: scripts/setup.sh [extra cmake arguments]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPython3_EXECUTABLE=/usr/bin/python3 "$@"
cmake --build build -j"$(nproc)"

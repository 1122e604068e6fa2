#!/usr/bin/env bash
# Configures and builds into build/ (or $1); extra arguments go to cmake (-DWERROR=ON as in CI).
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build}"
shift || true
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$dir" -j"$(nproc)"

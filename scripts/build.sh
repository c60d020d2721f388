#!/usr/bin/env bash
# Configures and builds into the given folder (default: build) with any extra
# CMake arguments.
set -euo pipefail
cd "$(dirname "$0")/.."
pasta=${1:-build}
shift || true
cmake -S . -B "$pasta" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$pasta" -j"$(nproc)"

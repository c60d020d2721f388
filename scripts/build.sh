#!/usr/bin/env bash
# Configures and builds into the given folder (default: build) with any extra
# CMake arguments. TAVO_ALVOS, when set, names the only targets to build.
set -euo pipefail
cd "$(dirname "$0")/.."
pasta=${1:-build}
shift || true
cmake -S . -B "$pasta" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
alvos=()
for alvo in ${TAVO_ALVOS:-}; do
    alvos+=(--target "$alvo")
done
cmake --build "$pasta" -j"$(nproc)" "${alvos[@]}"

#!/usr/bin/env bash
# Installs what is missing, builds, and starts the client on a demo folder.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
./scripts/build.sh build

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): the client needs a graphical session." >&2
    exit 1
fi

export TAVO_ROOT="${TAVO_ROOT:-$PWD/.demo}"
mkdir -p "$TAVO_ROOT"
exec ./build/tavo-upload

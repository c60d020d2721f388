#!/usr/bin/env bash
# Runs the Windows edition's tests, built by scripts/windows/build.sh into
# build-windows/, under Wine: a Wine prefix of their own
# (build-windows/wine), Wine silent, and one X server (Xvfb) for Windows'
# own platform. Prints ctest's summary and fails when a test fails. Extra
# arguments go to ctest (-R tst_log, say).
set -euo pipefail
cd "$(dirname "$0")/../.."
pasta=build-windows
if [ ! -f "$pasta/tests/CTestTestfile.cmake" ]; then
    echo "No Windows build with its tests in $pasta: run scripts/windows/build.sh first." >&2
    exit 2
fi

export WINEPREFIX="$PWD/$pasta/wine"
export WINEDEBUG=-all
# No offer to install Wine's .NET and HTML engines: the programs need neither.
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 300 wineboot -i >/dev/null 2>&1
    timeout 120 wineserver -w
fi
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir "$pasta" --output-on-failure -j2 --timeout 600 "$@"

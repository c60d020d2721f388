#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
#   ./test.sh              plain build in build/
#   ./test.sh --sanitize   AddressSanitizer + UBSan build in build-sanitize/
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

pasta=build
extra=()
if [ "${1:-}" = "--sanitize" ]; then
    pasta=build-sanitize
    extra=(-DTAVO_SANITIZE=ON)
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

./scripts/build.sh "$pasta" "${extra[@]}"
export QT_QPA_PLATFORM=offscreen
cd "$pasta"
ctest --output-on-failure -j2

#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, the project's libraries
# instrumented and under AddressSanitizer + UndefinedBehaviorSanitizer, in a
# build folder of their own (default: build-fuzz beside this folder).
#   fuzz/build.sh [build-folder]
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
pasta=${1:-$raiz/build-fuzz}
CC=clang CXX=clang++ cmake -S "$raiz" -B "$pasta" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVO_FUZZ=ON >/dev/null
cmake --build "$pasta" -j"${JOBS:-2}" --target fuzz_todos
echo "Fuzz targets in $pasta/fuzz:"
find "$pasta/fuzz" -maxdepth 1 -type f -name "fuzz_*" -perm -u+x -printf "  %f\n"

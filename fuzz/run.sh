#!/usr/bin/env bash
# Runs one fuzz target on a working copy of its seed corpus.
#   fuzz/run.sh <target> [libFuzzer options...]
# e.g. fuzz/run.sh fuzz_mensagens -runs=10000000
#      fuzz/run.sh fuzz_banco_escola -max_total_time=1800
# Crashes are written to <build>/fuzz/artefatos/<target>/; new inputs stay in
# <build>/fuzz/corpus/<target>/ (the committed seeds are never changed).
set -euo pipefail
raiz=$(cd "$(dirname "$0")/.." && pwd)
pasta=${TAVO_FUZZ_BUILD:-$raiz/build-fuzz}
alvo=${1:?usage: fuzz/run.sh <target> [libFuzzer options]}
shift
executavel="$pasta/fuzz/$alvo"
[ -x "$executavel" ] || { echo "build first: fuzz/build.sh ($executavel missing)" >&2; exit 1; }
trabalho="$pasta/fuzz/corpus/$alvo"
artefatos="$pasta/fuzz/artefatos/$alvo"
mkdir -p "$trabalho" "$artefatos"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:symbolize=1:quarantine_size_mb=64:malloc_context_size=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
dicionario=()
[ -f "$raiz/fuzz/$alvo.dict" ] && dicionario=(-dict="$raiz/fuzz/$alvo.dict")
exec "$executavel" -artifact_prefix="$artefatos/" "${dicionario[@]}" "$@" "$trabalho" "$raiz/fuzz/corpus/$alvo"

#!/usr/bin/env bash
# Formats the C++ sources with the project's .clang-format.
#   scripts/formata.sh              formats every tracked .cpp/.h in place
#   scripts/formata.sh --verifica   changes nothing; fails when a file is not formatted
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t arquivos < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--verifica" ]; then
    clang-format --dry-run --Werror "${arquivos[@]}"
else
    clang-format -i "${arquivos[@]}"
fi

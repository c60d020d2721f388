#!/usr/bin/env bash
# Installs what is missing, builds, and starts the client on a demo folder,
# with the reference upload server running on this machine.
set -euo pipefail
cd "$(dirname "$0")"

# TAVO_BUILD names another build folder (default build/).
pasta_build=${TAVO_BUILD:-build}

./scripts/install-deps.sh
TAVO_ALVOS="tavo-upload tavo-upload-server tavo-prepara-demo" ./scripts/build.sh "$pasta_build"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): the client needs a graphical session." >&2
    exit 1
fi

# The office's regional settings are Brazilian: month names and decimal
# commas follow them. A session without a locale of its own gets pt_BR where
# the system has it (the program names months in Portuguese either way).
case "${LC_ALL:-${LANG:-C}}" in
    C | C.* | POSIX)
        if locale -a 2>/dev/null | grep -qix 'pt_BR\.utf-\?8'; then
            export LC_ALL=pt_BR.UTF-8
        fi
        ;;
esac

export TAVO_ROOT="${TAVO_ROOT:-$PWD/.demo}"
mkdir -p "$TAVO_ROOT"

# The demo installation (kept once made): the local database with settings
# for a server on 127.0.0.1 and three ports, a real Access school database at
# c:\inetpub\wwwroot\tavo\mirv_dat.mdb, the package folder, the working
# folder and the folder that stands for drive a:.
porta=${TAVO_DEMO_PORT:-47000}
"./$pasta_build/tavo-prepara-demo" --escola tests/data/escola_uma.mdb --port "$porta" --ports 3

# The reference upload server on loopback, stopped when the client exits.
recebidos="$TAVO_ROOT/recebidos"
registro="$TAVO_ROOT/servidor.log"
"./$pasta_build/tavo-upload-server" --port "$porta" --ports 3 --dir "$recebidos" >"$registro" 2>&1 &
servidor=$!
encerra_servidor() {
    kill "$servidor" 2>/dev/null || true
    wait "$servidor" 2>/dev/null || true
}
trap encerra_servidor EXIT
trap 'exit 130' INT TERM

for _ in $(seq 50); do
    grep -q "listening on" "$registro" 2>/dev/null && break
    if ! kill -0 "$servidor" 2>/dev/null; then
        echo "The upload server did not start:" >&2
        cat "$registro" >&2
        exit 1
    fi
    sleep 0.1
done
echo "Upload server on 127.0.0.1, ports $porta-$((porta + 2)); packages arrive in $recebidos (log: $registro)."

"./$pasta_build/tavo-upload"

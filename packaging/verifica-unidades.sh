#!/bin/sh
# Checks the systemd units as systemd itself reads them: the user units of the
# examples in a user's manager, the server's unit in the system's. The
# programs they run are the ones just built, put in place of /usr/bin's, so
# that the check needs nothing installed. Any complaint fails, warnings
# included (systemd-analyze reports an unknown key yet exits 0).
#   verifica-unidades.sh <systemd-analyze> <tavo-upload-cli> <tavo-upload-server> <examples> <debian>
set -eu
analyze=$1 cli=$2 servidor=$3 exemplos=$4 debian=$5

pasta=$(mktemp -d)
trap 'rm -rf "$pasta"' EXIT
mkdir -m 700 "$pasta/run"
for unidade in "$exemplos"/*.service "$exemplos"/*.timer "$debian"/*.service; do
    sed -e "s|/usr/bin/tavo-upload-cli|$cli|g" -e "s|/usr/bin/tavo-upload-server|$servidor|g" \
        "$unidade" >"$pasta/$(basename "$unidade")"
done

falhas=0
verifica() {
    if ! saida=$("$@" 2>&1) || [ -n "$saida" ]; then
        printf '%s\n' "$saida"
        falhas=1
    fi
}
verifica env XDG_RUNTIME_DIR="$pasta/run" "$analyze" --user --man=no verify \
    "$pasta/tavo-upload-envio.service" "$pasta/tavo-upload-envio.timer"
verifica "$analyze" --man=no verify "$pasta/tavo-upload-server.service"
exit $falhas

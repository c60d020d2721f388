#!/usr/bin/env bash
# Checks the portable edition as an office gets it: the zip made by
# scripts/windows/build.sh unpacked on a fresh Wine prefix, with nothing of
# the build within reach (no WINEPATH), the school database at
# c:\inetpub\wwwroot\tavo. Each program is started, the console configures,
# generates and sends to the zip's own server on 127.0.0.1, and what
# actually loaded is read from Wine's list of loaded DLLs: Qt falls back
# quietly when a style or an image plugin is missing, so "it started" is not
# enough.
set -euo pipefail
cd "$(dirname "$0")/../.."
pasta=build-windows
zip=$(ls "$pasta"/tavo-upload-*-windows-x64.zip 2>/dev/null | head -1)
if [ -z "$zip" ]; then
    echo "No portable zip in $pasta: run scripts/windows/build.sh first." >&2
    exit 2
fi

export WINEPREFIX="$PWD/$pasta/wine-distribuicao"
export WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEPATH
wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
WINEDEBUG=-all timeout 300 wineboot -i >/dev/null 2>&1
WINEDEBUG=-all timeout 120 wineserver -w
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

c="$WINEPREFIX/drive_c"
python3 -m zipfile -e "$zip" "$c/"
programa="$c/TAVO Upload"
mkdir -p "$c/inetpub/wwwroot/tavo/Arquivo_gerado"
cp tests/data/escola_uma.mdb "$c/inetpub/wwwroot/tavo/mirv_dat.mdb"
registro="$pasta/distribuicao"
rm -rf "$registro"
mkdir -p "$registro"

falhas=0
falha() {
    echo "FALHOU: $*" >&2
    falhas=$((falhas + 1))
}
# Whether the DLL `nome` was loaded from the edition's own folder.
carregou() {
    grep -qi "Loaded L\"C:\\\\\\\\TAVO Upload\\\\\\\\.*$1\"" "$2"
}

# The reference server, from the zip, on a port the system picks.
WINEDEBUG=-all timeout 300 wine "$programa/tavo-upload-server.exe" --address 127.0.0.1 --port 0 \
    --dir 'C:\recebidos' >"$registro/servidor.txt" 2>&1 &
porta=
for _ in $(seq 1 120); do
    porta=$(sed -n 's/.*listening on 127.0.0.1 port(s) \([0-9]*\).*/\1/p' "$registro/servidor.txt" | head -1)
    [ -n "$porta" ] && break
    sleep 0.5
done
[ -n "$porta" ] || { cat "$registro/servidor.txt" >&2; echo "The server did not start." >&2; exit 1; }

# The console: each command with the DLLs it loaded.
console() {
    local nome=$1
    shift
    if ! WINEDEBUG=+loaddll timeout 300 wine "$programa/tavo-upload-cli.exe" "$@" \
        >"$registro/$nome.txt" 2>"$registro/$nome.dll.txt"; then
        falha "tavo-upload-cli $* (see $registro/$nome.txt)"
    fi
}
console configurar configurar --ip 127.0.0.1 --portas 1 --porta-inicial "$porta"
console gerar gerar
console enviar enviar --tipo anual
console diagnostico diagnostico
for dll in qsqlite.dll libsqlite3-0.dll libzip.dll libmdb-3.dll; do
    carregou "$dll" "$registro/gerar.dll.txt" || falha "gerar did not load $dll from the edition"
done
for dll in tavo-rede.dll Qt6Network.dll; do
    carregou "$dll" "$registro/enviar.dll.txt" || falha "enviar did not load $dll from the edition"
done
carregou tavo-impressao.dll "$registro/diagnostico.dll.txt" || falha "the printer module does not load"
grep -q "módulos: carregados" "$registro/diagnostico.txt" || falha "diagnostico: the modules did not load"
ls "$c/inetpub/wwwroot/tavo/Arquivo_gerado/"*.zip >/dev/null 2>&1 || falha "gerar made no package"
grep -rqs "file complete" "$registro/servidor.txt" || falha "the server did not receive the package whole"
grep -qs "pasta do programa: C:/TAVO Upload (padrão: arquivo portatil" "$registro/diagnostico.txt" \
    || falha "the portable edition does not keep its data in its own folder"

# The window, on an X server of its own, for as long as it takes to show.
# Its title bar icon is the .exe's own: the SVG icon plugin is not loaded at
# the start, and only its file is checked.
WINEDEBUG=+loaddll timeout 120 xvfb-run -a -s "-screen 0 1280x1024x24" \
    wine "$programa/tavo-upload.exe" >"$registro/janela.txt" 2>"$registro/janela.dll.txt" &
janela=$!
for _ in $(seq 1 120); do
    carregou qsqlite.dll "$registro/janela.dll.txt" && break
    sleep 0.5
done
sleep 2
wineserver -k >/dev/null 2>&1 || true
wait "$janela" 2>/dev/null || true
[ -f "$programa/plugins/iconengines/qsvgicon.dll" ] || falha "the SVG icon plugin is missing"
for dll in qwindows.dll qwindowsvistastyle.dll qsvg.dll qsqlite.dll Qt6Widgets.dll; do
    carregou "$dll" "$registro/janela.dll.txt" || falha "the window did not load $dll from the edition"
done

if [ "$falhas" -ne 0 ]; then
    echo "The portable edition failed $falhas check(s); Wine's lists of loaded DLLs are in $registro." >&2
    exit 1
fi
echo "The portable edition, unpacked on a fresh Wine prefix: the window starts, gerar and enviar work, and the plugins and modules they use load from its own folder."

#!/usr/bin/env bash
# Builds the Windows installer, build-windows/tavo-upload-<versão>-x64.msi,
# from the edition scripts/windows/build.sh assembled in
# build-windows/dist/TAVO Upload/, with msitools' wixl and
# packaging/windows/tavo-upload.wxs. It installs the edition's folder
# without the file `portatil` (the installed edition keeps its data in
# %ProgramData%\TAVO Upload\Dados) and without the reference server, which
# stays in the zip.
#
# The MSI's version is <versão>.N, N the build number: TAVO_BUILD when set,
# else the number of commits of the checked-out branch, so that every newer
# build of a version upgrades the installed one. The file name keeps the
# version alone. An argument names another output file.
set -euo pipefail
cd "$(dirname "$0")/../.."
pasta=build-windows
dist="$pasta/dist/TAVO Upload"
icone="$pasta/src/icone/tavo-upload.ico"
if [ ! -f "$dist/tavo-upload.exe" ] || [ ! -f "$icone" ]; then
    echo "No Windows edition in $dist: run scripts/windows/build.sh first." >&2
    exit 2
fi

versao=$(sed -n 's/^project(TavoUpload VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
numero=${TAVO_BUILD:-$(git rev-list --count HEAD 2>/dev/null || true)}
# The build field of an MSI version is at most 65535.
if ! [[ "$numero" =~ ^[0-9]{1,5}$ ]] || [ "$numero" -gt 65535 ]; then
    echo "No build number: set TAVO_BUILD to a whole number from 0 to 65535 (outside a git checkout)." >&2
    exit 2
fi
saida=${1:-$pasta/tavo-upload-$versao-x64.msi}

trabalho="$pasta/msi"
rm -rf "$trabalho"
mkdir -p "$trabalho" "$(dirname "$saida")"
# The programs' components, one file each, named and given their GUID from
# their path (the same in every build).
(cd "$dist" && find . -type f ! -name portatil ! -name tavo-upload-server.exe | sed 's|^\./||' | LC_ALL=C sort) \
    | wixl-heat --prefix "" --directory-ref INSTALLDIR --component-group Programas --var var.Origem --win64 \
        >"$trabalho/programas.wxs"
rm -f "$saida"
wixl -a x64 -D Win64=yes -D "Versao=$versao.$numero" -D "Origem=$dist" -D "Exemplos=$dist/exemplos" \
    -D Dados=data -D "Icone=$icone" -o "$saida" packaging/windows/tavo-upload.wxs "$trabalho/programas.wxs"
# What wixl cannot write: the machine's files are permanent (16) and never
# overwritten when present (128), the data folder permanent; 256 is x64.
msibuild "$saida" \
    -q "UPDATE \`Component\` SET \`Attributes\` = 400 WHERE \`Component\` = 'ConfiguracaoMaquina'" \
    -q "UPDATE \`Component\` SET \`Attributes\` = 400 WHERE \`Component\` = 'EscritoriosRegionais'" \
    -q "UPDATE \`Component\` SET \`Attributes\` = 272 WHERE \`Component\` = 'PastaDados'"
echo "$saida"

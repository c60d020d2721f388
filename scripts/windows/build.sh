#!/usr/bin/env bash
# Cross-builds the 64-bit Windows edition on Debian into build-windows/ and
# assembles the portable edition and the installer:
#   build-windows/dist/TAVO Upload/               the folder the programs run from
#   build-windows/tavo-upload-<versão>-windows-x64.zip   the same, zipped
#   build-windows/tavo-upload-<versão>-x64.msi    the installer (scripts/windows/msi.sh;
#                                                 TAVO_BUILD gives its build number)
#
# TAVO_WIN_PREFIX names the MinGW-w64 prefix (Qt 6.4.2 and the libraries; see
# the README's "Windows" section): its unpacked folder (the one holding
# mingw64.cmake) or its .tar.xz, unpacked into build-windows/prefix.
# Extra arguments go to CMake. TAVO_ALVOS, when set, names the only targets.
set -euo pipefail
cd "$(dirname "$0")/../.."

if [ -z "${TAVO_WIN_PREFIX:-}" ]; then
    echo "TAVO_WIN_PREFIX is not set: name the Windows build prefix (its folder or its .tar.xz)." >&2
    exit 2
fi

# The host's tools: the cross compiler, Qt's host tools of the prefix's Qt
# version (6.4.2), Ninja, Qt's translations, an .ico maker, msitools' MSI
# builder and reader, Wine and Xvfb for scripts/windows/test.sh.
./scripts/install-deps.sh g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools \
    libz-mingw-w64-dev qt6-base-dev-tools ninja-build qt6-translations-l10n icoutils zip \
    wixl msitools wine wine64 xvfb

pasta=build-windows
mkdir -p "$pasta"

# The prefix: a folder as it is, or the archive unpacked once per archive.
if [ -d "$TAVO_WIN_PREFIX" ]; then
    prefixo=$(cd "$TAVO_WIN_PREFIX" && pwd)
    [ -f "$prefixo/mingw64.cmake" ] || prefixo="$prefixo/prefix"
elif [ -f "$TAVO_WIN_PREFIX" ]; then
    if [ -f "$TAVO_WIN_PREFIX.sha256" ]; then
        (cd "$(dirname "$TAVO_WIN_PREFIX")" && sha256sum --quiet -c "$(basename "$TAVO_WIN_PREFIX").sha256")
    fi
    marca=$(sha256sum "$TAVO_WIN_PREFIX" | cut -c1-64)
    if [ "$(cat "$pasta/prefixo/.marca" 2>/dev/null || true)" != "$marca" ]; then
        rm -rf "$pasta/prefixo"
        mkdir -p "$pasta/prefixo"
        tar -xJf "$TAVO_WIN_PREFIX" -C "$pasta/prefixo"
        echo "$marca" >"$pasta/prefixo/.marca"
    fi
    prefixo=$(cd "$pasta/prefixo/prefix" && pwd)
else
    echo "TAVO_WIN_PREFIX=$TAVO_WIN_PREFIX is neither a folder nor a file." >&2
    exit 2
fi
if [ ! -f "$prefixo/mingw64.cmake" ]; then
    echo "No mingw64.cmake in the Windows prefix $prefixo." >&2
    exit 2
fi

# moc, rcc and uic run on the host and must be the prefix's Qt version.
versao_qt=$(sed -n 's/.*PACKAGE_VERSION "\([0-9.]*\)".*/\1/p' "$prefixo/lib/cmake/Qt6Core/Qt6CoreConfigVersionImpl.cmake" \
    "$prefixo/lib/cmake/Qt6Core/Qt6CoreConfigVersion.cmake" 2>/dev/null | head -1)
versao_host=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools | sed 's/[+~-].*//')
if [ -n "$versao_qt" ] && [ "$versao_qt" != "$versao_host" ]; then
    echo "The prefix's Qt is $versao_qt but the host's tools (qt6-base-dev-tools) are $versao_host." >&2
    exit 2
fi

cmake -G Ninja -S . -B "$pasta" \
    -DCMAKE_TOOLCHAIN_FILE="$prefixo/mingw64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_CROSSCOMPILING_EMULATOR=wine \
    -DCMAKE_BUILD_TYPE=Release -DTAVO_BENCH=OFF \
    "$@" >/dev/null
alvos=()
for alvo in ${TAVO_ALVOS:-}; do
    alvos+=(--target "$alvo")
done
cmake --build "$pasta" -j"$(nproc)" "${alvos[@]}"
[ -n "${TAVO_ALVOS:-}" ] && exit 0

# The portable edition. Everything it holds is named here: Qt falls back
# quietly when a plugin is missing, so nothing is copied by pattern.
versao=$(sed -n 's/^project(TavoUpload VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
dist="$pasta/dist/TAVO Upload"
rm -rf "$pasta/dist"
mkdir -p "$dist"
programas=(tavo-upload.exe tavo-upload-cli.exe tavo-leitor-jet.exe tavo-upload-server.exe
    tavo-rede.dll tavo-impressao.dll)
bibliotecas=(Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6Network.dll Qt6Sql.dll Qt6PrintSupport.dll Qt6Svg.dll
    libsqlite3-0.dll libzip.dll libmdb-3.dll zlib1.dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
plugins=(platforms/qwindows.dll platforms/qoffscreen.dll sqldrivers/qsqlite.dll imageformats/qsvg.dll
    iconengines/qsvgicon.dll styles/qwindowsvistastyle.dll)
for arquivo in "${programas[@]}"; do
    cp "$pasta/$arquivo" "$dist/"
done
for arquivo in "${bibliotecas[@]}"; do
    cp "$prefixo/bin/$arquivo" "$dist/"
done
for arquivo in "${plugins[@]}"; do
    mkdir -p "$dist/plugins/$(dirname "$arquivo")"
    cp "$prefixo/plugins/$arquivo" "$dist/plugins/$arquivo"
done
mkdir -p "$dist/translations"
cp /usr/share/qt6/translations/qtbase_pt_BR.qm "$dist/translations/"
printf '[Paths]\r\nPlugins=plugins\r\nTranslations=translations\r\n' >"$dist/qt.conf"
# The portable edition keeps its data in its own folder.
: >"$dist/portatil"
# The fleet's tools: the machine configuration and the nightly task as
# examples, the Group Policy templates. Text Windows' own tools read gets
# CRLF line ends.
mkdir -p "$dist/exemplos" "$dist/politicas/pt-BR" "$dist/politicas/en-US"
for arquivo in tavo-upload.conf tavo-upload-envio.cmd; do
    sed 's/\r*$/\r/' "packaging/windows/exemplos/$arquivo" >"$dist/exemplos/$arquivo"
done
cp packaging/windows/exemplos/tavo-upload-envio.xml "$dist/exemplos/"
cp packaging/windows/politicas/tavo-upload.admx "$dist/politicas/"
for idioma in pt-BR en-US; do
    cp "packaging/windows/politicas/$idioma/tavo-upload.adml" "$dist/politicas/$idioma/"
done

zip_final="$pasta/tavo-upload-$versao-windows-x64.zip"
rm -f "$zip_final"
(cd "$pasta/dist" && zip -qr -X "../$(basename "$zip_final")" "TAVO Upload")
echo "$zip_final"
scripts/windows/msi.sh

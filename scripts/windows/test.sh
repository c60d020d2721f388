#!/usr/bin/env bash
# Runs the Windows edition's tests, built by scripts/windows/build.sh into
# build-windows/, under Wine: a Wine prefix of their own
# (build-windows/wine), Wine silent, and one X server (Xvfb) for Windows'
# own platform. Prints ctest's summary and fails when a test fails. Then,
# on a whole run, the portable zip and the installer are checked on fresh
# Wine prefixes (confere-distribuicao.sh, confere-msi.sh). Extra arguments
# go to ctest (-R tst_log, say) and skip those checks.
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

# The tests put drive c: in a folder of their own (TAVO_DRIVE_C): their
# temporary files lie on another drive (Z:, the host's /), so that a file
# chosen there is never taken for one of c:. Wine takes TEMP from the
# prefix's registry, not from the environment.
temporarios="$PWD/$pasta/temporarios"
mkdir -p "$temporarios"
for variavel in TEMP TMP; do
    timeout 60 wine reg add 'HKCU\Environment' /v "$variavel" /t REG_EXPAND_SZ \
        /d "Z:${temporarios//\//\\}" /f >/dev/null
done

# Windows' own fonts the windows ask for, by Linux's metric-compatible ones
# (fonts-liberation2), as a Windows PC has them.
for par in "Courier New=Liberation Mono" "Arial=Liberation Sans" "Times New Roman=Liberation Serif"; do
    timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${par%%=*}" /t REG_SZ \
        /d "${par#*=}" /f >/dev/null
done

# The setup above ran without a display: its Wine session ends here, so the
# tests' session makes its desktop on Xvfb.
wineserver -k >/dev/null 2>&1 || true
timeout 60 wineserver -w || true

# One Wine session for the whole run, started here with its output going
# nowhere: the services Wine starts with a session inherit the output of the
# program that started it, and ctest would wait on a test whose output they
# hold for as long as other tests keep the session alive. A test that fails
# is run once more (Wine on a loaded machine misses some time bounds): one
# that fails twice fails the run, and ctest lists every repeat.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    wineserver -p
    timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1
    ctest --test-dir "$0" --output-on-failure -j2 --timeout 600 --repeat until-pass:2 "$@"' "$pasta" "$@"
wineserver -k >/dev/null 2>&1 || true
if [ $# -eq 0 ]; then
    scripts/windows/confere-distribuicao.sh
    scripts/windows/confere-msi.sh
fi

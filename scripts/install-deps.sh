#!/usr/bin/env bash
# Installs the Debian packages the client, its tests and tools need, only the
# ones that are missing. Safe to run again. Packages named as arguments are
# installed too (scripts/package.sh adds its own).
set -euo pipefail

pacotes=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite qt6-translations-l10n
    # Qt's private Gui headers: the tests turn the platform's accessibility on
    qt6-base-private-dev
    # Qt's SVG plugins: the window's pictures are SVG
    libqt6svg6
    libgl-dev libvulkan-dev libxkbcommon-dev
    libsqlite3-dev sqlite3
    libzip-dev zipcmp zipmerge ziptool zip unzip
    # the second anchor of the benchmarks' package figure (bench/run.sh, P1)
    pigz
    mdbtools-dev mdbtools libglib2.0-dev
    fonts-liberation2 fonts-dejavu-core
    poppler-utils
    # a private print server and PDF queue for the test that prints through a real default printer
    cups printer-driver-cups-pdf
    # clang and its runtime for the libFuzzer targets of fuzz/; the format check
    clang libclang-rt-14-dev clang-format
    # the application icon's PNG sizes; the checks of the launcher, the
    # AppStream metadata and the manuals
    librsvg2-bin desktop-file-utils appstream man-db
    # the check of the Debian packages (scripts/package.sh --lintian)
    lintian
    # the proxies the transfer's tests send through: SOCKS5 and HTTP CONNECT,
    # run by the tests themselves on loopback (tinyproxy's service is stopped
    # and disabled below)
    microsocks
    tinyproxy
    "$@"
)

faltando=()
for p in "${pacotes[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        faltando+=("$p")
    fi
done

if [ ${#faltando[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing missing packages: ${faltando[*]}"
if [ "$(id -u)" -eq 0 ]; then
    sudo_cmd=()
elif command -v sudo >/dev/null 2>&1; then
    sudo_cmd=(sudo)
else
    echo "These packages are missing and this user can't install them (not root, no sudo): ${faltando[*]}" >&2
    echo "Ask an administrator to run: apt-get install ${faltando[*]}" >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${faltando[@]}"

# tinyproxy's package starts a system service on install: the tests run
# their own, on ports of their own, and the machine needs no open proxy.
# Never a reason to fail.
for p in "${faltando[@]}"; do
    if [ "$p" = tinyproxy ]; then
        if [ -d /run/systemd/system ]; then
            "${sudo_cmd[@]}" systemctl disable --now tinyproxy >/dev/null 2>&1 || true
        else
            "${sudo_cmd[@]}" service tinyproxy stop >/dev/null 2>&1 \
                || "${sudo_cmd[@]}" invoke-rc.d tinyproxy stop >/dev/null 2>&1 || true
            "${sudo_cmd[@]}" update-rc.d tinyproxy disable >/dev/null 2>&1 || true
        fi
    fi
done

#!/usr/bin/env bash
# Installs what is missing, builds a release (no tests, no benchmarks) and
# writes the Debian packages into build-package/ (TAVO_BUILD names another
# folder):
#   tavo-upload_<version>_<arch>.deb         the window, the console and the Jet reader
#   tavo-upload-server_<version>_<arch>.deb  the reference upload server
# Install the client with: apt install ./build-package/tavo-upload_*.deb
# With --lintian the packages are then checked by lintian, and any error or
# warning fails the script (CI runs it so).
set -euo pipefail
cd "$(dirname "$0")/.."

pasta=${TAVO_BUILD:-build-package}
lintian=0
for argumento in "$@"; do
    case $argumento in
    --lintian) lintian=1 ;;
    *)
        echo "usage: $0 [--lintian]" >&2
        exit 2
        ;;
    esac
done

# dpkg-shlibdeps (dpkg-dev) finds the libraries the programs need; file
# tells it which files are programs.
./scripts/install-deps.sh dpkg-dev file

# Debian's hardening, as its own packages are built: stack protector,
# fortified functions, read-only relocations bound at start, for the
# programs and for the modules they load (tavo-rede.so, tavo-impressao.so).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
ldflags=$(dpkg-buildflags --get LDFLAGS)

# Installed under /usr: the programs are built to look for their helper
# there (<libexecdir>/tavo-upload/).
cmake -S . -B "$pasta" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags" \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" \
    -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" \
    -DBUILD_TESTING=OFF \
    -DTAVO_BENCH=OFF >/dev/null
cmake --build "$pasta" -j"$(nproc)"

# Only this build's packages are left in the folder.
rm -f "$pasta"/*.deb
(cd "$pasta" && cpack -G DEB >/dev/null)

for deb in "$pasta"/*.deb; do
    echo "$deb"
    dpkg-deb --field "$deb" Package Version Architecture Depends | sed 's/^/    /'
done

if [ $lintian -eq 1 ]; then
    # Debian's default profile; the overrides shipped in the packages, each
    # with its reason, are honoured.
    echo "lintian:"
    lintian --fail-on error,warning "$pasta"/*.deb
    echo "    no error, no warning"
fi

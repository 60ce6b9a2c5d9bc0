#!/usr/bin/env bash
# Builds Qt Core, Network and Test for 64-bit Windows (MinGW-w64, posix threads) from Debian's own
# qt6-base source, as shared libraries, into a cache folder outside the checkout that later runs
# reuse. Prints the install prefix on its last line.
#   scripts/windows-qt.sh
set -euo pipefail
source "$(dirname "$0")/lib.sh"

qt_version=6.4.2
cache_root=${KESTROVA_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kestrova}
prefix=$cache_root/qt-$qt_version-mingw64
work=$cache_root/qt-$qt_version-mingw64-build

if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

ensure_packages cmake ninja-build qt6-base-dev qt6-base-dev-tools dpkg-dev xz-utils \
    g++-mingw-w64-x86-64-posix mingw-w64-tools

# Debian's source of the same archive the binary packages come from.
if ! apt-get source --print-uris qt6-base >/dev/null 2>&1; then
    [ "$(id -u)" -eq 0 ] || { echo "Please add a deb-src entry for Debian's archive" >&2; exit 1; }
    sed -e 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
        >/etc/apt/sources.list.d/kestrova-deb-src.sources
    apt-get update -qq >/dev/null
fi

rm -rf "$work"
mkdir -p "$work"
# Debian's patches applied, as in Debian's own build.
(cd "$work" && apt-get source -qq -o APT::Sandbox::User=root --download-only qt6-base >/dev/null &&
    dpkg-source -x qt6-base_*.dsc source >/dev/null)

host_prefix=$(qmake6 -query QT_HOST_PREFIX)
host_libs=$(qmake6 -query QT_HOST_LIBS)

off=(gui widgets opengl vulkan dbus sql xml concurrent printsupport ssl openssl schannel icu glib
    zstd brotli libproxy pkg_config androiddeployqt system_zlib system_pcre2 system_doubleconversion)
features=()
for feature in "${off[@]}"; do features+=("-DFEATURE_$feature=OFF"); done

cmake -S "$work/source" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$repo_root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH="$host_prefix" -DQT_HOST_PATH_CMAKE_DIR="$host_libs/cmake" \
    -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_network=ON -DFEATURE_testlib=ON "${features[@]}" >"$work/configure.log" 2>&1 ||
    { tail -n 40 "$work/configure.log" >&2; exit 1; }
cmake --build "$work/build" -j "$(nproc)" >"$work/build.log" 2>&1 ||
    { tail -n 40 "$work/build.log" >&2; exit 1; }
cmake --install "$work/build" >/dev/null
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"

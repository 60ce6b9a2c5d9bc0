#!/usr/bin/env bash
# Checks a packed MCP bundle against the Windows package and the manifest it was packed from:
# the manifest passes `mcpb validate` and is the one given, the bundle holds every file of the
# package under server/ with the same bytes and nothing else, and kestrova-mcp.exe keeps its
# execute bit.
#   scripts/checkBundle.sh MCPB ZIP MANIFEST
set -euo pipefail
source "$(dirname "$0")/lib.sh"

if [ $# -ne 3 ]; then
    echo "usage: scripts/checkBundle.sh MCPB ZIP MANIFEST" >&2
    exit 2
fi
bundle_file=$(realpath "$1")
zip_file=$(realpath "$2")
manifest=$(realpath "$3")

ensure_mcpb
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
"$mcpb" unpack "$bundle_file" "$unpacked" >/dev/null
"$mcpb" validate "$unpacked/manifest.json"

python3 - "$bundle_file" "$zip_file" "$manifest" <<'PYTHON'
import json, stat, sys, zipfile
bundle_path, package_path, manifest_path = sys.argv[1:4]
problems = []
with zipfile.ZipFile(bundle_path) as bundle, zipfile.ZipFile(package_path) as package:
    packed = {info.filename: info for info in bundle.infolist() if not info.is_dir()}
    expected = {"manifest.json"} | {"server/" + name for name in package.namelist()}
    if set(packed) != expected:
        problems.append(f"missing {sorted(expected - set(packed))}, "
                        f"not expected {sorted(set(packed) - expected)}")
    for name in package.namelist():
        if "server/" + name in packed and bundle.read("server/" + name) != package.read(name):
            problems.append(f"server/{name} differs from the package's {name}")
    if not any(name.lower().endswith(".dll") for name in package.namelist()):
        problems.append("the package holds no DLL")
    exe = packed.get("server/kestrova-mcp.exe")
    if exe is None or not (exe.external_attr >> 16) & stat.S_IXUSR:
        problems.append("server/kestrova-mcp.exe is missing or not executable")
    if "manifest.json" in packed:
        with open(manifest_path, encoding="utf-8") as given:
            if json.loads(bundle.read("manifest.json")) != json.load(given):
                problems.append("manifest.json is not the one given")
for problem in problems:
    print(f"{bundle_path}: {problem}", file=sys.stderr)
if problems:
    sys.exit(1)
dlls = sum(1 for name in expected if name.lower().endswith(".dll"))
print(f"{bundle_path}: manifest valid, kestrova-mcp.exe executable, {dlls} DLLs, nothing extra")
PYTHON

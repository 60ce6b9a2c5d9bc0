#!/usr/bin/env bash
# Packs the MCP bundle (.mcpb) for one-click install from the Windows package, on Linux, where
# the packed server keeps its execute bit, then checks the bundle (scripts/checkBundle.sh).
#   scripts/bundle.sh ZIP MANIFEST OUT_DIR
# ZIP is the Windows package (kestrova-mcp.exe and its DLLs at its root), MANIFEST the
# manifest.json the build wrote (BUILD_DIR/bundle/manifest.json). The bundle is written to
# OUT_DIR under the package's name: kestrova-mcp-1.4.6-windows-x64.zip gives
# kestrova-mcp-1.4.6-windows-x64.mcpb.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

if [ $# -ne 3 ]; then
    echo "usage: scripts/bundle.sh ZIP MANIFEST OUT_DIR" >&2
    exit 2
fi
zip_file=$(realpath "$1")
manifest=$(realpath "$2")
mkdir -p "$3"
out_dir=$(realpath "$3")
bundle_file=$out_dir/$(basename "$zip_file" .zip).mcpb

ensure_mcpb
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT

# The package's files go into server/, as they are: a flat folder with the program at its root.
python3 - "$zip_file" "$staging/server" <<'PYTHON'
import sys, zipfile
package, target = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(package) as archive:
    names = archive.namelist()
    nested = [name for name in names if "/" in name.rstrip("/") or name.endswith("/")]
    if nested or "kestrova-mcp.exe" not in names:
        sys.exit(f"{package}: expected kestrova-mcp.exe and its DLLs at the root, "
                 f"found {names}")
    archive.extractall(target)
PYTHON
chmod 644 "$staging"/server/*
chmod 755 "$staging/server/kestrova-mcp.exe"
cp "$manifest" "$staging/manifest.json"

"$mcpb" validate "$staging/manifest.json"
rm -f "$bundle_file"
"$mcpb" pack "$staging" "$bundle_file"
bash "$repo_root/scripts/checkBundle.sh" "$bundle_file" "$zip_file" "$manifest"

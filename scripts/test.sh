#!/usr/bin/env bash
# Checks the formatting, sets up everything and runs all the tests: the test suite, the same
# suite built for Windows and run under Wine (with the Windows package checked), the suite built
# with the address and undefined-behaviour sanitizers, and each fuzz target for a minute.
#   scripts/test.sh [BUILD_DIR]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build_dir=${1:-$repo_root/build}
bash "$repo_root/scripts/check-format.sh"

# The client configuration test and the bundle scripts use Python; the MCP SDK client tests run
# on Node.js 20 or later. Both are found when the build is configured.
ensure_packages python3
ensure_node
build_project "$build_dir" -DKESTROVA_WARNINGS_AS_ERRORS=ON

# The packages of the SDK client tests' and the bundle tool's lock files.
(cd "$repo_root/tests/sdk" && npm ci --no-audit --no-fund --loglevel=error)
(cd "$repo_root/tests/sdk2" && npm ci --no-audit --no-fund --loglevel=error)
# The MCP bundle tool that packs and checks the .mcpb.
(cd "$repo_root/bundle" && npm ci --no-audit --no-fund --loglevel=error)
ctest --test-dir "$build_dir" --output-on-failure --timeout 600

bash "$repo_root/scripts/windows.sh" "$build_dir-windows"
# The MCP bundle for one-click install, packed from the Windows package and checked.
bash "$repo_root/scripts/bundle.sh" "$build_dir-windows"/package/kestrova-mcp-*-windows-x64.zip \
    "$build_dir/bundle/manifest.json" "$build_dir-windows/package"

bash "$repo_root/scripts/sanitize.sh" "$build_dir-sanitize"
bash "$repo_root/scripts/fuzz.sh" "$build_dir-fuzz" 60

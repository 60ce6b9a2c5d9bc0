#!/usr/bin/env bash
# Checks the formatting, sets up everything and runs all the tests: the test suite, the same
# suite built for Windows and run under Wine (with the Windows package checked), the suite built
# with the address and undefined-behaviour sanitizers, and each fuzz target for a minute.
#   scripts/test.sh [BUILD_DIR]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build_dir=${1:-$repo_root/build}
bash "$repo_root/scripts/check-format.sh"

build_project "$build_dir" -DKESTROVA_WARNINGS_AS_ERRORS=ON

# The MCP SDK client test runs on Node.js with the packages of its lock file.
command -v npm >/dev/null || ensure_packages nodejs npm
(cd "$repo_root/tests/sdk" && npm ci --no-audit --no-fund --loglevel=error)
ctest --test-dir "$build_dir" --output-on-failure --timeout 600

bash "$repo_root/scripts/windows.sh" "$build_dir-windows"

bash "$repo_root/scripts/sanitize.sh" "$build_dir-sanitize"
bash "$repo_root/scripts/fuzz.sh" "$build_dir-fuzz" 60

#!/usr/bin/env bash
# Sets up everything and runs all the tests.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build_dir=${1:-$repo_root/build}

build_project "$build_dir" -DKESTROVA_WARNINGS_AS_ERRORS=ON

# The MCP SDK client test runs on Node.js with the packages of its lock file.
command -v npm >/dev/null || ensure_packages nodejs npm
(cd "$repo_root/tests/sdk" && npm ci --no-audit --no-fund --loglevel=error)
ctest --test-dir "$build_dir" --output-on-failure --timeout 600

#!/usr/bin/env bash
# Builds the whole project and its tests with AddressSanitizer (leak checks included) and
# UndefinedBehaviorSanitizer, and runs the tests. Any finding fails the run.
# Usage: scripts/sanitize.sh [BUILD_DIR]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build_dir=${1:-$repo_root/build-sanitize}

ensure_packages clang libclang-rt-dev
build_project "$build_dir" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DKESTROVA_SANITIZE=ON \
    -DKESTROVA_WARNINGS_AS_ERRORS=ON

# The MCP SDK client tests run on Node.js with the packages of their lock files.
ensure_node
(cd "$repo_root/tests/sdk" && npm ci --no-audit --no-fund --loglevel=error)
(cd "$repo_root/tests/sdk2" && npm ci --no-audit --no-fund --loglevel=error)

# The soak and fault runs are shortened: their full length is the plain build's.
# AddressSanitizer holds freed memory back to catch late uses, so resident memory grows there
# by design: the tests' memory limits are the plain build's to hold, and LeakSanitizer checks
# for leaks at the end of every process instead.
export KESTROVA_SOAK_CALLS=5000 KESTROVA_FAULT_CALLS=300 KESTROVA_MEMORY_ALLOWANCE_KIB=1048576
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build_dir" --output-on-failure --timeout 600

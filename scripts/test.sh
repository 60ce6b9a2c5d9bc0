#!/usr/bin/env bash
# Sets up everything and runs all the tests.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build_dir=${1:-$repo_root/build}

build_project "$build_dir" -DKESTROVA_WARNINGS_AS_ERRORS=ON
ctest --test-dir "$build_dir" --output-on-failure --timeout 600

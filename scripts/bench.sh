#!/usr/bin/env bash
# Builds (RelWithDebInfo) and runs the benchmark: the server beside a bare relay, a bare Qt
# program, a line echo and the editor socket itself. Extra arguments go to kestrova-bench
# (e.g. --quick for a smoke run in seconds).
#
# To profile one case, run the server under callgrind and feed it the case's lines, e.g.:
#   valgrind --tool=callgrind --callgrind-out-file=callgrind.out build/app/kestrova-mcp < lines.jsonl
#   callgrind_annotate callgrind.out | head -40
# (for tool calls, start build/standin/kestrova-standin --name NAME first and set KESTROVA_AI_PIPE=NAME).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build_dir=${1:-$repo_root/build}
shift || true

build_project "$build_dir" -DKESTROVA_BUILD_BENCH=ON -DKESTROVA_BUILD_STANDIN=ON
exec timeout 900 "$build_dir/bench/kestrova-bench" "$@"

#!/usr/bin/env bash
# Sets up everything and runs the program's main job: a short MCP conversation with the server,
# against the stand-in editor when the real Kestrova is not here.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build_dir=${1:-$repo_root/build}

build_project "$build_dir"
exec bash "$repo_root/scripts/demo.sh" "$build_dir"

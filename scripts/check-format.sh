#!/usr/bin/env bash
# Fails, listing them, when clang-format would change any C or C++ file git tracks.
# Usage: scripts/check-format.sh
set -euo pipefail
source "$(dirname "$0")/lib.sh"

command -v clang-format >/dev/null || ensure_packages clang-format

cd "$repo_root"
unformatted=()
while IFS= read -r -d '' file; do
    clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done < <(git ls-files -z -- '*.c' '*.cpp' '*.h')

if [ ${#unformatted[@]} -gt 0 ]; then
    echo "clang-format would change these files (run clang-format -i on them):" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
fi

#!/usr/bin/env bash
# Builds the libFuzzer targets with AddressSanitizer and UndefinedBehaviorSanitizer and runs each
# for a while on a copy of its seed corpus. Any crash, leak or failed check fails the run; the
# input that caused it is left in the build directory.
# Usage: scripts/fuzz.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build_dir=${1:-$repo_root/build-fuzz}
seconds=${2:-60}
targets=(fuzz_message fuzz_editor_reply)
max_len=$((1024 * 1024))

ensure_packages clang libclang-rt-dev
build_project "$build_dir" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DKESTROVA_BUILD_FUZZERS=ON -DKESTROVA_BUILD_TESTS=OFF -DKESTROVA_BUILD_STANDIN=OFF \
    -DKESTROVA_BUILD_BENCH=OFF -DKESTROVA_WARNINGS_AS_ERRORS=ON

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
for target in "${targets[@]}"; do
    work="$build_dir/fuzz-runs/$target"
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/artifacts"
    cp "$repo_root/fuzz/corpus/$target/"* "$work/corpus/"
    echo "Fuzzing $target for $seconds s ..."
    if ! timeout $((seconds + 120)) "$build_dir/fuzz/$target" "$work/corpus" \
        -dict="$repo_root/fuzz/json.dict" -max_len=$max_len -max_total_time="$seconds" \
        -artifact_prefix="$work/artifacts/" -print_final_stats=1 >"$work/log" 2>&1; then
        failed+=("$target")
        echo "  FAILED: see $work/log; the input is in $work/artifacts/"
    fi
    grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec|Done)' "$work/log" |
        sed 's/^/  /' || true
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "Findings in: ${failed[*]}. Keep each input in fuzz/regressions/<target>/."
    exit 1
fi
echo "No findings."

#!/usr/bin/env bash
# The long reliability check, outside the default test run: the soak run with as many calls as
# asked for, then the fault run with editors that fall silent as well, each silence costing the
# server's full 60-second wait for reply data (expect a quarter of an hour).
#   scripts/soak.sh [BUILD_DIR] [CALLS] [SEED]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build_dir=${1:-$repo_root/build}
calls=${2:-100000}
seed=${3:-$RANDOM}

build_project "$build_dir"
KESTROVA_SOAK_CALLS=$calls "$build_dir/tests/tst_soak"
# Qt Test ends a test function after five minutes unless told otherwise.
export QTEST_FUNCTION_TIMEOUT=7200000
KESTROVA_FAULT_SILENT=1 KESTROVA_FAULT_SEED=$seed "$build_dir/tests/tst_faults"

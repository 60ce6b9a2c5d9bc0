#!/usr/bin/env bash
# Runs a program of the Windows cross-build under Wine: CTest's emulator, and the launcher of the
# programs the SDK client test starts; also the Windows Node.js that runs the SDK client tests. scripts/windows.sh sets WINEPREFIX and WINEPATH.
#   scripts/wine-run.sh PROGRAM.exe [ARGS...]
# Qt Test writes nothing to a redirected standard output under Wine, so a test program is told to
# write its log to a file, which is then shown.
set -u
export WINEDEBUG=${WINEDEBUG:--all}
program=$1
shift
case "$(basename "$program")" in
tst_*)
    log=$(mktemp --suffix=.txt)
    wine "$program" "$@" -o "$log,txt"
    status=$?
    cat "$log"
    rm -f "$log"
    exit "$status"
    ;;
node.exe)
    # The Windows Node.js cannot use a Unix pipe as a standard stream (it fails to open it): its
    # output goes to a file, which is then shown.
    log=$(mktemp --suffix=.txt)
    wine "$program" "$@" </dev/null >"$log" 2>&1
    status=$?
    cat "$log"
    rm -f "$log"
    exit "$status"
    ;;
*)
    exec wine "$program" "$@"
    ;;
esac

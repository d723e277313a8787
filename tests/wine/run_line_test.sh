#!/bin/sh
# Runs the Windows line test under wine with its far ends on the Linux side: an echoing peer on
# COM1 and the simulated Version 2 controller on COM2, both pseudo-terminals in WINE_DIR/ports.
#   run_line_test.sh WINE_DIR HOST_BIN WINE64 TEST_EXE [test arguments]
# Fails when the test fails or when the controller judged the session wrong.
set -eu
dir=$1
host=$2
wine=$3
shift 3
. "$(dirname "$0")/far_ends.sh"

ports="$dir/ports"
rm -f "$ports/COM1" "$ports/COM2"
"$host/echo_peer" "$ports" 1 </dev/null >"$dir/echo_peer.log" 2>&1 &
peer=$!
start_controller 2 "$dir/panelsim.report" "$dir/panelsim.log"
cleanup() {
    kill "$peer" "$sim" 2>/dev/null || true
    wait "$peer" 2>/dev/null || true
}
trap cleanup EXIT

wait_for_ports 1 2
run_under_wine "$@"
judge_controller "$sim" "$dir/panelsim.report" "$dir/panelsim.log"
exit "$status"

#!/bin/sh
# Runs a Windows test program under wine with a simulated panel on the Linux side of COM1 (a
# pseudo-terminal in WINE_DIR/ports): the controller for korveltool, the printer for DruckKorvel.
#   run_program_test.sh WINE_DIR HOST_BIN WINE64 panelsim|printersim TEST_EXE [test arguments]
# Fails when the test fails or when the simulated controller judged the session wrong.
set -eu
dir=$1
host=$2
wine=$3
simulator=$4
shift 4
. "$(dirname "$0")/far_ends.sh"

ports="$dir/ports"
report="$dir/$simulator.report"
log="$dir/$simulator.log"
rm -f "$ports/COM1" "$report"
case "$simulator" in
panelsim)
    start_controller 1 "$report" "$log"
    ;;
printersim)
    "$host/printersim" --ports "$ports" --com 1 --rate 20 --report "$report" </dev/null \
        >"$log" 2>&1 &
    sim=$!
    ;;
*)
    echo "unknown simulator $simulator" >&2
    exit 2
    ;;
esac
cleanup() {
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
}
trap cleanup EXIT

wait_for_ports 1
run_under_wine "$@"
if [ "$simulator" = panelsim ]; then
    judge_controller "$sim" "$report" "$log"
fi
exit "$status"

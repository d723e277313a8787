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

ports="$dir/ports"
report="$dir/$simulator.report"
rm -f "$ports/COM1" "$report"
case "$simulator" in
panelsim)
    "$host/panelsim" --ports "$ports" --port 1 --version 2 --expect d --restart-delay 500 \
        --linger -1 --seed 11 --quiet --report "$report" </dev/null >"$dir/$simulator.log" 2>&1 &
    ;;
printersim)
    "$host/printersim" --ports "$ports" --com 1 --rate 20 --report "$report" </dev/null \
        >"$dir/$simulator.log" 2>&1 &
    ;;
*)
    echo "unknown simulator $simulator" >&2
    exit 2
    ;;
esac
sim=$!
cleanup() {
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
}
trap cleanup EXIT

for _ in $(seq 100); do
    [ -e "$ports/COM1" ] && break
    sleep 0.05
done

status=0
LD_PRELOAD="$host/libpty_modem_shim.so" "$wine" "$@" || status=$?

if [ "$simulator" = panelsim ]; then
    # The controller ends after its one session; a session the test did not run leaves it waiting.
    kill "$sim" 2>/dev/null || true
    sim_status=0
    wait "$sim" || sim_status=$?
    if [ "$sim_status" -ne 0 ]; then
        echo "the simulated controller judged the session wrong (exit $sim_status):" >&2
        cat "$report" "$dir/$simulator.log" >&2 || true
        [ "$status" -ne 0 ] || status=1
    fi
fi
exit "$status"

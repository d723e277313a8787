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

ports="$dir/ports"
rm -f "$ports/COM1" "$ports/COM2"
"$host/echo_peer" "$ports" 1 </dev/null >"$dir/echo_peer.log" 2>&1 &
peer=$!
"$host/panelsim" --ports "$ports" --port 2 --version 2 --expect d --restart-delay 500 \
    --linger -1 --seed 11 --quiet --report "$dir/panelsim.report" </dev/null \
    >"$dir/panelsim.log" 2>&1 &
sim=$!
cleanup() {
    kill "$peer" "$sim" 2>/dev/null || true
    wait "$peer" 2>/dev/null || true
}
trap cleanup EXIT

for _ in $(seq 100); do
    [ -e "$ports/COM1" ] && [ -e "$ports/COM2" ] && break
    sleep 0.05
done

status=0
LD_PRELOAD="$host/libpty_modem_shim.so" "$wine" "$@" || status=$?

# The controller ends after its one session; a session the test did not run leaves it waiting.
kill "$sim" 2>/dev/null || true
sim_status=0
wait "$sim" || sim_status=$?
if [ "$sim_status" -ne 0 ]; then
    echo "the simulated controller judged the session wrong (exit $sim_status):" >&2
    cat "$dir/panelsim.report" "$dir/panelsim.log" >&2 || true
    [ "$status" -ne 0 ] || status=1
fi
exit "$status"

# What the scripts share that run a Windows test under wine against far ends on the Linux side
# (pseudo-terminals published in the port folder $ports). Sourced; they set $host (the Linux
# helper programs), $wine and $ports first.

# Starts the simulated Version 2 controller on COM$1, expecting the action letter d; it writes
# its report to $2 and its output to $3. Its pid goes to $sim.
start_controller() {
    "$host/panelsim" --ports "$ports" --port "$1" --version 2 --expect d --restart-delay 500 \
        --linger -1 --seed 11 --quiet --report "$2" </dev/null >"$3" 2>&1 &
    sim=$!
}

# Waits up to five seconds until the links of the named COM numbers exist.
wait_for_ports() {
    for _ in $(seq 100); do
        missing=no
        for n in "$@"; do
            [ -e "$ports/COM$n" ] || missing=yes
        done
        [ "$missing" = no ] && return 0
        sleep 0.05
    done
}

# Runs the test program under wine, the modem lines of the ptys shimmed; its exit status goes to
# $status.
run_under_wine() {
    status=0
    LD_PRELOAD="$host/libpty_modem_shim.so" "$wine" "$@" || status=$?
}

# The controller (pid $1) ends after its one session; a session the test did not run leaves it
# waiting. When it judged the session wrong, its report ($2) and output ($3) are shown and
# $status fails.
judge_controller() {
    kill "$1" 2>/dev/null || true
    sim_status=0
    wait "$1" || sim_status=$?
    if [ "$sim_status" -ne 0 ]; then
        echo "the simulated controller judged the session wrong (exit $sim_status):" >&2
        cat "$2" "$3" >&2 || true
        [ "$status" -ne 0 ] || status=1
    fi
}

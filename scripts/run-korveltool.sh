#!/usr/bin/env bash
# Builds korveltool and starts it against the simulated panel controller on COM1.
# Click "Verbinden": two seconds later the controller "restarts" and the window answers its
# boot prompts. After a session the controller waits for the next "Verbinden".
# Options are handed to the simulator, e.g. --version 1 (then choose "Version 1" in the window).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target korveltool panelsim

ports=$(mktemp -d "${TMPDIR:-/tmp}/korvel-ports-XXXXXX")
build/default/bin/panelsim --ports "$ports" --port 1 --sessions 0 --restart-delay 2000 "$@" &
sim=$!
cleanup() {
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
    rm -rf "$ports"
}
trap cleanup EXIT

for _ in $(seq 50); do
    [ -e "$ports/COM1" ] && break
    sleep 0.1
done
KORVEL_PORTS="$ports" build/default/bin/korveltool

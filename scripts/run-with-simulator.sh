#!/usr/bin/env bash
# Starts a program against one of the panel simulators, which publishes its pseudo-terminal
# in a fresh port folder. Used by run-korveltool.sh and run-druckkorvel.sh:
#
#   run-with-simulator.sh PROGRAM SIMULATOR [simulator options...]
#
# From the project folder it installs what is missing and builds both first; in the unpacked
# program folder it takes the programs lying beside it.
set -euo pipefail
program=$1
simulator=$2
shift 2

here=$(cd "$(dirname "$0")" && pwd -P)
if [ -x "$here/$program" ] && [ -x "$here/$simulator" ]; then
    bin=$here
elif [ -f "$here/../CMakeLists.txt" ]; then
    cd "$here/.."
    scripts/setup.sh
    cmake --preset default >/dev/null
    cmake --build --preset default --target "$program" "$simulator"
    bin=$PWD/build/default/bin
else
    echo "$program oder $simulator fehlt in $here" >&2
    exit 1
fi

ports=$(mktemp -d "${TMPDIR:-/tmp}/korvel-ports-XXXXXX")
"$bin/$simulator" --ports "$ports" "$@" &
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
KORVEL_PORTS="$ports" "$bin/$program"

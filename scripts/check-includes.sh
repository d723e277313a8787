#!/usr/bin/env bash
# Checks that the includes keep the dependency arrows of the layout:
#   programs (servicetool, printcapture) -> serial/qt -> toolkit, serial -> serial/comm
# - toolkit/ includes nothing of serial/ (the serial layer's Qt edge is serial/qt/)
# - servicetool/ and printcapture/ never include each other
# - the serial layer below serial/qt/ includes no Qt header, nor toolkit/ or a program
# - toolkit/ includes no program; korveltool's decoders and fault viewer include nothing of
#   its session or of each other
# Usage: scripts/check-includes.sh [SOURCE_ROOT]   (the repository by default)
# Prints every offending line and exits 1 when there is one; CTest runs it as include_check.
set -euo pipefail
root=${1:-"$(dirname "$0")/.."}
cd "$root"

found=0
# check FOLDER PATTERN WHY [EXCLUDED_FOLDER]: no include line in FOLDER matches PATTERN.
check() {
    local folder=$1 pattern=$2 why=$3 excluded=${4:-}
    [ -d "$folder" ] || return 0
    local hits
    hits=$({ grep -rnE --include='*.h' --include='*.cpp' --include='*.c' \
        "^[[:space:]]*#[[:space:]]*include[[:space:]]*${pattern}" "$folder" || true; } |
        { if [ -n "$excluded" ]; then grep -v "^$excluded/" || true; else cat; fi; })
    if [ -n "$hits" ]; then
        echo "$hits" | sed "s|\$|    <- $why|"
        found=1
    fi
}

inc='[<"](\.\./)*'
check toolkit "${inc}serial/" "toolkit/ must not include the serial layer (its Qt edge is serial/qt/)"
check servicetool "${inc}printcapture/" "servicetool/ and printcapture/ never include each other"
check printcapture "${inc}servicetool/" "servicetool/ and printcapture/ never include each other"
check serial "[<\"]Q" "the serial layer is free of Qt outside serial/qt/" serial/qt
check serial "${inc}(servicetool|printcapture)/" "the serial layer includes no program"
check serial "${inc}toolkit/" "only serial/qt/ may use the toolkit" serial/qt
check toolkit "${inc}(servicetool|printcapture)/" "the toolkit includes no program"
# korveltool's session opens the decoders and the fault viewer; they know nothing of it.
check servicetool/decoders "${inc}servicetool/(session|faultviewer)/" "the decoders stand alone"
check servicetool/faultviewer "${inc}servicetool/(session|decoders)/" "the fault viewer stands alone"

if [ "$found" -ne 0 ]; then
    echo "include check failed: the lines above break the layout's dependency arrows" >&2
    exit 1
fi
echo "include check passed"

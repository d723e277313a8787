#!/usr/bin/env bash
# Makes the README's pictures again: runs the offscreen screenshot tests (a whole session of
# korveltool against the simulated controller, a recording of DruckKorvel from the simulated
# printer, the Vestra decoder with the demo data) and stores their windows, reduced to a small
# palette, as docs/img/*.png.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target servicetool_window_tests printcapture_window_tests \
    decoders_tests

shots=$(mktemp -d "${TMPDIR:-/tmp}/korvel-shots-XXXXXX")
trap 'rm -rf "$shots"' EXIT
KORVEL_SHOTS=$shots KORVEL_SHOTS_DIR=$shots ctest --preset default \
    -R 'ServiceSession.Version2FactoryReset|CaptureEndToEnd.RecordsTwoThousand|Screenshots\.'

mkdir -p docs/img
while read -r shot picture; do
    convert "$shots/$shot" -strip +dither -colors 96 -define png:compression-level=9 \
        "PNG8:docs/img/$picture"
    echo "docs/img/$picture"
done <<'LIST'
korveltool-session.png korveltool.png
capture-recording.png druckkorvel.png
tform2.png vestra-decoder.png
LIST

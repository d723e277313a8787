#!/bin/sh
# Regenerates the screenshots of the help topics (help/HilfeKorvelTool/img and
# help/HilfeDruckKorvel/img) from the programs' own windows, rendered offscreen.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[ -f build/default/CMakeCache.txt ] || cmake --preset default
cmake --build --preset default --target help_tests demo_data
KORVEL_SHOTS_DIR="$root/help" QT_QPA_PLATFORM=offscreen \
    build/default/bin/help_tests --gtest_filter='HelpScreenshots.*'

#!/usr/bin/env bash
# Set-up, build and every test: the default preset, the sanitizer preset, and the Windows build
# of both programs (windows: mingw-w64 and our Qt for Windows) whose tests run under wine. The
# windows preset also builds and runs everything of the Qt-free cross build (mingw), so that one
# is only run when named.
# Usage: scripts/test.sh [default|asan|windows|mingw]...   (default, asan and windows when none
# is named)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(default asan windows)

for preset in "${presets[@]}"; do
    echo "=== preset $preset"
    if [ "$preset" = windows ]; then
        scripts/build-qt-windows.sh
    fi
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done

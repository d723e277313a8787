#!/usr/bin/env bash
# Set-up, build and every test: the default preset, the sanitizer presets (asan; tsan, the serial
# layer alone), and the Windows cross build (mingw) whose tests run under wine.
# Usage: scripts/test.sh [default|asan|tsan|mingw]...   (all four when none is named)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(default asan tsan mingw)

for preset in "${presets[@]}"; do
    echo "=== preset $preset"
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done

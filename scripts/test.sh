#!/usr/bin/env bash
# Set-up, build and every test, with the default preset and with the sanitizer preset.
# Usage: scripts/test.sh [default|asan]...   (both when none is named)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(default asan)

for preset in "${presets[@]}"; do
    echo "=== preset $preset"
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done

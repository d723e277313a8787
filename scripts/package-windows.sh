#!/usr/bin/env bash
# The portable program folder for Windows as one zip:
#   build/windows/korvel-<version>-windows-x86_64.zip
# Set-up, our Qt for Windows (unpacked or built once into its cache folder), the windows
# preset, then CPack.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build-qt-windows.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target package
ls -l build/windows/korvel-*-windows-x86_64.zip

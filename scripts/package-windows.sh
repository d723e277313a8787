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
# What goes into the zip, not the tests: CPack takes it from the build folder as it is.
cmake --build --preset windows --target korveltool DruckKorvel windows_runtime help_files demo_data
(cd build/windows && cpack -G ZIP)
ls -l build/windows/korvel-*-windows-x86_64.zip

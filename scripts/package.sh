#!/usr/bin/env bash
# Set-up, build, and the portable program folder as one archive:
# build/default/korvel-<version>-linux-x86_64.tar.gz
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target package

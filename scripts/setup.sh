#!/usr/bin/env bash
# Installs every Debian package that building, running and testing both programs needs,
# but only those that are missing. Safe to run again. fp-utils brings chmcmd, which compiles the
# help topics into .chm files; libchm-bin brings the reader the help test opens them with.
# qt6-base-dev-tools (moc, rcc, uic) also serve the Windows build, whose Qt (scripts/
# build-qt-windows.sh) is the same version; xz-utils unpacks that kit, xvfb gives wine a display.
# unzip and file let the zip test look into the Windows zip and its programs.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    g++-mingw-w64-x86-64-posix googletest wine wine64
    clang libclang-rt-14-dev clang-format
    qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev xz-utils xvfb
    libgtest-dev libgmock-dev
    fontconfig fonts-dejavu-core fonts-liberation
    xdg-utils desktop-file-utils libglib2.0-bin
    fp-utils libchm-bin
    unzip file
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

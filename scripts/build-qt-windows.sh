#!/usr/bin/env bash
# Makes the Qt for Windows that the `windows` preset builds against: qtbase 6.4.2 for 64-bit
# Windows (mingw-w64, posix threads, shared libraries), the same version as Debian's host tools
# (moc, rcc, uic from qt6-base-dev-tools).
#
#   scripts/build-qt-windows.sh
#
# The kit lies outside the source tree, in
#   ${KORVEL_QT_WINDOWS:-${XDG_CACHE_HOME:-$HOME/.cache}/korvel/qt-6.4.2-mingw64}
# and is made once:
#   1. a kit already there (lib/cmake/Qt6/Qt6Config.cmake) is left as it is;
#   2. else the ready-made archive shared/toolchains/qt-6.4.2-mingw64.tar.xz beside the project
#      is unpacked, after its checksum was checked (seconds);
#   3. else Debian's own source of qt6-base is fetched and cross-built (some 45 minutes on two
#      cores).
# Steps 2 and 3 work in a temporary folder beside the kit and rename it at the end, so an
# interrupted run never leaves something that looks like a kit.
set -euo pipefail

version=6.4.2
kit=${KORVEL_QT_WINDOWS:-${XDG_CACHE_HOME:-$HOME/.cache}/korvel/qt-$version-mingw64}
here=$(cd "$(dirname "$0")/.." && pwd -P)

if [ -f "$kit/lib/cmake/Qt6/Qt6Config.cmake" ]; then
    exit 0
fi

parent=$(dirname "$kit")
mkdir -p "$parent"
work=$(mktemp -d "$parent/.$(basename "$kit").XXXXXX")
trap 'rm -rf "$work"' EXIT

# Puts the finished kit in place: a kit made meanwhile by another run is kept.
install_kit() {
    if [ ! -f "$1/lib/cmake/Qt6/Qt6Config.cmake" ]; then
        echo "build-qt-windows: $1 holds no Qt 6 kit" >&2
        exit 1
    fi
    if ! mv -T "$1" "$kit" 2>/dev/null && [ ! -f "$kit/lib/cmake/Qt6/Qt6Config.cmake" ]; then
        echo "build-qt-windows: cannot move the kit to $kit" >&2
        exit 1
    fi
    echo "Qt for Windows: $kit"
}

# The shared folder lies beside the project (CI), or one level further up (a git worktree).
archive=
for shared in "$here/../shared" "$here/../../shared"; do
    if [ -f "$shared/toolchains/qt-$version-mingw64.tar.xz" ]; then
        archive=$shared/toolchains/qt-$version-mingw64.tar.xz
        break
    fi
done

if [ -n "$archive" ]; then
    expected=$(awk '{print $1; exit}' "$archive.sha256")
    actual=$(sha256sum "$archive" | awk '{print $1}')
    if [ -z "$expected" ] || [ "$expected" != "$actual" ]; then
        echo "build-qt-windows: $archive does not match $archive.sha256" >&2
        exit 1
    fi
    mkdir "$work/kit"
    tar -xJf "$archive" -C "$work/kit"
    # The kit is the archive's root, or its one folder.
    top=$work/kit
    if [ ! -d "$top/lib" ]; then
        top=$(find "$work/kit" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    fi
    install_kit "$top"
    exit 0
fi

echo "No ready-made kit: building Qt $version for Windows from Debian's source (about 45 minutes)"
"$here/scripts/setup.sh"
for tool in x86_64-w64-mingw32-g++-posix /usr/lib/qt6/libexec/moc cmake ninja; do
    command -v "$tool" >/dev/null || {
        echo "build-qt-windows: $tool is missing" >&2
        exit 1
    }
done

# A private apt configuration with only the deb-src entry of the suite and mirror this machine
# uses, so the system's own lists stay as they are.
. /etc/os-release
suite=${VERSION_CODENAME:?}
mirror=$(grep -hoE '^(URIs: *|deb +)(\[[^]]*\] *)?https?://[^ ]*/debian/?( |$)' \
    /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list \
    2>/dev/null | grep -oE 'https?://[^ ]*' | head -n 1 || true)
mirror=${mirror:-http://deb.debian.org/debian}
apt_dir=$work/apt
mkdir -p "$apt_dir/lists/partial" "$apt_dir/parts"
cat >"$apt_dir/parts/source.sources" <<CONF
Types: deb-src
URIs: $mirror
Suites: $suite
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
CONF
cat >"$apt_dir/apt.conf" <<CONF
Dir::Etc::SourceList "/dev/null";
Dir::Etc::SourceParts "$apt_dir/parts";
Dir::State::Lists "$apt_dir/lists";
Dir::Cache::pkgcache "";
Dir::Cache::srcpkgcache "";
CONF
export APT_CONFIG=$apt_dir/apt.conf
apt-get update -qq
src=$work/src
mkdir -p "$src"
(cd "$src" && apt-get source -qq "qt6-base=$(dpkg-query -W -f='${Version}' qt6-base-dev)")
source_dir=$(find "$src" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
[ -n "$source_dir" ] || {
    echo "build-qt-windows: apt-get source gave no qt6-base folder" >&2
    exit 1
}

prefix=$work/kit
build=$work/build
mkdir -p "$build"
cat >"$work/toolchain.cmake" <<CONF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 "$prefix")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
CONF

# No build path in the DLLs: the source and build folders are mapped away.
map="-ffile-prefix-map=$source_dir=. -ffile-prefix-map=$build=."
# Tablet events stay off: Debian's source leaves out the bundled tablet header that the
# Windows platform plugin needs for them.
cmake -S "$source_dir" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_C_FLAGS="$map" -DCMAKE_CXX_FLAGS="$map" \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no \
    -DFEATURE_vulkan=OFF -DFEATURE_openssl=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF \
    -DFEATURE_sql_sqlite=OFF -DFEATURE_tabletevent=OFF
cmake --build "$build"
cmake --install "$build"
install_kit "$prefix"

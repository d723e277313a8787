# Cross build of both programs for 64-bit Windows: the mingw-w64 toolchain plus our own Qt for
# Windows (scripts/build-qt-windows.sh makes it). Unlike the Qt-free cross build, programs link
# the runtime dynamically: the Qt DLLs already use libstdc++-6.dll, and one C++ runtime per
# process keeps exceptions and allocations on one side.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64.cmake)
set(CMAKE_EXE_LINKER_FLAGS_INIT "")

if(DEFINED ENV{KORVEL_QT_WINDOWS} AND NOT "$ENV{KORVEL_QT_WINDOWS}" STREQUAL "")
    set(_kit "$ENV{KORVEL_QT_WINDOWS}")
elseif(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
    set(_kit "$ENV{XDG_CACHE_HOME}/korvel/qt-6.4.2-mingw64")
else()
    set(_kit "$ENV{HOME}/.cache/korvel/qt-6.4.2-mingw64")
endif()
set(KORVEL_QT_WINDOWS "${_kit}" CACHE PATH "Qt for Windows (mingw-w64) made by scripts/build-qt-windows.sh")
if(NOT EXISTS "${KORVEL_QT_WINDOWS}/lib/cmake/Qt6/Qt6Config.cmake")
    message(FATAL_ERROR "No Qt for Windows in ${KORVEL_QT_WINDOWS}: run scripts/build-qt-windows.sh "
                        "(or point KORVEL_QT_WINDOWS at a kit) before configuring this preset")
endif()

list(APPEND CMAKE_FIND_ROOT_PATH "${KORVEL_QT_WINDOWS}")
list(APPEND CMAKE_PREFIX_PATH "${KORVEL_QT_WINDOWS}")
# moc, rcc and uic of the same version come from the host's Debian packages.
set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)

# What a Windows build of the programs needs beside its .exe files, copied into the bin folder
# so that every program and test starts from there: the Qt DLLs, the platform, style and image
# plugins in the subfolders where Qt looks beside the program, the mingw runtime DLLs and Qt's
# German translation.
#
# Qt's plugin folders are found relative to the program (platforms/, styles/, imageformats/);
# the runtime DLLs come from the cross compiler that built the programs, so they always match.

set(_bin ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
get_target_property(_qtcore Qt6::Core IMPORTED_LOCATION_RELEASE)
if(NOT _qtcore)
    get_target_property(_qtcore Qt6::Core LOCATION)
endif()
get_filename_component(_qtbin ${_qtcore} DIRECTORY)
get_filename_component(_qtroot ${_qtbin} DIRECTORY)

set(_files)
macro(_korvel_copy source dest)
    if(NOT EXISTS ${source})
        message(FATAL_ERROR "Windows build: ${source} is missing")
    endif()
    get_filename_component(_name ${source} NAME)
    add_custom_command(OUTPUT ${_bin}/${dest}${_name}
                       COMMAND ${CMAKE_COMMAND} -E copy ${source} ${_bin}/${dest}${_name}
                       DEPENDS ${source})
    list(APPEND _files ${_bin}/${dest}${_name})
endmacro()

foreach(module Core Gui Widgets Test)
    _korvel_copy(${_qtbin}/Qt6${module}.dll "")
endforeach()
foreach(plugin platforms/qwindows platforms/qoffscreen platforms/qminimal
               styles/qwindowsvistastyle imageformats/qico)
    get_filename_component(_dir ${plugin} DIRECTORY)
    _korvel_copy(${_qtroot}/plugins/${plugin}.dll "${_dir}/")
endforeach()

foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE _path OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(_path "${_path}" REALPATH)
    _korvel_copy(${_path} "")
endforeach()

# The .qm files are the same on every platform: the host's Debian package has it.
find_file(KORVEL_QTBASE_DE qtbase_de.qm PATHS /usr/share/qt6/translations NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH)
if(NOT KORVEL_QTBASE_DE)
    message(FATAL_ERROR "qtbase_de.qm not found: install qt6-translations-l10n (scripts/setup.sh)")
endif()
_korvel_copy(${KORVEL_QTBASE_DE} "")

add_custom_target(windows_runtime ALL DEPENDS ${_files})

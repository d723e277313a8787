# GoogleTest and how test programs become CTest tests, natively and in the Windows cross build.
#
# Natively every test case is its own CTest test (found when the tests run). In the cross build
# each test program runs as one CTest test under wine: starting a Windows program costs wine a
# good part of a second, so one start per case would take minutes.

set(KORVEL_GTEST_SOURCE_DIR /usr/src/googletest
    CACHE PATH "GoogleTest sources, built with the project when no installed GoogleTest fits")

if(NOT CMAKE_CROSSCOMPILING)
    find_package(GTest QUIET)
endif()
set(KORVEL_TESTS ON)
if(GTest_FOUND)
    # the installed one
elseif(EXISTS ${KORVEL_GTEST_SOURCE_DIR}/CMakeLists.txt)
    # None for the target (a cross build, or Windows with Qt's compiler): build it from the
    # sources.
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(${KORVEL_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    if(NOT TARGET GTest::gtest)
        add_library(GTest::gtest ALIAS gtest)
        add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
else()
    message(STATUS "No GoogleTest (set KORVEL_GTEST_SOURCE_DIR to its sources): no tests")
    set(KORVEL_TESTS OFF)
endif()
include(GoogleTest)

if(CMAKE_CROSSCOMPILING)
    # One wine prefix per build folder, made by the fixture in tests/wine; no dialogs, no
    # debug output, no .NET or HTML engine to install.
    set(KORVEL_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
    set(KORVEL_WINE_ENV "WINEPREFIX=${KORVEL_WINE_DIR}/prefix" "WINEDEBUG=-all"
                        "WINEDLLOVERRIDES=mscoree,mshtml=" "WINEARCH=win64")
    # Qt's offscreen platform on Windows knows no system fonts: it reads the font files of one
    # folder. The host's sans-serif and fixed-width DejaVu and Liberation fonts are linked into
    # one, seen by wine as Z: (without serif fonts the fallback for the Windows dialog font is
    # a sans-serif one, as on Windows).
    set(KORVEL_WINE_FONTS ${CMAKE_BINARY_DIR}/fonts)
    file(GLOB _fonts /usr/share/fonts/truetype/dejavu/DejaVuSans*.ttf
         /usr/share/fonts/truetype/liberation/LiberationSans-*.ttf
         /usr/share/fonts/truetype/liberation/LiberationMono-*.ttf)
    file(REMOVE_RECURSE ${KORVEL_WINE_FONTS})
    file(MAKE_DIRECTORY ${KORVEL_WINE_FONTS})
    foreach(font ${_fonts})
        get_filename_component(_name ${font} NAME)
        file(CREATE_LINK ${font} ${KORVEL_WINE_FONTS}/${_name} SYMBOLIC)
    endforeach()
    # wine hands no host variable named QT_* to a Windows program; WINEQT_* becomes QT_*.
    list(APPEND KORVEL_WINE_ENV "WINEQT_QPA_FONTDIR=Z:${KORVEL_WINE_FONTS}")
endif()

# korvel_add_gtest(target [ENVIRONMENT var=value ...] [PROPERTIES name value ...])
# Natively each test case becomes a CTest test; in the cross build the program is one test
# under wine, its environment added to wine's.
function(korvel_add_gtest target)
    cmake_parse_arguments(arg "" "" "ENVIRONMENT;PROPERTIES" ${ARGN})
    if(CMAKE_CROSSCOMPILING)
        list(TRANSFORM arg_ENVIRONMENT REPLACE "^QT_" "WINEQT_")
        add_test(NAME ${target} COMMAND ${target})
        set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine_prefix
                             ENVIRONMENT "${KORVEL_WINE_ENV};${arg_ENVIRONMENT}")
        if(arg_PROPERTIES)
            set_tests_properties(${target} PROPERTIES ${arg_PROPERTIES})
        endif()
    else()
        set(properties ${arg_PROPERTIES})
        if(arg_ENVIRONMENT)
            list(JOIN arg_ENVIRONMENT "\\;" env)
            list(APPEND properties ENVIRONMENT "${env}")
        endif()
        if(properties)
            gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST PROPERTIES ${properties})
        else()
            gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST)
        endif()
    endif()
endfunction()

# korvel_add_fuzz(target SOURCES file... [LIBRARIES lib...] [TEST name] [ARGS arg...]
#                 [SEEDS folder...])
# A libFuzzer program and its CTest run, in the sanitizer builds only. New inputs go to a
# corpus folder in the build tree (the first folder named); the SEEDS folders are only read.
function(korvel_add_fuzz target)
    if(NOT KORVEL_FUZZ_ENABLED)
        return()
    endif()
    cmake_parse_arguments(arg "" "TEST" "SOURCES;LIBRARIES;ARGS;SEEDS" ${ARGN})
    if(NOT arg_TEST)
        set(arg_TEST ${target})
    endif()
    add_executable(${target} ${arg_SOURCES})
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${target} PRIVATE ${arg_LIBRARIES})
    set_target_properties(${target} PROPERTIES AUTOMOC OFF)
    set(work ${CMAKE_CURRENT_BINARY_DIR}/${target}_corpus)
    file(MAKE_DIRECTORY ${work})
    add_test(NAME ${arg_TEST} COMMAND ${target} ${arg_ARGS} ${work} ${arg_SEEDS})
endfunction()

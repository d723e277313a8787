# The Windows zip as the technician gets it, unpacked inside the wine prefix and run there
# (windows_zip_test.sh). The probe plugin of tests/wine drives the unmodified programs and reads
# back the captions Windows shows; a stand-in for the help viewer's library records the help
# calls.
set(recorder_dir ${CMAKE_CURRENT_BINARY_DIR}/help_recorder)
add_library(help_recorder MODULE help_recorder.cpp)
target_link_options(help_recorder PRIVATE -static)
set_target_properties(help_recorder PROPERTIES OUTPUT_NAME hhctrl PREFIX "" SUFFIX ".ocx"
                                               LIBRARY_OUTPUT_DIRECTORY ${recorder_dir}
                                               AUTOMOC OFF)

# korvelprobe is made in tests/wine, into this folder's "generic".
set(probe_dir ${CMAKE_BINARY_DIR}/probe)
add_custom_target(windows_zip_test_parts ALL)
add_dependencies(windows_zip_test_parts korvelprobe help_recorder)
add_test(NAME windows_zip_test
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/windows_zip_test.sh ${CMAKE_BINARY_DIR}
                 ${CMAKE_CPACK_COMMAND} ${KORVEL_WINE_DIR} ${KORVEL_WINE64} ${probe_dir}
                 ${recorder_dir}/hhctrl.ocx ${CMAKE_SOURCE_DIR})
set_tests_properties(windows_zip_test PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 300
                                                 RUN_SERIAL ON)

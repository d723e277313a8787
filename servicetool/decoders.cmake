# The offline decoder windows of korveltool (bus-element and detector data) and their logic, as a
# library that the program and the tests link.
add_library(servicetool_decoders STATIC
    ${CMAKE_CURRENT_LIST_DIR}/BitDecoding.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DataFieldHooks.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DataFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DecoderWidgets.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DetectorData.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TForm2.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TForm3.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VestraData.cpp)
target_include_directories(servicetool_decoders PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(servicetool_decoders PUBLIC toolkit)

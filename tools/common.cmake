# The tools' shared command line: the connection options over the settings
# file, --help made from the options, the messages to the terminal.
add_library(vello_tooloptions STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/common/tooloptions.h ${CMAKE_CURRENT_SOURCE_DIR}/common/tooloptions.cpp)
target_include_directories(vello_tooloptions PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/common)
target_link_libraries(vello_tooloptions PUBLIC vello_core)
target_compile_options(vello_tooloptions PRIVATE -Wall -Wextra)

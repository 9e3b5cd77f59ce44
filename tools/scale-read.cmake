qt_add_executable(scale-read ${CMAKE_CURRENT_SOURCE_DIR}/scale_read.cpp)
target_link_libraries(scale-read PRIVATE vello_core)

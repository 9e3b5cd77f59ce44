qt_add_executable(scale_latency ${CMAKE_CURRENT_SOURCE_DIR}/scale_latency.cpp)
target_link_libraries(scale_latency PRIVATE vello_core)

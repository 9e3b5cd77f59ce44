qt_add_executable(scale-sim ${CMAKE_CURRENT_SOURCE_DIR}/scale_sim.cpp)
target_link_libraries(scale-sim PRIVATE vello_core)

qt_add_executable(vello-alibi ${CMAKE_CURRENT_SOURCE_DIR}/vello_alibi.cpp)
target_link_libraries(vello-alibi PRIVATE vello_tooloptions)

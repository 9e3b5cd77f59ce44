qt_add_executable(vello-create ${CMAKE_CURRENT_SOURCE_DIR}/vello_create.cpp)
target_link_libraries(vello-create PRIVATE vello_tooloptions)

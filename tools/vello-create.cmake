qt_add_executable(vello-create ${CMAKE_CURRENT_SOURCE_DIR}/vello_create.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/createaccounts.h ${CMAKE_CURRENT_SOURCE_DIR}/createaccounts.cpp)
target_link_libraries(vello-create PRIVATE vello_tooloptions)

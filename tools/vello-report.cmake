qt_add_executable(vello-report ${CMAKE_CURRENT_SOURCE_DIR}/vello_report.cpp)
target_link_libraries(vello-report PRIVATE vello_tooloptions)

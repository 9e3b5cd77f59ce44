qt_add_executable(vello-backup ${CMAKE_CURRENT_SOURCE_DIR}/vello_backup.cpp)
target_link_libraries(vello-backup PRIVATE vello_tooloptions)

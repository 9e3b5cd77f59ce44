# The server restarted in the middle of work. The test runs a database server
# of its own, which it stops and starts, so it leaves the shared one alone; it
# waits for the shared server's set-up all the same, so that the two servers
# are never set up at the same moment.
qt_add_executable(test_server_restart ${VELLO_HERE}/test_server_restart.cpp ${VELLO_HERE}/privateserver.h)
target_link_libraries(test_server_restart PRIVATE vello_testsupport)
target_include_directories(test_server_restart PRIVATE ${CMAKE_SOURCE_DIR}/tests/weighing)
add_test(NAME test_server_restart COMMAND test_server_restart)
set_tests_properties(test_server_restart PROPERTIES
  FIXTURES_REQUIRED dbserver
  ENVIRONMENT "${VELLO_TEST_ENV}"
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/templates
  TIMEOUT 300)

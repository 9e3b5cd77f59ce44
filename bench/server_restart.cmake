# The server restart test walked over every statement of each operation
# (a restart costs a second or two, too slow for every test run).
vello_add_bench(bench_server_restart ${CMAKE_SOURCE_DIR}/tests/hardening/test_server_restart.cpp
  ${CMAKE_SOURCE_DIR}/tests/hardening/privateserver.h)
target_compile_definitions(bench_server_restart PRIVATE VELLO_RESTART_FULL_WALK)
target_include_directories(bench_server_restart PRIVATE ${CMAKE_SOURCE_DIR}/tests/weighing)

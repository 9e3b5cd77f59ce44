# A search keystroke in the plate list window on a 100,000-row register,
# beside the same SELECT in the server. Run with bench/register_search.sh
# (or scripts/bench where present).
if(TARGET vello_testsupport)
  qt_add_executable(bench_register_search ${CMAKE_CURRENT_LIST_DIR}/register_search.cpp)
  target_link_libraries(bench_register_search PRIVATE vello_testsupport)
  set_target_properties(bench_register_search PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
if(TARGET bench_register_search)
  target_include_directories(bench_register_search PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
endif()

vello_add_test(test_serialrules ${VELLO_HERE}/test_serialrules.cpp)
vello_add_test(test_seriallink ${VELLO_HERE}/test_seriallink.cpp)
vello_add_test(test_scaleread ${VELLO_HERE}/test_scaleread.cpp)
add_dependencies(test_scaleread scale-sim)
target_compile_definitions(test_scaleread PRIVATE SCALE_SIM_PATH="$<TARGET_FILE:scale-sim>")
vello_add_test(test_indicatorkinds ${VELLO_HERE}/test_indicatorkinds.cpp)
add_dependencies(test_indicatorkinds scale-sim)
target_compile_definitions(test_indicatorkinds PRIVATE SCALE_SIM_PATH="$<TARGET_FILE:scale-sim>")
vello_add_test(test_portselection ${VELLO_HERE}/test_portselection.cpp)
# Under ThreadSanitizer the scale tests read their suppressions by themselves;
# test_scaleread starts scale-sim through QProcess, whose fork in a threaded
# process TSan would otherwise end ("starting new threads after
# multi-threaded fork is not supported").
if(VELLO_TSAN)
  foreach(t test_serialrules test_seriallink test_scaleread test_indicatorkinds test_portselection)
    set_property(TEST ${t} APPEND PROPERTY ENVIRONMENT
      "TSAN_OPTIONS=suppressions=${VELLO_HERE}/tsan.supp die_after_fork=0")
  endforeach()
endif()

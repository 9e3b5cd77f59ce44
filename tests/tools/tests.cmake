# The tools' shared command line: the connection options over the settings
# file's section, the bad arguments refused, the help made from the options.
vello_add_test(test_tooloptions ${VELLO_HERE}/test_tooloptions.cpp)
target_link_libraries(test_tooloptions PRIVATE vello_tooloptions)
add_dependencies(test_tooloptions vello-alibi vello-backup vello-create vello-report)

vello_add_test(test_register_list ${VELLO_HERE}/test_register_list.cpp ${VELLO_HERE}/registerfixture.h)
vello_add_test(test_register_entry ${VELLO_HERE}/test_register_entry.cpp ${VELLO_HERE}/registerfixture.h)
vello_add_test(test_company_data ${VELLO_HERE}/test_company_data.cpp)
vello_add_test(test_register_input ${VELLO_HERE}/test_register_input.cpp ${VELLO_HERE}/registerfixture.h)
# Not a test: shows the register, company data, ticket search and port
# windows for a look under xvfb-run.
qt_add_executable(registers_screens ${VELLO_HERE}/screens.cpp ${VELLO_HERE}/registerfixture.h)
target_link_libraries(registers_screens PRIVATE vello_testsupport)

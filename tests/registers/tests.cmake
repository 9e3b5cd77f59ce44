vello_add_test(test_register_list ${VELLO_HERE}/test_register_list.cpp ${VELLO_HERE}/registerfixture.h)
vello_add_test(test_register_entry ${VELLO_HERE}/test_register_entry.cpp ${VELLO_HERE}/registerfixture.h)
vello_add_test(test_company_data ${VELLO_HERE}/test_company_data.cpp)
vello_add_test(test_register_input ${VELLO_HERE}/test_register_input.cpp ${VELLO_HERE}/registerfixture.h)

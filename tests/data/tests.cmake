vello_add_test(test_textconv ${VELLO_HERE}/test_textconv.cpp)
vello_add_test(test_query ${VELLO_HERE}/test_query.cpp)
vello_add_test(test_counters ${VELLO_HERE}/test_counters.cpp)
vello_add_test(test_schema ${VELLO_HERE}/test_schema.cpp)
vello_add_test(test_connectionsettings ${VELLO_HERE}/test_connectionsettings.cpp)
# The program's accounts and TLS, on a server of the test's own.
vello_add_test(test_accounts ${VELLO_HERE}/test_accounts.cpp)
add_dependencies(test_accounts vello-create)
vello_add_test(test_privatefiles ${VELLO_HERE}/test_privatefiles.cpp)

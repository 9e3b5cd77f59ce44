vello_add_test(test_textconv ${VELLO_HERE}/test_textconv.cpp)
vello_add_test(test_query ${VELLO_HERE}/test_query.cpp)
vello_add_test(test_counters ${VELLO_HERE}/test_counters.cpp)
vello_add_test(test_schema ${VELLO_HERE}/test_schema.cpp)

vello_add_test(test_help ${VELLO_HERE}/test_help.cpp)

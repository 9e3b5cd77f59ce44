vello_add_test(test_startup ${VELLO_HERE}/test_startup.cpp)
vello_add_test(test_mainwindow ${VELLO_HERE}/test_mainwindow.cpp)

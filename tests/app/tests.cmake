vello_add_test(test_startup ${VELLO_HERE}/test_startup.cpp)
vello_add_test(test_mainwindow ${VELLO_HERE}/test_mainwindow.cpp)
vello_add_test(test_layers ${VELLO_HERE}/test_layers.cpp)
target_compile_definitions(test_layers PRIVATE VELLO_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

vello_add_test(test_reportengine ${VELLO_HERE}/test_reportengine.cpp)
vello_add_test(test_reportoutput ${VELLO_HERE}/test_reportoutput.cpp)
add_dependencies(test_reportoutput vello-report)
vello_add_test(test_previewsave ${VELLO_HERE}/test_previewsave.cpp)

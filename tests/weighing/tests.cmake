# The weighing windows, driven through the scripted host.
vello_add_test(test_vehicles_on_site ${VELLO_HERE}/test_vehicles_on_site.cpp ${VELLO_HERE}/windowfixture.h)
vello_add_test(test_weighing_window ${VELLO_HERE}/test_weighing_window.cpp ${VELLO_HERE}/windowfixture.h)
vello_add_test(test_weighing_workflow ${VELLO_HERE}/test_weighing_workflow.cpp ${VELLO_HERE}/windowfixture.h)

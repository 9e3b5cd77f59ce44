vello_add_test(test_ticketlist ${VELLO_HERE}/test_ticketlist.cpp ${VELLO_HERE}/ticketfixture.h)
vello_add_test(test_ticketbrowser ${VELLO_HERE}/test_ticketbrowser.cpp ${VELLO_HERE}/ticketfixture.h)
vello_add_test(test_stock ${VELLO_HERE}/test_stock.cpp ${VELLO_HERE}/ticketfixture.h)

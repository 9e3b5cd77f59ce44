vello_add_test(test_ticketlist ${VELLO_HERE}/test_ticketlist.cpp ${VELLO_HERE}/ticketfixture.h)
vello_add_test(test_ticketbrowser ${VELLO_HERE}/test_ticketbrowser.cpp ${VELLO_HERE}/ticketfixture.h)
vello_add_test(test_stock ${VELLO_HERE}/test_stock.cpp ${VELLO_HERE}/ticketfixture.h)
# Not a test: shows both windows on a small site for a look under xvfb-run.
qt_add_executable(tickets_screens ${VELLO_HERE}/screens.cpp ${VELLO_HERE}/ticketfixture.h)
target_link_libraries(tickets_screens PRIVATE vello_testsupport)
# Voided tickets in the stock figures, the ticket list, archiving and export.
vello_add_test(test_voided_tickets ${VELLO_HERE}/test_voided_tickets.cpp ${VELLO_HERE}/ticketfixture.h)

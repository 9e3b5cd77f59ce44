vello_add_test(test_weighing_store ${VELLO_HERE}/test_weighing_store.cpp ${VELLO_HERE}/weighingfixture.h)
vello_add_test(test_finalisation ${VELLO_HERE}/test_finalisation.cpp ${VELLO_HERE}/weighingfixture.h)
vello_add_test(test_weighing_flow ${VELLO_HERE}/test_weighing_flow.cpp ${VELLO_HERE}/weighingfixture.h)
# Two workstations on one database: the races of the weighing writes.
vello_add_test(test_weighing_races ${VELLO_HERE}/test_weighing_races.cpp ${VELLO_HERE}/weighingfixture.h)
# The weighing windows, driven through the scripted host.
vello_add_test(test_vehicles_on_site ${VELLO_HERE}/test_vehicles_on_site.cpp ${VELLO_HERE}/windowfixture.h)
vello_add_test(test_weighing_window ${VELLO_HERE}/test_weighing_window.cpp ${VELLO_HERE}/windowfixture.h)
vello_add_test(test_weighing_workflow ${VELLO_HERE}/test_weighing_workflow.cpp ${VELLO_HERE}/windowfixture.h)
vello_add_test(test_indicator_reading ${VELLO_HERE}/test_indicator_reading.cpp)
# Screenshots of the weighing windows on a real display (run by hand).
qt_add_executable(weighing_screens ${VELLO_HERE}/weighing_screens.cpp ${VELLO_HERE}/windowfixture.h)
target_link_libraries(weighing_screens PRIVATE vello_testsupport)
# The same for the ticket browser's void and reissue dialogs.
qt_add_executable(void_screens ${VELLO_HERE}/void_screens.cpp ${VELLO_HERE}/ticketvoidfixture.h)
target_link_libraries(void_screens PRIVATE vello_testsupport)
vello_add_test(test_keyboard_walk ${VELLO_HERE}/test_keyboard_walk.cpp ${VELLO_HERE}/windowfixture.h)
# The alibi log behind the weighing: scale reads to ticket, store and
# finalisation failures, the entry numbers on the ticket and its copy.
vello_add_test(test_alibi_hook ${VELLO_HERE}/test_alibi_hook.cpp ${VELLO_HERE}/windowfixture.h)
vello_add_test(test_weighing_input ${VELLO_HERE}/test_weighing_input.cpp ${VELLO_HERE}/weighingfixture.h)
# Voiding a ticket and issuing it corrected: the core, the races, the upgrade.
vello_add_test(test_ticket_void ${VELLO_HERE}/test_ticket_void.cpp ${VELLO_HERE}/ticketvoidfixture.h)
# The same through the ticket browser's buttons and dialogs, with the prints.
vello_add_test(test_ticket_void_window ${VELLO_HERE}/test_ticket_void_window.cpp ${VELLO_HERE}/ticketvoidfixture.h)
# The settlement on the printed ticket, its copy and vello-report --ticket.
vello_add_test(test_ticket_settlement ${VELLO_HERE}/test_ticket_settlement.cpp ${VELLO_HERE}/weighingfixture.h)
add_dependencies(test_ticket_settlement vello-report)
# A weighing by keyboard alone: the keys of the on-site list, the vehicle
# kind, the weighing window and the port window.
vello_add_test(test_weighing_keys ${VELLO_HERE}/test_weighing_keys.cpp ${VELLO_HERE}/windowfixture.h)

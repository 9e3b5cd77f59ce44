# The alibi log: appends, links, the chain check, two workstations at once,
# tampering found, the program's user's grants, and the vello-alibi and
# vello-create --upgrade tools.
vello_add_test(test_alibi_log ${VELLO_HERE}/test_alibi_log.cpp ${VELLO_HERE}/alibifixture.h)
vello_add_test(test_alibi_tools ${VELLO_HERE}/test_alibi_tools.cpp ${VELLO_HERE}/alibifixture.h)
# What the program's account cannot write, forgeries the check finds, the
# finalisation's weight check, an older log brought over by the upgrade.
vello_add_test(test_alibi_forgery ${VELLO_HERE}/test_alibi_forgery.cpp ${VELLO_HERE}/alibifixture.h)
vello_add_test(test_alibi_window ${VELLO_HERE}/test_alibi_window.cpp ${VELLO_HERE}/alibifixture.h)
# Not a test: screenshots of the Alibi napló window (see the file's head).
qt_add_executable(alibi_screens ${VELLO_HERE}/alibi_screens.cpp ${VELLO_HERE}/alibifixture.h)
target_link_libraries(alibi_screens PRIVATE vello_testsupport)

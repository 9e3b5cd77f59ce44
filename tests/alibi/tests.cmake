# The alibi log: appends, links, the chain check, two workstations at once,
# tampering found, the program's user's grants, and the vello-alibi and
# vello-create --upgrade tools.
vello_add_test(test_alibi_log ${VELLO_HERE}/test_alibi_log.cpp ${VELLO_HERE}/alibifixture.h)
vello_add_test(test_alibi_tools ${VELLO_HERE}/test_alibi_tools.cpp ${VELLO_HERE}/alibifixture.h)
vello_add_test(test_alibi_window ${VELLO_HERE}/test_alibi_window.cpp ${VELLO_HERE}/alibifixture.h)

vello_add_test(test_archiving ${VELLO_HERE}/test_archiving.cpp ${VELLO_HERE}/archivefixture.h)

vello_add_test(test_archiving ${VELLO_HERE}/test_archiving.cpp ${VELLO_HERE}/archivefixture.h)
vello_add_test(test_export ${VELLO_HERE}/test_export.cpp ${VELLO_HERE}/xlsxreader.h)
vello_add_test(test_backup ${VELLO_HERE}/test_backup.cpp ${VELLO_HERE}/archivefixture.h)
add_dependencies(test_backup vello-backup)

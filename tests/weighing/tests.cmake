vello_add_test(test_weighing_store ${VELLO_HERE}/test_weighing_store.cpp ${VELLO_HERE}/weighingfixture.h)
vello_add_test(test_finalisation ${VELLO_HERE}/test_finalisation.cpp ${VELLO_HERE}/weighingfixture.h)
vello_add_test(test_weighing_flow ${VELLO_HERE}/test_weighing_flow.cpp ${VELLO_HERE}/weighingfixture.h)

list(APPEND VELLO_CORE_SOURCES
  ${VELLO_DIR}/weighingstate.h
  ${VELLO_DIR}/weighingstore.h ${VELLO_DIR}/weighingstore.cpp
  ${VELLO_DIR}/finalisation.h ${VELLO_DIR}/finalisation.cpp
  ${VELLO_DIR}/ticketprint.h ${VELLO_DIR}/ticketprint.cpp
)

list(APPEND VELLO_CORE_SOURCES
  ${VELLO_DIR}/weighingstate.h
)

list(APPEND VELLO_CORE_SOURCES
  ${VELLO_DIR}/alibientry.h ${VELLO_DIR}/alibientry.cpp
  ${VELLO_DIR}/alibilog.h ${VELLO_DIR}/alibilog.cpp
  ${VELLO_DIR}/alibischema.h ${VELLO_DIR}/alibischema.cpp
)

list(APPEND VELLO_CORE_SOURCES
  ${VELLO_DIR}/reportoutput.h ${VELLO_DIR}/reportoutput.cpp
)

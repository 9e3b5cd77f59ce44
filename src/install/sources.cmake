list(APPEND VELLO_CORE_SOURCES
  ${VELLO_DIR}/sitetemplates.h ${VELLO_DIR}/sitetemplates.cpp
  ${VELLO_DIR}/firststart.h ${VELLO_DIR}/firststart.cpp
)
